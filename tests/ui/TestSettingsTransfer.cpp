// Filling the settings dialog from a project and taking the values back.
#include "SettingsTestData.h"
#include "ui/InputNote.h"
#include "ui/NumberBox.h"

#include "model/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every stored setting as "name=value" lines, for comparing two projects.
QStringList Values(const TBTable& t) {
    QStringList lines;
    for (const TSettingInfo& info : ProjectSettings()) {
        const QString value = std::visit(
            [&t](auto member) -> QString {
                using Member = decltype(member);
                if constexpr (std::is_same_v<Member, std::monostate>)
                    return t.Language.Name();
                else if constexpr (std::is_same_v<Member, QString TBTable::*>)
                    return t.*member;
                else
                    return QString::number(t.*member);
            },
            info.member);
        lines.append(info.name + u'=' + value);
    }
    return lines;
}

} // namespace

class TestSettingsTransfer : public QObject {
    Q_OBJECT
private:
    QTemporaryDir data_;
    QTemporaryDir folder_;
    QString local_;

    TBTable Valid() const { return FullSettings(local_); }

private slots:
    void initTestCase() {
        WriteLanguageFile(data_.path());
        qputenv("CORVANTA_DATA_DIR", data_.path().toUtf8());
        local_ = folder_.path() + u'/';
    }

    void roundTripKeepsEverySetting_data() {
        QTest::addColumn<int>("variant");
        QTest::newRow("login mode, every value set") << 0;
        QTest::newRow("stored defaults, system colours") << 1;
        QTest::newRow("join mode, end of line") << 2;
    }

    void roundTripKeepsEverySetting() {
        QFETCH(int, variant);
        TBTable table = Valid();
        table.Language.Load(QStringLiteral("French"));
        if (variant == 1) {
            table.UserUpdate = false;
            table.UserMode.clear();
            table.AllowSearch = true;
            table.AllowAddModify = table.OnlyMembersCanAdd = table.AllowDelete = false;
            table.AllowChangePassword = table.AllowSendPassword = false;
            table.CounterColor = qint32(0x8000000D);
            table.CounterNumberFontColor = qint32(0x80000018);
            table.CounterTextFontColor = qint32(0x80000018);
            table.HomeCh = false; // a link without its check box is kept too
            table.UseCounterOffset = false;
            table.SendEmail = false;
            table.Layout = Layouts::Frames;
        } else if (variant == 2) {
            table.UserMode = QStringLiteral("Join");
            table.AllowChangePassword = table.AllowSendPassword = false;
            table.RecordDelimiter = QStringLiteral("\n");
            table.EmailBody = QStringLiteral("Line\u00a0one\r\n\r\n  indented\r\n");
        }
        const QStringList before = Values(table);
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        QVERIFY(EditAndPressOK(d, table));
        QVERIFY(desktop.messages.isEmpty() && desktop.errors.isEmpty());
        QCOMPARE(Values(table), before);
    }

    void userUpdateOffStoresTheDefaultMode() {
        TBTable table = Valid(); // Login, every permission on
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        QVERIFY(EditAndPressOK(d, table, [&d] { d.UserUpdateCh->click(); }));
        QVERIFY(!table.UserUpdate);
        QCOMPARE(table.UserMode, QString());
        QVERIFY(table.AllowSearch);
        QVERIFY(!table.AllowAddModify && !table.OnlyMembersCanAdd && !table.AllowDelete &&
                !table.AllowChangePassword && !table.AllowSendPassword);
    }

    void passwordOptionsOnlyInLoginMode() {
        TBTable table = Valid();
        table.UserMode = QStringLiteral("Join");
        table.AllowSearch = false; // as the working values hold them
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        QVERIFY(EditAndPressOK(d, table));
        QCOMPARE(table.UserMode, QStringLiteral("Join"));
        QVERIFY(!table.AllowSearch && table.OnlyMembersCanAdd && table.AllowDelete);
        QVERIFY(!table.AllowChangePassword && !table.AllowSendPassword);
    }

    void pathsAndTexts() {
        TBTable table = Valid();
        table.TableAlign = QStringLiteral("Right"); // not an item: the first one is taken
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        desktop.folder = folder_.path(); // chosen without a closing "/"
        QVERIFY(EditAndPressOK(d, table, [&] {
            d.URL->setText(QStringLiteral("http:\\\\www.example.org\\club"));
            d.PHPPath->setText(QStringLiteral("public_html\\club"));
            d.TrustedProxiesEdit->setText(QStringLiteral(" 10.0.0.5, 192.168.1.0/24 "));
            d.Button2->click();
            d.LoginTextMemo->setPlainText(QStringLiteral("Welcome\nplease log in"));
            d.NumOfSortFieldsEdit->clear(); // records per page must be 1 or more
            d.CounterBorderEdit->clear();
            d.StartCounterCh->click(); // empties the start value
            d.RecordDelimiterEdit->setText(QStringLiteral("~"));
        }));
        QCOMPARE(table.URL, QStringLiteral("http://www.example.org/club/"));
        QCOMPARE(table.PHPPath, QStringLiteral("public_html/club/"));
        QCOMPARE(table.TrustedProxies, QStringLiteral("10.0.0.5, 192.168.1.0/24"));
        QCOMPARE(table.LocalPath, local_);
        QCOMPARE(table.LoginText, QStringLiteral("Welcome\r\nplease log in"));
        QCOMPARE(table.TableAlign, QStringLiteral("Left (Default)"));
        QCOMPARE(table.NumOfSortFields, 0);
        QCOMPARE(table.CounterBorder, 0);
        QVERIFY(!table.UseCounterOffset);
        QCOMPARE(table.CounterOffset, 0);
        QCOMPARE(table.RecordDelimiter, QStringLiteral("~")); // "Other" with its edit

        QVERIFY(EditAndPressOK(d, table, [&] {
            d.PHPPath->clear();
            d.RecordDelimiterCombo->setCurrentIndex(0);
        }));
        QCOMPARE(table.PHPPath, QString());
        QCOMPARE(table.RecordDelimiter, QStringLiteral("\n"));
        QCOMPARE(table.URL, QStringLiteral("http://www.example.org/club/"));
    }

    void numberTypoKeepsTheDialogOpen() {
        // Number boxes take digits only; a bad value that gets in all the
        // same (empty, too large) keeps the dialog open with every edit,
        // names the box, shows its page and puts the cursor into it.
        TBTable table = Valid();
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        struct TTypo {
            QLineEdit* box;
            QString text;
            QString message;
            int page;
        };
        const QList<TTypo> typos = {
            {d.MenuHeightEdit, QString(), "Menu height must be a whole number.",
             TSettingsF::AppearancePage},
            {d.LinesPerPageEdit, "99999999999", "Records per page must be a whole number.",
             TSettingsF::AppearancePage},
            {d.NumOfSortFieldsEdit, "4294967296", "Number of sort fields must be numeric.",
             TSettingsF::AppearancePage},
            {d.CounterBorderEdit, "2147483648", "Counter border must be a whole number.",
             TSettingsF::CounterPage},
        };
        bool stayedOpen = true;
        QStringList focused;
        QString refusal;
        const bool stored = EditAndPressOK(d, table, [&] {
            d.DatabaseDisplayNameEdit->setText(QStringLiteral("New title"));
            d.URL->setText(QStringLiteral("http://www.example.org/other/"));
            d.SetCounter->clear();
            d.SelectPage(TSettingsF::CounterPage);
            QTest::keyClicks(d.SetCounter, QStringLiteral("1x"));
            // A refused key is explained beside the box, until a good one.
            refusal = InputNote::Shown(*d.SetCounter) ? InputNote::Shown(*d.SetCounter)->text()
                                                      : QString();
            QTest::keyClicks(d.SetCounter, QStringLiteral("2-3"));
            for (const TTypo& typo : typos) {
                const QString good = typo.box->text();
                typo.box->setText(typo.text);
                d.SelectPage(TSettingsF::DatabasePage);
                d.OKBtn->click();
                stayedOpen = stayedOpen && d.isVisible() && d.CurrentPage() == typo.page;
                if (d.focusWidget() == typo.box && typo.box->selectedText() == typo.text)
                    focused << typo.box->objectName();
                typo.box->setText(good);
            }
        });
        QVERIFY(stayedOpen);
        QCOMPARE(refusal, NumberBox::Refusal);
        QCOMPARE(desktop.messages.size(), typos.size());
        for (int i = 0; i < typos.size(); ++i)
            QCOMPARE(desktop.messages.at(i), typos.at(i).message);
        QCOMPARE(focused.size(), typos.size());
        // Letters typed into a number box never arrive.
        QCOMPARE(d.SetCounter->text(), QStringLiteral("123"));
        // The last OK found nothing wrong: every edit is taken, none lost.
        QVERIFY(stored);
        QVERIFY(desktop.errors.isEmpty());
        QCOMPARE(table.DatabaseDisplayName, QStringLiteral("New title"));
        QCOMPARE(table.URL, QStringLiteral("http://www.example.org/other/"));
        QCOMPARE(table.MenuHeight, 150);
        QCOMPARE(table.CounterOffset, 123);
    }

    void cancelStoresNothing() {
        TBTable table = Valid();
        const QStringList before = Values(table);
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        QTimer::singleShot(0, &d, [&d] {
            d.TableName->setText(QStringLiteral("other"));
            d.UserUpdateCh->click();
            d.CancelBtn->click();
        });
        QVERIFY(!EditSettings(d, table));
        QCOMPARE(Values(table), before);
    }

    void languageList() {
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        QCOMPARE(d.LanguageCombo->count(), 3);
        QCOMPARE(d.LanguageCombo->itemText(0), QString());
        QCOMPARE(d.LanguageCombo->itemText(1), QStringLiteral("German"));
        QCOMPARE(d.LanguageCombo->itemText(2), QStringLiteral("French"));

        TBTable table = Valid();
        table.Language.Load(QStringLiteral("French"));
        QVERIFY(EditAndPressOK(d, table, [&d] {
            QCOMPARE(d.LanguageCombo->currentText(), QStringLiteral("French"));
            d.LanguageCombo->setCurrentIndex(1);
        }));
        QCOMPARE(table.Language.Name(), QStringLiteral("German"));
        QCOMPARE(table.Language.Text(QStringLiteral("MainTitle")), QStringLiteral("Datenbank"));
    }

    void withoutLanguageFileTheLanguageStays() {
        QTemporaryDir empty;
        qputenv("CORVANTA_DATA_DIR", empty.path().toUtf8());
        TSettingsF d;
        qputenv("CORVANTA_DATA_DIR", data_.path().toUtf8());
        TScriptedDesktop desktop;
        desktop.Install(d);
        QCOMPARE(d.LanguageCombo->count(), 0);
        TBTable table = Valid();
        table.Language.Load(QStringLiteral("German"));
        QVERIFY(EditAndPressOK(d, table));
        QCOMPARE(table.Language.Name(), QStringLiteral("German"));
    }

    void openingKeepsTheSelectedPage() {
        TBTable table = Valid();
        TSettingsF d;
        TScriptedDesktop desktop;
        desktop.Install(d);
        d.SelectPage(TSettingsF::ConnectionPage);
        int shownPage = -1;
        QString title;
        QVERIFY(EditAndPressOK(d, table, [&] {
            shownPage = d.CurrentPage();
            title = d.windowTitle();
        }));
        QCOMPARE(shownPage, int(TSettingsF::ConnectionPage));
        QCOMPARE(title, QStringLiteral("Settings - Members"));
    }
};

QTEST_MAIN(TestSettingsTransfer)
#include "TestSettingsTransfer.moc"
