#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TStore;
class TUserPort;

// Asks for the name of a new project. An empty name is silently refused; the
// name of a stored project must be confirmed for overwriting.
class TSaveAsF : public QDialog {
    Q_OBJECT
public:
    TSaveAsF(const TStore& store, TUserPort& port, QWidget* parent = nullptr);

    QLineEdit* DbName;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    QString EnteredName() const;

public slots:
    void OKBtnClick();
    // Escape, Cancel and the close button ask before a typed name is lost.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const TStore& store_;
    TUserPort& port_;
};
