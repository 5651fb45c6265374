#include "VisitorOptions.h"

#include "EditGuard.h"
#include "Keyboard.h"
#include "SettingsLayout.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTextBlockFormat>
#include <QTextCursor>

namespace {

const QStringList& JoinExplanation() {
    static const QStringList lines{
        QStringLiteral("Every visitor can search the database."),
        QStringLiteral("Visitors add records of their own, and change or delete them later."),
        QStringLiteral("With \"Only members can add new record\", only members can add: the "
                       "administrator creates their accounts."),
        QStringLiteral("Use this mode for membership lists, mailing lists and the like."),
    };
    return lines;
}

const QStringList& LoginExplanation() {
    static const QStringList lines{
        QStringLiteral("Only members can use the database: the administrator creates their "
                       "accounts."),
        QStringLiteral("Members log in with their password."),
        QStringLiteral("Members search the whole database when \"Allow search in database\" is "
                       "ticked; otherwise they see only their own records."),
        QStringLiteral("Use this mode to show data the administrator enters, such as billing "
                       "accounts or settings."),
    };
    return lines;
}

QCheckBox* NamedCheck(const QString& name, const QString& caption, QWidget* parent) {
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(name);
    return check;
}

} // namespace

TVisitorOptionsF::TVisitorOptionsF(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UpdateUserOptionsF"));
    setWindowTitle(QStringLiteral("Update User Options"));

    auto* note = SettingsUi::Note(
        QStringLiteral(
            "Here you can define what the visitors of the database site can and cannot do."),
        this);

    auto* modeBox = new QGroupBox(QStringLiteral("Visitor mode"), this);
    JoinModeRadio = new QRadioButton(QStringLiteral("&Join mode (default)"), modeBox);
    LoginModeRadio = new QRadioButton(QStringLiteral("&Login mode"), modeBox);
    VisitorsOptionsR = new QButtonGroup(this);
    VisitorsOptionsR->setObjectName(QStringLiteral("VisitorsOptionsR"));
    VisitorsOptionsR->addButton(JoinModeRadio, JoinMode);
    VisitorsOptionsR->addButton(LoginModeRadio, LoginMode);
    JoinModeRadio->setChecked(true);
    auto* modeLayout = new QHBoxLayout(modeBox);
    modeLayout->addWidget(JoinModeRadio, 1);
    modeLayout->addWidget(LoginModeRadio, 1);

    auto* permissions = new QGroupBox(QStringLiteral("Visitors' permissions"), this);
    AllowSearchCh = NamedCheck(QStringLiteral("AllowSearchCh"),
                               QStringLiteral("Allow search in database"), permissions);
    AllowAddModifyCh = NamedCheck(QStringLiteral("AllowAddModifyCh"),
                                  QStringLiteral("Allow add or modify own records"), permissions);
    AllowDeleteCh = NamedCheck(QStringLiteral("AllowDeleteCh"),
                               QStringLiteral("Allow delete own records"), permissions);
    AllowChangePasswordCh = NamedCheck(QStringLiteral("AllowChangePasswordCh"),
                                       QStringLiteral("Allow changing Password"), permissions);
    AllowSendPasswordCh =
        NamedCheck(QStringLiteral("AllowSendPasswordCh"),
                   QStringLiteral("Allow Sending Password when forgotten"), permissions);
    OnlyMembersCanAddCh =
        NamedCheck(QStringLiteral("OnlyMembersCanAddCh"),
                   QStringLiteral("Only members can add new record"), permissions);
    auto* permissionLayout = new QVBoxLayout(permissions);
    for (QCheckBox* check : {AllowSearchCh, AllowAddModifyCh, AllowDeleteCh, AllowChangePasswordCh,
                             AllowSendPasswordCh, OnlyMembersCanAddCh})
        permissionLayout->addWidget(check);

    ExplBox = new QGroupBox(this);
    ExplBox->setObjectName(QStringLiteral("ExplBox"));
    ExplainMemo = new QPlainTextEdit(ExplBox);
    ExplainMemo->setObjectName(QStringLiteral("ExplainMemo"));
    ExplainMemo->setReadOnly(true);
    ExplainMemo->setFrameShape(QFrame::NoFrame);
    ExplainMemo->viewport()->setAutoFillBackground(false);
    ExplainMemo->setFocusPolicy(Qt::NoFocus);
    auto* explLayout = new QVBoxLayout(ExplBox);
    explLayout->addWidget(ExplainMemo);

    OKBtn = new QPushButton(QStringLiteral("&OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* middle = new QHBoxLayout;
    middle->addWidget(permissions, 1);
    middle->addWidget(ExplBox, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(modeBox);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(VisitorsOptionsR, &QButtonGroup::idClicked, this,
            &TVisitorOptionsF::VisitorsOptionsRClick);
    resize(600, 330);
    Keyboard::GiveMnemonics(*this);
}

void TVisitorOptionsF::reject() {
    if (EditGuard::State(*this) != shownState_ && !EditGuard::ConfirmDiscard(*this))
        return;
    QDialog::reject();
}

void TVisitorOptionsF::SetOptions(const TVisitorOptions& options) {
    (options.UserMode == QLatin1String("Login") ? LoginModeRadio : JoinModeRadio)->setChecked(true);
    AllowSearchCh->setChecked(options.AllowSearch);
    AllowAddModifyCh->setChecked(options.AllowAddModify);
    AllowDeleteCh->setChecked(options.AllowDelete);
    AllowChangePasswordCh->setChecked(options.AllowChangePassword);
    AllowSendPasswordCh->setChecked(options.AllowSendPassword);
    OnlyMembersCanAddCh->setChecked(options.OnlyMembersCanAdd);
}

TVisitorOptions TVisitorOptionsF::Options() const {
    TVisitorOptions options;
    options.UserMode =
        LoginModeRadio->isChecked() ? QStringLiteral("Login") : QStringLiteral("Join");
    options.AllowSearch = AllowSearchCh->isChecked();
    options.AllowAddModify = AllowAddModifyCh->isChecked();
    options.OnlyMembersCanAdd = OnlyMembersCanAddCh->isChecked();
    options.AllowDelete = AllowDeleteCh->isChecked();
    options.AllowChangePassword = AllowChangePasswordCh->isChecked();
    options.AllowSendPassword = AllowSendPasswordCh->isChecked();
    return options;
}

bool TVisitorOptionsF::Edit(TVisitorOptions& options) {
    SetOptions(options);
    emit ModeShown(LoginModeRadio->isChecked() ? QStringLiteral("Login") : QStringLiteral("Join"));
    if (exec() != QDialog::Accepted)
        return false;
    options = Options();
    return true;
}

void TVisitorOptionsF::VisitorsOptionsRClick() {
    const bool login = LoginModeRadio->isChecked();
    const QString mode = login ? QStringLiteral("Login") : QStringLiteral("Join");
    ExplBox->setTitle(mode + QStringLiteral(" mode"));
    ExplainMemo->setPlainText((login ? LoginExplanation() : JoinExplanation()).join(u'\n'));
    // A little space between the lines keeps the wrapped sentences apart.
    QTextCursor cursor(ExplainMemo->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat spaced;
    spaced.setBottomMargin(5);
    cursor.mergeBlockFormat(spaced);
    emit ModeShown(mode);

    if (login) {
        OnlyMembersCanAddCh->setChecked(true);
    } else {
        // Join mode: every visitor keeps his own record, so these are fixed.
        AllowSearchCh->setChecked(true);
        AllowAddModifyCh->setChecked(true);
        AllowDeleteCh->setChecked(true);
        AllowChangePasswordCh->setChecked(false);
        // A Join site sends no passwords (the option is kept in Login mode
        // alone), so it is off here rather than a box that does nothing.
        AllowSendPasswordCh->setChecked(false);
    }
    for (QCheckBox* check : {AllowSearchCh, AllowAddModifyCh, AllowDeleteCh, AllowChangePasswordCh,
                             AllowSendPasswordCh})
        check->setEnabled(login);
    OnlyMembersCanAddCh->setEnabled(!login);
}

void TVisitorOptionsF::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        SettingsUi::CentreDialog(this);
        VisitorsOptionsRClick();
        shownState_ = EditGuard::State(*this);
    }
    QDialog::showEvent(event);
}
