#include "common/WindowUser.h"
#include "ui/EditGuard.h"
#include "ui/VisitorOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

TVisitorOptions Options(const QString& mode, bool all) {
    return {mode, all, all, all, all, all, all};
}

// State of each check box as "checked/enabled" letters, in the dialog's order:
// search, add or modify, delete, change password, send password, only members.
QString States(const TVisitorOptionsF& d) {
    QString text;
    for (const QCheckBox* check :
         {d.AllowSearchCh, d.AllowAddModifyCh, d.AllowDeleteCh, d.AllowChangePasswordCh,
          d.AllowSendPasswordCh, d.OnlyMembersCanAddCh})
        text +=
            QString(check->isChecked() ? u'x' : u'-') + (check->isEnabled() ? u'e' : u'd') + u' ';
    return text.trimmed();
}

} // namespace

class TestVisitorOptions : public QObject {
    Q_OBJECT
private slots:
    void joinModeFixesTheOwnRecordPermissions() {
        TVisitorOptionsF d;
        QSignalSpy shown(&d, &TVisitorOptionsF::ModeShown);
        d.SetOptions(Options(QStringLiteral("Join"), false));
        d.show();
        QVERIFY(d.JoinModeRadio->isChecked());
        // Search, add, delete on and fixed; change and send password off
        // and fixed (a Join site sends none); only members kept and free.
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d -d -e"));
        QCOMPARE(d.ExplBox->title(), QStringLiteral("Join mode"));
        QCOMPARE(d.ExplainMemo->toPlainText().split(u'\n').size(), 4);
        QVERIFY(d.ExplainMemo->toPlainText().startsWith(
            QStringLiteral("Every visitor can search the database.\n")));
        QCOMPARE(shown.last().at(0).toString(), QStringLiteral("Join"));

        // An empty mode is shown as Join; "Only members" keeps its state.
        d.hide();
        d.SetOptions(Options(QString(), true));
        d.AllowChangePasswordCh->setChecked(true);
        d.show();
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d -d xe"));
    }

    void loginModeKeepsTheUsersChoices() {
        TVisitorOptionsF d;
        TVisitorOptions options = Options(QStringLiteral("Login"), false);
        options.AllowDelete = true;
        options.AllowChangePassword = true;
        d.SetOptions(options);
        d.show();
        QVERIFY(d.LoginModeRadio->isChecked());
        QCOMPARE(States(d), QStringLiteral("-e -e xe xe -e xd"));
        QCOMPARE(d.ExplBox->title(), QStringLiteral("Login mode"));
        QVERIFY(d.ExplainMemo->toPlainText().startsWith(
            QStringLiteral("Only members can use the database: the administrator creates their "
                           "accounts.\n")));
    }

    void switchingModesAppliesTheirRules() {
        TVisitorOptionsF d;
        QSignalSpy shown(&d, &TVisitorOptionsF::ModeShown);
        TVisitorOptions options = Options(QStringLiteral("Login"), false);
        options.AllowChangePassword = true;
        d.SetOptions(options);
        d.show();
        d.JoinModeRadio->click();
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d -d xe"));
        d.LoginModeRadio->click();
        // Join left search, add and delete on and both password options off.
        QCOMPARE(States(d), QStringLiteral("xe xe xe -e -e xd"));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.at(1).at(0).toString(), QStringLiteral("Join"));
        QCOMPARE(shown.at(2).at(0).toString(), QStringLiteral("Login"));
    }

    void okTakesTheControlsBack() {
        TVisitorOptionsF d;
        TVisitorOptions options = Options(QStringLiteral("Join"), false);
        QTimer::singleShot(0, &d, [&d] {
            d.LoginModeRadio->click();
            d.AllowDeleteCh->setChecked(false);
            d.OKBtn->click();
        });
        QVERIFY(d.Edit(options));
        // Join had set search, add and delete; the user cleared delete.
        const TVisitorOptions expected{
            QStringLiteral("Login"), true, true, true, false, false, false};
        QCOMPARE(options, expected);
    }

    void cancelKeepsTheWorkingValues() {
        TVisitorOptionsF d;
        QSignalSpy shown(&d, &TVisitorOptionsF::ModeShown);
        const TVisitorOptions before = Options(QStringLiteral("Login"), false);
        TVisitorOptions options = before;
        TBoxAnswers discard(QMessageBox::Yes); // the switch is a change: Cancel asks
        QTimer::singleShot(0, &d, [&d] {
            d.JoinModeRadio->click();
            d.CancelBtn->click();
        });
        QVERIFY(!d.Edit(options));
        QCOMPARE(options, before);
        QCOMPARE(discard.Texts, QStringList{EditGuard::DiscardQuestion});
        // The settings dialog heard of the mode before showing and on the switch.
        QCOMPARE(shown.first().at(0).toString(), QStringLiteral("Login"));
        QCOMPARE(shown.last().at(0).toString(), QStringLiteral("Join"));
    }
};

QTEST_MAIN(TestVisitorOptions)
#include "TestVisitorOptions.moc"
