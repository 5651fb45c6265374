#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;

// "About Corvanta": name, version and the vendor's web address.
class TAboutF : public QDialog {
    Q_OBJECT
public:
    static inline const QUrl VendorSite = QUrl(QStringLiteral("https://corvanta.example/"));

    explicit TAboutF(QWidget* parent = nullptr);

    QLabel* ProductName;
    QLabel* Version;
    QLabel* WebLink;
    QPushButton* CloseBtn;

    // Opens the vendor's site; tests replace it.
    std::function<void(const QUrl&)> OpenUrl;

protected:
    void showEvent(QShowEvent* event) override;
};
