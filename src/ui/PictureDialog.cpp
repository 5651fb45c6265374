#include "PictureDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QSize kPreviewBox(200, 200);
}

TPictureDialog::TPictureDialog(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filters)
    : QFileDialog(parent, title, folder, filters) {
    // Qt's own dialog: the platform's has no room for a preview.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);

    Preview = new QLabel(this);
    Preview->setObjectName(QStringLiteral("Preview"));
    Preview->setFixedSize(kPreviewBox + QSize(4, 4));
    Preview->setAlignment(Qt::AlignCenter);
    Preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    PictureInfo = new QLabel(this);
    PictureInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* pane = new QVBoxLayout;
    pane->addWidget(Preview);
    pane->addWidget(PictureInfo);
    pane->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(this, &QFileDialog::currentChanged, this, &TPictureDialog::ShowPreview);
    ShowPreview(QString());
}

QImage TPictureDialog::LoadPreview(const QString& path, const QSize& box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > box.width() || size.height() > box.height()))
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    return reader.read();
}

void TPictureDialog::ShowPreview(const QString& path) {
    QImage picture;
    if (!path.isEmpty() && QFileInfo(path).isFile())
        picture = LoadPreview(path, kPreviewBox);
    if (picture.isNull()) {
        Preview->setPixmap(QPixmap());
        Preview->setText(QStringLiteral("No preview"));
        PictureInfo->clear();
        return;
    }
    Preview->setPixmap(QPixmap::fromImage(picture));
    const QSize size = QImageReader(path).size();
    PictureInfo->setText(QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height()));
}

QString TPictureDialog::Choose(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filters) {
    TPictureDialog dialog(parent, title, folder, filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool TPictureDialog::IsPictureFilter(const QString& filters) {
    return filters.contains(QLatin1String("*.jpg")) || filters.contains(QLatin1String("*.gif"));
}
