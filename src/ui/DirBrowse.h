#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;
class TUserPort;

// Chooses a folder: a list of starting places (the home folder, the file
// system root, mounted volumes) and the folder tree below the chosen one,
// with "Create New Folder". OK closes only on a folder that exists.
class TDirBrowseF : public QDialog {
    Q_OBJECT
public:
    explicit TDirBrowseF(TUserPort& port, QWidget* parent = nullptr);

    QComboBox* DriveList;
    QTreeView* FolderTree;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* NewFolderBtn;
    QLineEdit* NewDir;
    QPushButton* NewOKBtn;
    QPushButton* NewCancelBtn;

    // Shows and selects folder (the starting place that holds it is chosen).
    void SetFolder(const QString& folder);
    // The folder selected in the tree.
    QString SelectedFolder() const;

    // Runs the browser starting at start; the chosen folder, or empty.
    static QString Choose(TUserPort& port, QWidget* parent, const QString& start);

public slots:
    void OKBtnClick();
    void DriveListChange(int index);
    void NewFolderBtnClick();
    void NewOKBtnClick();
    void NewCancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showRoot(const QString& root);
    void endNewFolder();

    TUserPort& port_;
    QFileSystemModel* model_;
};
