#pragma once

#include "net/Tls.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether to trust a server whose certificate failed the checks, or
// an SFTP server whose host key is not known yet: what the server showed,
// and the fingerprint to compare with the provider's. "Do not trust" has the
// focus, so a stray Enter trusts nothing.
class TTrustF : public QDialog {
    Q_OBJECT
public:
    explicit TTrustF(QWidget* parent = nullptr);

    QLabel* Heading;
    QLabel* Details;
    QLabel* FingerprintText;
    QPushButton* TrustBtn;
    QPushButton* CancelBtn;

    void SetInfo(const TCertificateInfo& info);
    // Shows the question modally; true when the user trusts.
    bool Ask(const TCertificateInfo& info);

protected:
    void showEvent(QShowEvent* event) override;
};
