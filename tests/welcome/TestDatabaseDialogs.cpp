#include "deploy/ScriptedPort.h"
#include "ui/DirBrowse.h"
#include "ui/Keyboard.h"
#include "ui/RemoveDB.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

const QString kBoth =
    QStringLiteral("Do you really want to remove all settings from your PC and all "
                   "sites and records from the server? All data will be lost!");
const QString kSettings = QStringLiteral("Do you really want to remove the Database from your PC?");
const QString kServer =
    QStringLiteral("Do you really want to remove the Database from the server? All "
                   "sites and all records will be removed!");

struct TRemoveFixture {
    TScriptedPort port;
    TRemoveDBF dialog{port};
    explicit TRemoveFixture(bool uploaded) {
        dialog.SetServerRemovalPossible(uploaded);
        dialog.show();
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestDatabaseDialogs : public QObject {
    Q_OBJECT
private slots:
    void removeNeverUploaded() {
        TRemoveFixture fx(false);
        QCOMPARE(fx.dialog.windowTitle(), QStringLiteral("Remove Database"));
        QVERIFY(!fx.dialog.BothBtn->isEnabled());
        QVERIFY(!fx.dialog.ServerBtn->isEnabled());
        QVERIFY(fx.dialog.SettingsBtn->isEnabled());
        QVERIFY(fx.dialog.DownloadBtn->isEnabled());
        QCOMPARE(Keyboard::Shown(fx.dialog.BothBtn->text()), QStringLiteral("Setting & Server"));
        // A disabled choice cannot be reached even by calling its handler.
        fx.dialog.ServerBtnClick();
        QVERIFY(fx.port.Messages().isEmpty());
        QVERIFY(fx.dialog.isVisible());
    }

    // Each choice asks its question; No keeps the dialog open with nothing
    // chosen, Yes closes it with the choice's flags.
    void removeChoices_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("settings");
        QTest::addColumn<bool>("server");
        QTest::newRow("both") << 0 << kBoth << true << true;
        QTest::newRow("settings only") << 1 << kSettings << true << false;
        QTest::newRow("server only") << 2 << kServer << false << true;
    }
    void removeChoices() {
        QFETCH(int, choice);
        QFETCH(QString, question);
        QFETCH(bool, settings);
        QFETCH(bool, server);
        TRemoveFixture fx(true);
        QPushButton* button =
            QList<QPushButton*>{fx.dialog.BothBtn, fx.dialog.SettingsBtn, fx.dialog.ServerBtn}.at(
                choice);
        QVERIFY(button->isEnabled());
        fx.port.Queue(QStringLiteral("No"));
        button->click();
        QVERIFY(fx.dialog.isVisible());
        QCOMPARE(fx.dialog.result(), int(QDialog::Rejected));
        fx.port.Queue(QStringLiteral("Yes"));
        button->click();
        QCOMPARE(fx.port.EventsOf(QStringLiteral("question")), (QStringList{question, question}));
        QVERIFY(!fx.dialog.isVisible());
        QCOMPARE(fx.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(fx.dialog.RemoveSettings(), settings);
        QCOMPARE(fx.dialog.RemoveServer(), server);
        QVERIFY(!fx.dialog.DownloadFirst());
    }

    void removeDownloadAndCancel() {
        TRemoveFixture fx(false);
        fx.dialog.DownloadBtn->click();
        QVERIFY(fx.port.Messages().isEmpty());
        QCOMPARE(fx.dialog.result(), int(QDialog::Accepted));
        QVERIFY(fx.dialog.DownloadFirst());
        QVERIFY(!fx.dialog.RemoveSettings() && !fx.dialog.RemoveServer());

        TRemoveFixture cancelled(true);
        cancelled.dialog.CancelBtn->click();
        QCOMPARE(cancelled.dialog.result(), int(QDialog::Rejected));
        QVERIFY(cancelled.port.Messages().isEmpty());
    }

    void browseStartsAtFolder() {
        QTemporaryDir temp;
        const QString inner = QDir(temp.path()).filePath(QStringLiteral("a/b"));
        QVERIFY(QDir().mkpath(inner));
        TScriptedPort port;
        TDirBrowseF browser(port);
        QCOMPARE(browser.windowTitle(), QStringLiteral("Browse Directory"));
        browser.SetFolder(inner);
        QCOMPARE(browser.SelectedFolder(), inner);
        // The home folder and the root are always offered.
        QVERIFY(browser.DriveList->findText(QDir::homePath()) >= 0);
        QVERIFY(browser.DriveList->findText(QDir::rootPath()) >= 0);
        browser.show();
        browser.OKBtn->click();
        QCOMPARE(browser.result(), int(QDialog::Accepted));
    }

    void browseCreatesFolder() {
        QTemporaryDir temp;
        TScriptedPort port;
        TDirBrowseF browser(port);
        browser.SetFolder(temp.path());
        browser.show();
        QVERIFY(!browser.NewOKBtn->isVisible());
        QVERIFY(!browser.NewDir->isEnabled());

        browser.NewFolderBtn->click();
        QVERIFY(browser.NewOKBtn->isVisible() && browser.NewCancelBtn->isVisible());
        QVERIFY(browser.NewDir->isEnabled());
        QVERIFY(!browser.NewFolderBtn->isEnabled());
        browser.NewOKBtn->click();
        QCOMPARE(port.EventsOf(QStringLiteral("warning")),
                 QStringList{"Please enter a folder name."});

        browser.NewDir->setText(QStringLiteral("sites"));
        browser.NewOKBtn->click();
        const QString made = QDir(temp.path()).filePath(QStringLiteral("sites"));
        QVERIFY(QFileInfo(made).isDir());
        QCOMPARE(browser.NewDir->text(), made);
        QVERIFY(!browser.NewOKBtn->isVisible());
        QVERIFY(!browser.NewDir->isEnabled());
        QVERIFY(browser.NewFolderBtn->isEnabled());
        QCOMPARE(browser.SelectedFolder(), made);

        // A name that exists: nothing created, the path shown all the same.
        browser.SetFolder(temp.path());
        browser.NewFolderBtn->click();
        browser.NewDir->setText(QStringLiteral("sites"));
        browser.NewOKBtn->click();
        QCOMPARE(port.EventsOf(QStringLiteral("error")).size(), 0);
        QCOMPARE(browser.NewDir->text(), made);

        // Cancel only closes the small row.
        browser.NewFolderBtn->click();
        browser.NewDir->setText(QStringLiteral("never"));
        browser.NewCancelBtn->click();
        QVERIFY(!QFileInfo::exists(QDir(made).filePath(QStringLiteral("never"))));
        QVERIFY(!QFileInfo::exists(QDir(temp.path()).filePath(QStringLiteral("never"))));
        QVERIFY(!browser.NewDir->isEnabled());
        QVERIFY(browser.NewFolderBtn->isEnabled());
    }

    void browseCannotCreate() {
        QTemporaryDir temp;
        TScriptedPort port;
        TDirBrowseF browser(port);
        browser.SetFolder(temp.path());
        browser.show();
        browser.NewFolderBtn->click();
        // One level only: a missing parent is not made.
        browser.NewDir->setText(QStringLiteral("missing/child"));
        browser.NewOKBtn->click();
        QCOMPARE(port.EventsOf(QStringLiteral("error")),
                 QStringList{"The folder cannot be created."});
        QVERIFY(!QFileInfo::exists(QDir(temp.path()).filePath(QStringLiteral("missing"))));
    }

    // OK closes only on a folder that exists.
    void browseOkNeedsExistingFolder() {
        QTemporaryDir temp;
        const QString gone = QDir(temp.path()).filePath(QStringLiteral("gone"));
        QVERIFY(QDir().mkdir(gone));
        TScriptedPort port;
        TDirBrowseF browser(port);
        browser.SetFolder(gone);
        browser.show();
        QCOMPARE(browser.SelectedFolder(), gone);
        QVERIFY(QDir(gone).removeRecursively());
        browser.OKBtn->click();
        QVERIFY(browser.isVisible());
    }
};

QTEST_MAIN(TestDatabaseDialogs)
#include "TestDatabaseDialogs.moc"
