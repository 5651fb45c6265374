// Saves a picture of every window into CORVANTA_SCREENSHOT_DIR, and checks
// that no label or button is cut off.
#include "common/WindowTestSupport.h"

#include "deploy/ScriptedPort.h"
#include "deploy/TablePlan.h"
#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/About.h"
#include "ui/DirBrowse.h"
#include "ui/ExportMsg.h"
#include "ui/FieldDetails.h"
#include "ui/FieldGrid.h"
#include "ui/HowTos.h"
#include "ui/Log.h"
#include "ui/Progress.h"
#include "ui/ProgressBar.h"
#include "ui/RemoveDB.h"
#include "ui/SaveAs.h"
#include "ui/SelectDB.h"
#include "ui/SheetExport.h"
#include "ui/SheetImport.h"
#include "ui/Steps.h"
#include "ui/TablePlan.h"
#include "ui/Trust.h"
#include "ui/Warning.h"
#include "ui/Welcome.h"
#include "ui/WindowPort.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QString shotFolder() {
    QString dir = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    return dir;
}

// Every visible label and button shows its whole text.
void verifyNothingCut(QWidget& window) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty() || label->wordWrap() ||
            !label->pixmap().isNull())
            continue;
        QVERIFY2(label->width() >= label->minimumSizeHint().width(),
                 qPrintable(QStringLiteral("label cut off: ") + label->text()));
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&window) || button->text().isEmpty())
            continue;
        QVERIFY2(button->width() >= button->sizeHint().width() - 2,
                 qPrintable(QStringLiteral("button cut off: ") + button->text()));
    }
}

void shoot(QWidget& window, const QString& name) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(150);
    verifyNothingCut(window);
    const QString path = QDir(shotFolder()).filePath(name + QStringLiteral(".png"));
    QVERIFY(window.grab().save(path));
}

TBTable sampleProject() {
    TBTable t = TBTable::New();
    t.DbName = QStringLiteral("Bookshop");
    TBField title = EnteredField(QStringLiteral("Title"), FieldTypes::Text, InputTypes::Text);
    title.Required = true;
    title.Searchable = true;
    TBField price = EnteredField(QStringLiteral("Price"), FieldTypes::Real, InputTypes::Text);
    price.Searchable = true;
    TBField stock =
        EnteredField(QStringLiteral("In stock"), FieldTypes::YesNo, InputTypes::Checkbox);
    TBField cover = EnteredField(QStringLiteral("Cover"), FieldTypes::Image, InputTypes::Image);
    TBField isbn = EnteredField(QStringLiteral("ISBN"), FieldTypes::Text, InputTypes::Text);
    isbn.NoDuplicates = true;
    for (const TBField& f : {title, price, stock, cover, isbn})
        t.AddField(f);
    return t;
}

} // namespace

class TestScreenshots : public QObject {
    Q_OBJECT
private slots:
    void mainWindow() {
        TTempStore temp;
        TScriptedPort port;
        TMainF main(temp.Store(), &port);
        main.SetTable(sampleProject());
        shoot(main, QStringLiteral("main-window"));
        shoot(*main.Steps, QStringLiteral("steps-window"));
        // The whole screen: the steps window stands beside the main window.
        const QString desktop = QDir(shotFolder()).filePath(QStringLiteral("desktop.png"));
        QVERIFY(main.screen()->grabWindow(0).save(desktop));
    }

    // The spreadsheet windows; the preview with a refused value is the help
    // page's picture (data/help/sheet-preview.png is copied from it).
    void spreadsheetWindows() {
        TScriptedPort port;
        TBTable t = sampleProject();
        TBField added =
            EnteredField(QStringLiteral("Added"), FieldTypes::DateTime, InputTypes::DateTime);
        added.DateTimeFormat = QStringLiteral("DD/MM/YYYY");
        t.AddField(added);
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("books.csv"));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Title,Price,In stock,ISBN,Added,Notes\r\n"
                   "The Hobbit,12.5,yes,978-0261102217,2026-12-08,signed\r\n"
                   "Dune,9.99,TRUE,978-0441172719,2026-11-30,\r\n"
                   "Emma,seven,no,978-0141439587,2026-10-01,used\r\n"
                   "Ulysses,15,x,978-0199535675,31/02/2026,\r\n");
        file.close();
        TSheetImportF preview(t, port);
        preview.Load(csv);
        QVERIFY(!preview.SendBtn->isEnabled());
        QCOMPARE(preview.PreviewGrid->rowCount(), 4);
        QVERIFY(preview.PreviewGrid->item(2, 1)->text().contains(QStringLiteral("not a number")));
        QVERIFY(preview.RefusalsMemo->toPlainText().contains(
            QStringLiteral("row 5, column \"Added\" (field \"Added\"): not a date")));
        shoot(preview, QStringLiteral("sheet-preview"));
        preview.hide();

        TSheetExportF out;
        out.FileEdit->setText(QStringLiteral("/home/ann/books.csv"));
        QCOMPARE(out.Path(), QStringLiteral("/home/ann/books.xlsx"));
        shoot(out, QStringLiteral("sheet-export"));
    }

    void fieldDetails() {
        TScriptedPort port;
        TFieldDetailsF dialog(port);
        dialog.setWindowTitle(QStringLiteral("Modify field"));
        TBField f = EnteredField(QStringLiteral("Category"), FieldTypes::Text, InputTypes::Select);
        f.EnumValues = QStringList{QStringLiteral("Novel"), QStringLiteral("Poetry"),
                                   QStringLiteral("Travel")};
        f.Searchable = true;
        f.Visible = true;
        dialog.SetField(f);
        shoot(dialog, QStringLiteral("field-details-database"));
        dialog.Pages->setCurrentIndex(1);
        shoot(dialog, QStringLiteral("field-details-appearance"));
    }

    void progressWindows() {
        TWindowPort port(nullptr, {});
        port.ProgressSetMaximum(26);
        port.ProgressSetPosition(9);
        port.ProgressSetText(QStringLiteral("Uploading search.php"));
        shoot(port.ProgressWindow(), QStringLiteral("progress"));
        port.ProgressWindow().CancelBtnClick();
        shoot(port.ProgressWindow(), QStringLiteral("progress-cancelled"));
        port.ProgressHide();

        port.WaitWindow().ProgressLabel->setText(
            QStringLiteral("Removing Database Bookshop. Please, wait ..."));
        shoot(port.WaitWindow(), QStringLiteral("wait"));
        port.WaitHide();
    }

    void questionWindows() {
        TWindowPort port(nullptr, {});
        TWarningF& warning = port.WarningWindow();
        warning.WarningText->setText(
            QStringLiteral("Are you sure you want to remove the database Bookshop?"));
        shoot(warning, QStringLiteral("warning"));
        warning.hide();

        // Upload's plan for a site whose tables hold records: the field
        // Author removed, Year added.
        const auto books = [](const char* second, const QString& type) {
            TBTable t = TBTable::New();
            t.TableName = QStringLiteral("books");
            for (const char* name : {"title", second}) {
                TBField f;
                f.Name = f.FieldName = QString::fromLatin1(name);
                f.FieldType = f.Name == QLatin1String("title") ? FieldTypes::Text : type;
                f.SeqNo = int(t.Fields.size()) - 1;
                t.Fields.push_back(f);
            }
            return t;
        };
        const TBTable before = books("author", FieldTypes::Text);
        TLiveTables live;
        live.Tables = {QStringLiteral("books")};
        for (const auto& table : TPHPGenerator::OtherTables(before))
            live.Tables << table.first;
        live.Records = 10000;
        for (const TColumnDef& c : TPHPGenerator::RecordColumns(before)) {
            const char* type = c.type == QLatin1String("TEXT")   ? "text"
                               : c.type == QLatin1String("BOOL") ? "tinyint(1)"
                                                                 : "int(11)";
            live.Columns.push_back({c.name, type, c.Comment(), !c.notNull, 0, 9120});
        }
        TTablePlanF& plan = port.TablesWindow();
        QTimer::singleShot(0, &plan, [&] {
            shoot(plan, QStringLiteral("table-plan"));
            plan.reject();
        });
        port.AskTables(TTablePlan::Compute(books("year", FieldTypes::Integer), live));

        TExportMsgF& exportMsg = port.ExportWindow();
        exportMsg.Msg->setText(
            QStringLiteral("Table (books) with 42 lines already exists on the server."));
        shoot(exportMsg, QStringLiteral("export-choice"));
        exportMsg.hide();
    }

    // The certificate and host-key questions, as a shared host shows them.
    void trustQuestions() {
        TCertificateInfo certificate;
        certificate.Host = QStringLiteral("www.example.com");
        certificate.Port = 443;
        certificate.Service = QStringLiteral("the web server");
        certificate.Subject = QStringLiteral("server17.hosting-provider.net");
        certificate.Issuer = QStringLiteral("server17.hosting-provider.net");
        certificate.ValidFrom = QDateTime(QDate(2026, 1, 4), QTime(0, 0), Qt::UTC);
        certificate.ValidTo = QDateTime(QDate(2027, 1, 4), QTime(0, 0), Qt::UTC);
        certificate.Fingerprint =
            QStringLiteral("5d92fa1bbd6e469c29cc183601c8c325b358d7b6e8486c7f896e58f2f4b0cb87");
        certificate.Problems = {QStringLiteral("it is self-signed"),
                                QStringLiteral("it is made out for server17.hosting-provider.net, "
                                               "not for www.example.com")};
        TTrustF dialog;
        dialog.SetInfo(certificate);
        shoot(dialog, QStringLiteral("trust-certificate"));
        QVERIFY(dialog.CancelBtn->isDefault());
        dialog.hide();

        TCertificateInfo key;
        key.HostKey = true;
        key.Host = QStringLiteral("ssh.example.com");
        key.Port = 22;
        key.KeyType = QStringLiteral("ssh-ed25519");
        key.Fingerprint =
            QStringLiteral("54453908547a1809df2dd2bb36709595a46425d734096fa4202a0382a22777e6");
        TTrustF hostKey;
        hostKey.SetInfo(key);
        shoot(hostKey, QStringLiteral("trust-host-key"));
        hostKey.hide();
    }

    void reportWindow() {
        TWindowPort port(nullptr, {});
        TReport report;
        report.Title = QStringLiteral("Upload report");
        report.AddHeading(QStringLiteral("Upload report"));
        report.AddLine();
        report.AddLine(
            QStringLiteral(
                "Upload process was successful, database creation process was successful."),
            true);
        report.AddLine();
        report.AddLine(QStringLiteral("The site was uploaded to:"), true);
        report.AddLine(QStringLiteral("http://www.example.com/books/"));
        report.AddLine();
        report.AddLine(QStringLiteral("Visitor functions are available at:"), true);
        report.AddLine(QStringLiteral("http://www.example.com/books/"));
        report.AddLine();
        report.AddLine(QStringLiteral("Administrator functions are available at:"), true);
        report.AddLine(QStringLiteral("http://www.example.com/books/admin/"));
        TLogF& log = port.ReportWindow();
        log.SetReport(report);
        log.FileInfo->setText(QStringLiteral(
            "Report saved to '/home/me/.local/share/corvanta/sites/bookshop/Upload.log'"));
        log.ShowSiteButtons(QStringLiteral("http://www.example.com/books/"));
        shoot(log, QStringLiteral("report"));
        log.hide();
    }

    void projectDialogs() {
        TTempStore temp;
        TScriptedPort port;
        TSaveAsF saveAs(temp.Store(), port);
        shoot(saveAs, QStringLiteral("save-as"));
        TSelectDBF select(
            {QStringLiteral("Bookshop"), QStringLiteral("Members club"), QStringLiteral("Recipes")},
            port);
        select.OpenBtn->hide();
        select.RemoveBtn->hide();
        select.TableList->setCurrentRow(1);
        shoot(select, QStringLiteral("select-database"));
    }

    void welcomeAndDatabaseDialogs() {
        TTempStore temp;
        TScriptedPort port;
        ProjectStore::Create(temp.Store(), QStringLiteral("Bookshop"));
        TWelcomeF welcome(temp.Store(), &port);
        shoot(welcome, QStringLiteral("welcome"));
        welcome.hide();

        TRemoveDBF remove(port);
        remove.SetServerRemovalPossible(true);
        shoot(remove, QStringLiteral("remove-database"));
        remove.SetServerRemovalPossible(false);
        shoot(remove, QStringLiteral("remove-database-local"));
        remove.hide();

        TDirBrowseF browse(port);
        browse.SetFolder(temp.Folder());
        browse.NewFolderBtnClick();
        browse.NewDir->setText(QStringLiteral("bookshop"));
        shoot(browse, QStringLiteral("browse-directory"));
        browse.hide();

        shoot(*welcome.MainF->About, QStringLiteral("about"));
        welcome.MainF->About->hide();
        THowTosF& howTo = *welcome.MainF->HowTos;
        howTo.SetExplanation(QStringLiteral("BG image:"),
                             QStringLiteral("For the preview the background image must lie in the "
                                            "same folder as the style sheet; otherwise it appears "
                                            "only online, after the upload."));
        shoot(howTo, QStringLiteral("explanation"));
        howTo.hide();
    }
};

QTEST_MAIN(TestScreenshots)
#include "TestScreenshots.moc"
