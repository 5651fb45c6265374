// Saves a picture of every settings page and of the visitor options dialog,
// for looking over the layout.
#include "SettingsTestData.h"

#include "common/TestSupport.h"
#include "ui/Settings.h"
#include "ui/SettingsFontDialog.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsScreens : public QObject {
    Q_OBJECT
private:
    QTemporaryDir data_;
    QString folder_;

    void save(QWidget* widget, const QString& name) {
        QTest::qWait(50);
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        QVERIFY2(widget->grab().save(path), qPrintable(path));
    }

private slots:
    void initTestCase() {
        WriteLanguageFile(data_.path());
        qputenv("CORVANTA_DATA_DIR", data_.path().toUtf8());
        folder_ = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR",
                                       BinDir() + QStringLiteral("/../screenshots"));
        QVERIFY(QDir().mkpath(folder_));
    }

    void settingsPages() {
        TSettingsF dialog;
        TBTable table = FullSettings(
            QStringLiteral("/home/user/Documents/Web sites/Our club members/generated files/"));
        table.Language.Load(QStringLiteral("German"));
        dialog.LoadFrom(table);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int page = 0; page < dialog.PageControl->count(); ++page) {
            dialog.SelectPage(page);
            QString caption = dialog.PageList->item(page)->text();
            caption.remove(QStringLiteral(" &")).replace(u'/', u'-').replace(u' ', u'-');
            save(&dialog, QStringLiteral("settings-%1-%2").arg(page).arg(caption.toLower()));
        }
        // A new project: the defaults with most entries empty.
        TBTable fresh = TBTable::New();
        dialog.LoadFrom(fresh);
        dialog.SelectPage(TSettingsF::AppearancePage);
        save(&dialog, QStringLiteral("settings-new-project"));
    }

    void counterFontChooser() {
        TCounterFontDialog dialog(
            {0x000000C0, QStringLiteral("DejaVu Sans"), 22, true, false, false, false});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        save(&dialog, QStringLiteral("counter-font"));
    }

    void visitorOptions() {
        TVisitorOptionsF dialog;
        dialog.SetOptions({QStringLiteral("Join"), true, true, false, true, false, true});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        save(&dialog, QStringLiteral("visitor-options-join"));
        dialog.LoginModeRadio->click();
        save(&dialog, QStringLiteral("visitor-options-login"));
    }
};

QTEST_MAIN(TestSettingsScreens)
#include "TestSettingsScreens.moc"
