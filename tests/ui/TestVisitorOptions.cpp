#include "ui/VisitorOptions.h"

#include <QCheckBox>
#include <QGroupBox>
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
        // Search, add, delete on and fixed; change password off and fixed;
        // send password set on but free; only members kept and free.
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d xe -e"));
        QCOMPARE(d.ExplBox->title(), QStringLiteral("Join Mode"));
        QCOMPARE(d.ExplainMemo->toPlainText().split(u'\n').size(), 4);
        QVERIFY(d.ExplainMemo->toPlainText().startsWith(
            QStringLiteral("Visitor can Search in database.\n")));
        QCOMPARE(shown.last().at(0).toString(), QStringLiteral("Join"));

        // An empty mode is shown as Join; "Only members" keeps its state.
        d.hide();
        d.SetOptions(Options(QString(), true));
        d.AllowChangePasswordCh->setChecked(true);
        d.show();
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d xe xe"));
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
        QCOMPARE(d.ExplBox->title(), QStringLiteral("Login Mode"));
        QVERIFY(d.ExplainMemo->toPlainText().startsWith(
            QStringLiteral("Access to database is allowed only for members defined by "
                           "administrator.\n")));
    }

    void switchingModesAppliesTheirRules() {
        TVisitorOptionsF d;
        QSignalSpy shown(&d, &TVisitorOptionsF::ModeShown);
        TVisitorOptions options = Options(QStringLiteral("Login"), false);
        options.AllowChangePassword = true;
        d.SetOptions(options);
        d.show();
        d.JoinModeRadio->click();
        QCOMPARE(States(d), QStringLiteral("xd xd xd -d xe xe"));
        d.AllowSendPasswordCh->click(); // free in Join mode
        QVERIFY(!d.AllowSendPasswordCh->isChecked());
        d.LoginModeRadio->click();
        // Join left search, add and delete on and change password off.
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
            QStringLiteral("Login"), true, true, true, false, false, true};
        QCOMPARE(options, expected);
    }

    void cancelKeepsTheWorkingValues() {
        TVisitorOptionsF d;
        QSignalSpy shown(&d, &TVisitorOptionsF::ModeShown);
        const TVisitorOptions before = Options(QStringLiteral("Login"), false);
        TVisitorOptions options = before;
        QTimer::singleShot(0, &d, [&d] {
            d.JoinModeRadio->click();
            d.CancelBtn->click();
        });
        QVERIFY(!d.Edit(options));
        QCOMPARE(options, before);
        // The settings dialog heard of the mode before showing and on the switch.
        QCOMPARE(shown.first().at(0).toString(), QStringLiteral("Login"));
        QCOMPARE(shown.last().at(0).toString(), QStringLiteral("Join"));
    }
};

QTEST_MAIN(TestVisitorOptions)
#include "TestVisitorOptions.moc"
