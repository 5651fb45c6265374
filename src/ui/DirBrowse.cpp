#include "DirBrowse.h"

#include "Centring.h"
#include "Keyboard.h"
#include "deploy/UserPort.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Where a user starts looking: home, the root, and volumes mounted for him.
QStringList startingPlaces() {
    QStringList places{QDir::homePath(), QDir::rootPath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || places.contains(root))
            continue;
        if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")) ||
            root.startsWith(QLatin1String("/run/media/")))
            places.append(root);
    }
    return places;
}

bool inside(const QString& folder, const QString& root) {
    return folder == root || folder.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

} // namespace

TDirBrowseF::TDirBrowseF(TUserPort& port, QWidget* parent) : QDialog(parent), port_(port) {
    setWindowTitle(QStringLiteral("Browse Directory"));
    DriveList = new QComboBox(this);
    DriveList->addItems(startingPlaces());

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    FolderTree = new QTreeView(this);
    FolderTree->setModel(model_);
    FolderTree->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        FolderTree->hideColumn(column);
    FolderTree->setMinimumSize(340, 300);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    NewFolderBtn = new QPushButton(QStringLiteral("Create New Folder"), this);
    NewDir = new QLineEdit(this);
    NewDir->setObjectName(QStringLiteral("NewDir"));
    NewOKBtn = new QPushButton(QStringLiteral("OK"), this);
    NewCancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* small : {NewOKBtn, NewCancelBtn}) {
        small->setAutoDefault(false);
        small->setMaximumWidth(small->sizeHint().width());
    }
    NewFolderBtn->setAutoDefault(false);
    OKBtn->setDefault(true);

    auto* newRow = new QHBoxLayout;
    newRow->addWidget(NewFolderBtn);
    newRow->addWidget(NewDir, 1);
    newRow->addWidget(NewOKBtn);
    newRow->addWidget(NewCancelBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DriveList);
    layout->addWidget(FolderTree, 1);
    layout->addLayout(newRow);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(DriveList, &QComboBox::activated, this, &TDirBrowseF::DriveListChange);
    connect(OKBtn, &QPushButton::clicked, this, &TDirBrowseF::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(NewFolderBtn, &QPushButton::clicked, this, &TDirBrowseF::NewFolderBtnClick);
    connect(NewOKBtn, &QPushButton::clicked, this, &TDirBrowseF::NewOKBtnClick);
    connect(NewCancelBtn, &QPushButton::clicked, this, &TDirBrowseF::NewCancelBtnClick);
    // The tree fills in the background: bring the chosen folder into view
    // once its parent is listed.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        const QModelIndex current = FolderTree->currentIndex();
        if (current.isValid() && model_->filePath(current.parent()) == path)
            FolderTree->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
    endNewFolder();
    NewDir->clear();
    showRoot(DriveList->currentText());
    resize(460, 480);
    Keyboard::GiveMnemonics(*this);
}

void TDirBrowseF::showRoot(const QString& root) {
    model_->setRootPath(root);
    FolderTree->setRootIndex(model_->index(root));
    FolderTree->setCurrentIndex(model_->index(root));
}

void TDirBrowseF::DriveListChange(int index) {
    showRoot(DriveList->itemText(index));
}

void TDirBrowseF::SetFolder(const QString& folder) {
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    // The longest starting place that holds the folder; the root holds all.
    int best = DriveList->findText(QDir::rootPath());
    for (int i = 0; i < DriveList->count(); ++i) {
        const QString root = DriveList->itemText(i);
        if (root != QDir::rootPath() && inside(path, root) &&
            (DriveList->itemText(best) == QDir::rootPath() ||
             root.size() > DriveList->itemText(best).size()))
            best = i;
    }
    DriveList->setCurrentIndex(best);
    showRoot(DriveList->itemText(best));
    const QModelIndex index = model_->index(path);
    if (index.isValid()) {
        FolderTree->setCurrentIndex(index);
        FolderTree->scrollTo(index);
        FolderTree->expand(index);
    }
}

QString TDirBrowseF::SelectedFolder() const {
    const QModelIndex index = FolderTree->currentIndex();
    return index.isValid() ? model_->filePath(index) : model_->rootPath();
}

void TDirBrowseF::OKBtnClick() {
    const QString folder = SelectedFolder();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        accept();
}

void TDirBrowseF::NewFolderBtnClick() {
    NewOKBtn->show();
    NewCancelBtn->show();
    NewDir->clear();
    NewDir->setEnabled(true);
    NewDir->setFocus();
    NewFolderBtn->setEnabled(false);
}

void TDirBrowseF::NewOKBtnClick() {
    const QString name = NewDir->text().trimmed();
    if (name.isEmpty()) {
        port_.ShowWarning(QStringLiteral("Please enter a folder name."));
        return;
    }
    const QString shown = SelectedFolder();
    const QString target = QDir::cleanPath(QDir(shown).filePath(name));
    if (!QFileInfo::exists(target) && !QDir().mkdir(target)) {
        port_.ShowError(QStringLiteral("The folder cannot be created."));
        return;
    }
    const QModelIndex created = model_->index(target);
    if (created.isValid()) {
        FolderTree->setCurrentIndex(created);
        FolderTree->scrollTo(created);
    }
    endNewFolder();
    NewDir->setText(target);
}

void TDirBrowseF::NewCancelBtnClick() {
    endNewFolder();
}

void TDirBrowseF::endNewFolder() {
    NewOKBtn->hide();
    NewCancelBtn->hide();
    NewDir->setEnabled(false);
    NewFolderBtn->setEnabled(true);
}

void TDirBrowseF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

QString TDirBrowseF::Choose(TUserPort& port, QWidget* parent, const QString& start) {
    TDirBrowseF dialog(port, parent);
    dialog.SetFolder(start.isEmpty() ? QDir::homePath() : start);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.SelectedFolder();
}
