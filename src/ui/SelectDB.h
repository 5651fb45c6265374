#pragma once

#include <QDialog>

#include <functional>

class QListWidget;
class QPushButton;
class TUserPort;

// The list of stored projects to pick one from. Each caller hides the
// buttons it does not use.
class TSelectDBF : public QDialog {
    Q_OBJECT
public:
    TSelectDBF(const QStringList& names, TUserPort& port, QWidget* parent = nullptr);

    QListWidget* TableList;
    QPushButton* OKBtn;
    QPushButton* CloseBtn;
    QPushButton* OpenBtn;
    QPushButton* RemoveBtn;

    // The selected project, or an empty string.
    QString SelectedName() const;
    void SetNames(const QStringList& names);

    // "Remove" runs RemoveDatabase on the selected project while the window
    // is disabled, then fills the list anew from ListDatabases.
    std::function<void(const QString& name)> RemoveDatabase;
    std::function<QStringList()> ListDatabases;

public slots:
    void OpenBtnClick();
    void RemoveBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TUserPort& port_;
};
