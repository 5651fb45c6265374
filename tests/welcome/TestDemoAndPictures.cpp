#include "common/TestSupport.h"

#include "deploy/DemoHost.h"
#include "model/DataFiles.h"
#include "model/TableFields.h"
#include "ui/PictureDialog.h"
#include "ui/Settings.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kHostEnv = "URL=http://127.0.0.1:8080/\n"
                            "FTP_SERVER=127.0.0.1:2121\n"
                            "FTP_USER=corvanta\n"
                            "FTP_PASSWORD=ftpsecret\n"
                            "MYSQL_SERVER=127.0.0.1:3307\n"
                            "MYSQL_DATABASE=corvanta\n"
                            "MYSQL_USER=dbuser\n"
                            "MYSQL_PASSWORD=dbsecret\n";

// A 1 x 1 GIF.
const QByteArray kGif = QByteArray::fromHex("474946383961010001008000"
                                            "00ffffff000000"
                                            "21f90401000000002c00000000010001000002024401003b");

struct TDemoFixture {
    QTemporaryDir host;
    QTemporaryDir home;
    TEnvVar hostVar{"CORVANTA_DEMO_HOST", host.path()};
    TEnvVar homeVar{"XDG_DATA_HOME", home.path()};
    TSettingsF settings;
    QStringList messages;
    QStringList confirmations;
    bool confirm = true;

    explicit TDemoFixture(bool running = true) {
        if (running)
            WriteFileBytes(QDir(host.path()).filePath(QStringLiteral("env")), kHostEnv);
        settings.ShowMessage = [this](const QString& text) { messages.append(text); };
        settings.ConfirmWarning = [this](const QString& text) {
            confirmations.append(text);
            return confirm;
        };
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("My Books 2!");
        settings.LoadFrom(t);
    }
};

} // namespace

class TestDemoAndPictures : public QObject {
    Q_OBJECT
private slots:
    void demoFillsConnectionAndDatabase() {
        TDemoFixture fx;
        QVERIFY(fx.settings.Def->isEnabled());
        fx.settings.Def->click();
        QCOMPARE(fx.settings.URL->text(), QStringLiteral("http://127.0.0.1:8080/mybooks2/"));
        QCOMPARE(fx.settings.Server->text(), QStringLiteral("127.0.0.1:2121"));
        QCOMPARE(fx.settings.User->text(), QStringLiteral("corvanta"));
        QCOMPARE(fx.settings.Password->text(), QStringLiteral("ftpsecret"));
        QCOMPARE(fx.settings.PHPPath->text(), QStringLiteral("mybooks2/"));
        QCOMPARE(fx.settings.DatabaseServer->text(), QStringLiteral("127.0.0.1:3307"));
        QCOMPARE(fx.settings.DatabaseName->text(), QStringLiteral("corvanta"));
        QCOMPARE(fx.settings.DatabaseUser->text(), QStringLiteral("dbuser"));
        QCOMPARE(fx.settings.DatabasePassword->text(), QStringLiteral("dbsecret"));
        QCOMPARE(fx.settings.TableName->text(), QStringLiteral("mybooks"));
        // Generate needs an administrator password: the demo gives one and
        // says which.
        const QString admin = fx.settings.AdminPasswordEdit->text();
        QVERIFY(admin.size() >= 12);
        const QString local =
            QDir(fx.home.path()).filePath(QStringLiteral("corvanta/sites/mybooks2/"));
        QCOMPARE(fx.settings.LocalPath(), local);
        QVERIFY(QFileInfo(local).isDir());
        // Locked behind "Clear entries" like any filled-in demo settings.
        QVERIFY(!fx.settings.URL->isEnabled());
        QVERIFY(!fx.settings.LockedNote->isHidden());
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages.first().contains(QStringLiteral("http://127.0.0.1:8080/mybooks2/")));
        QVERIFY(fx.messages.first().contains(admin));
        QVERIFY(fx.confirmations.isEmpty());

        // The settings of a new project pass the dialog's own checks at once
        // and reach the project.
        fx.settings.OKBtn->click();
        QCOMPARE(fx.settings.result(), int(QDialog::Accepted));
        TBTable t = TBTable::New();
        fx.settings.StoreTo(t);
        QCOMPARE(t.URL, QStringLiteral("http://127.0.0.1:8080/mybooks2/"));
        QCOMPARE(t.LocalPath, local);
        QCOMPARE(t.AdminPassword, admin);

        // Opened again, the demo settings are still locked; another project's
        // are not. A second press keeps the password the user may have noted.
        t.DbName = QStringLiteral("My Books 2!");
        fx.settings.LoadFrom(t);
        QVERIFY(!fx.settings.URL->isEnabled());
        QVERIFY(!fx.settings.LockedNote->isHidden());
        fx.settings.Def->click();
        QCOMPARE(fx.settings.AdminPasswordEdit->text(), admin);
        fx.settings.LoadFrom(TBTable::New());
        QVERIFY(fx.settings.URL->isEnabled());

        // A host with FTP over TLS, as ./run starts it: the files go
        // encrypted, the pages stay on plain http (no certificate warning),
        // and the lock holds when the settings are opened again.
        WriteFileBytes(QDir(fx.host.path()).filePath(QStringLiteral("env")),
                       kHostEnv + "HTTPS_URL=https://127.0.0.1:8443/\nFTPS_SERVER=127.0.0.1:2990\n"
                                  "TLS_CERT_SHA256=" + QByteArray(64, 'a') + "\n");
        fx.settings.LoadFrom(t);
        fx.settings.Def->click();
        QCOMPARE(fx.settings.URL->text(), QStringLiteral("http://127.0.0.1:8080/mybooks2/"));
        QCOMPARE(fx.settings.Server->text(), QStringLiteral("127.0.0.1:2990"));
        fx.settings.StoreTo(t);
        QCOMPARE(t.Transfer, TransferModes::Ftps);
        QCOMPARE(t.TrustedCertificate, QString(64, u'a'));
        fx.settings.LoadFrom(t);
        QVERIFY(!fx.settings.Server->isEnabled());
        QVERIFY(fx.confirmations.isEmpty());
    }

    // A provider's settings are replaced only when the user agrees.
    void demoAsksBeforeReplacing() {
        TDemoFixture fx;
        fx.settings.Server->setText(QStringLiteral("ftp.provider.example"));
        fx.confirm = false;
        fx.settings.Def->click();
        QCOMPARE(fx.confirmations.size(), 1);
        QCOMPARE(fx.settings.Server->text(), QStringLiteral("ftp.provider.example"));
        QVERIFY(fx.settings.LocalPath().isEmpty());
        fx.confirm = true;
        fx.settings.Def->click();
        QCOMPARE(fx.settings.Server->text(), QStringLiteral("127.0.0.1:2121"));
        // Pressing it again for the same host asks nothing.
        fx.settings.Def->click();
        QCOMPARE(fx.confirmations.size(), 2);
    }

    void demoHostNotRunning() {
        TDemoFixture fx(false);
        fx.settings.Def->click();
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages.first().contains(QStringLiteral("not running")));
        QVERIFY(fx.messages.first().contains(fx.host.path()));
        QVERIFY(fx.settings.URL->text().isEmpty());
        QVERIFY(fx.settings.URL->isEnabled());
    }

    void demoNames() {
        QCOMPARE(DemoSiteFolder(QStringLiteral("Ärzte & Co 7")), QStringLiteral("rzteco7"));
        QCOMPARE(DemoSiteFolder(QStringLiteral("!!!")), QStringLiteral("site"));
        QCOMPARE(DemoTableName(QStringLiteral("42")), QStringLiteral("records"));
        QTemporaryDir host;
        TEnvVar hostVar("CORVANTA_DEMO_HOST", host.path());
        QCOMPARE(DemoHostFolder(), host.path());
        QVERIFY(!ReadDemoHost());
        WriteFileBytes(QDir(host.path()).filePath("env"), "URL=http://h:1\n");
        QVERIFY(!ReadDemoHost()); // half written: not usable
    }

    // --- Picture previews

    void previewsJpegAndGif() {
        QTemporaryDir temp;
        const QString jpeg = QDir(temp.path()).filePath(QStringLiteral("wide.jpg"));
        QImage wide(800, 400, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QVERIFY(wide.save(jpeg, "JPEG"));
        const QString gif = QDir(temp.path()).filePath(QStringLiteral("dot.gif"));
        WriteFileBytes(gif, kGif);
        const QString text = QDir(temp.path()).filePath(QStringLiteral("notes.gif"));
        WriteFileBytes(text, "not a picture");

        QCOMPARE(TPictureDialog::LoadPreview(jpeg, QSize(200, 200)).size(), QSize(200, 100));
        // Small pictures are not blown up.
        QCOMPARE(TPictureDialog::LoadPreview(gif, QSize(200, 200)).size(), QSize(1, 1));
        QVERIFY(TPictureDialog::LoadPreview(text, QSize(200, 200)).isNull());

        TPictureDialog dialog(nullptr, QStringLiteral("Logo File"), temp.path(),
                              QStringLiteral("Pictures (*.jpg *.gif)"));
        dialog.ShowPreview(jpeg);
        QVERIFY(!dialog.Preview->pixmap().isNull());
        QCOMPARE(dialog.PictureInfo->text(), QStringLiteral("800 x 400 pixels"));
        dialog.ShowPreview(text);
        QVERIFY(dialog.Preview->pixmap().isNull());
        QCOMPARE(dialog.Preview->text(), QStringLiteral("No preview"));
        QVERIFY(TPictureDialog::IsPictureFilter(QStringLiteral("Image Files (*.gif *.jpg)")));
        QVERIFY(!TPictureDialog::IsPictureFilter(QStringLiteral("Style files (*.css)")));
    }
};

QTEST_MAIN(TestDemoAndPictures)
#include "TestDemoAndPictures.moc"
