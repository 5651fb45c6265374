#include "Trust.h"

#include "Centring.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

TTrustF::TTrustF(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TTrustF"));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    Heading = new QLabel(this);
    Heading->setWordWrap(true);
    Heading->setMinimumWidth(460);
    QFont bold = Heading->font();
    bold.setBold(true);
    Heading->setFont(bold);
    Details = new QLabel(this);
    Details->setWordWrap(true);
    Details->setTextFormat(Qt::RichText);
    FingerprintText = new QLabel(this);
    FingerprintText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FingerprintText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    TrustBtn = new QPushButton(this);
    CancelBtn = new QPushButton(QStringLiteral("Do &not trust"), this);
    TrustBtn->setAutoDefault(false);
    CancelBtn->setDefault(true);
    connect(TrustBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* text = new QVBoxLayout;
    text->addWidget(Heading);
    text->addWidget(Details);
    text->addWidget(new QLabel(QStringLiteral("SHA-256 fingerprint:"), this));
    text->addWidget(FingerprintText);
    auto* note = new QLabel(QStringLiteral("Compare the fingerprint with the one your provider "
                                           "gives. Trust is stored with this project, for this "
                                           "server only; a different certificate or key later "
                                           "is refused."),
                            this);
    note->setWordWrap(true);
    text->addWidget(note);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(TrustBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

void TTrustF::SetInfo(const TCertificateInfo& info) {
    const auto row = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><td><b>%1</b>&nbsp;</td><td>%2</td></tr>")
            .arg(name, value.toHtmlEscaped());
    };
    // The fingerprint in groups of four digits, two lines: easier to compare.
    QString grouped;
    for (qsizetype i = 0; i < info.Fingerprint.size(); i += 4)
        grouped += info.Fingerprint.mid(i, 4) + (i == 28 ? u'\n' : u' ');
    FingerprintText->setText(grouped.trimmed());
    if (info.HostKey) {
        setWindowTitle(QStringLiteral("Unknown SFTP server %1").arg(info.Server()));
        Heading->setText(QStringLiteral("The SFTP server %1 is not known yet.").arg(info.Server()));
        Details->setText(QStringLiteral("<table>") +
                         row(QStringLiteral("Host key:"), info.KeyType) +
                         QStringLiteral("</table>"));
        TrustBtn->setText(QStringLiteral("&Trust this server"));
    } else {
        setWindowTitle(QStringLiteral("Certificate of %1 not trusted").arg(info.Server()));
        Heading->setText(QStringLiteral("The certificate of %1 cannot be verified: %2.")
                             .arg(info.Named(), info.Problems.join(QStringLiteral("; "))));
        const QString format = QStringLiteral("yyyy-MM-dd");
        Details->setText(QStringLiteral("<table>") + row(QStringLiteral("Subject:"), info.Subject) +
                         row(QStringLiteral("Issuer:"), info.Issuer) +
                         row(QStringLiteral("Valid:"), QStringLiteral("%1 to %2")
                                                           .arg(info.ValidFrom.toString(format),
                                                                info.ValidTo.toString(format))) +
                         QStringLiteral("</table>"));
        TrustBtn->setText(QStringLiteral("&Trust this certificate"));
    }
    adjustSize();
}

bool TTrustF::Ask(const TCertificateInfo& info) {
    SetInfo(info);
    return exec() == Accepted;
}

void TTrustF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    CancelBtn->setFocus();
}
