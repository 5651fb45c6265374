#include "common/TestSupport.h"

#include "deploy/ScriptedPort.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class TestScriptedPort : public QObject {
    Q_OBJECT
private slots:
    void answersByTextThenInOrderThenDefault() {
        TScriptedPort port;
        port.AnswerTo(QStringLiteral("Create database on the server?"), QStringLiteral("Yes"));
        port.Queue(QStringLiteral("No"));
        port.Queue(QStringLiteral("Replace"));
        const QString create = QStringLiteral("Create database on the server?\rIf you want ...");
        QVERIFY(port.AskQuestion(create));
        QVERIFY(port.AskQuestion(create)); // a by-text answer holds every time
        QCOMPARE(port.Confirm(QStringLiteral("Save changes of current Database?"),
                              TConfirmButtons::YesNoCancel),
                 TAnswer::No);
        QCOMPARE(
            port.AskExport(QStringLiteral("Table (t) with 0 lines already exists on the server.")),
            TExportChoice::Replace);
        // Nothing scripted: the answers that change nothing.
        QCOMPARE(port.Confirm(QStringLiteral("Do you want to save changes?"),
                              TConfirmButtons::YesNoCancel),
                 TAnswer::Cancel);
        QCOMPARE(port.Confirm(QStringLiteral("Locate?"), TConfirmButtons::YesNo), TAnswer::No);
        QCOMPARE(port.Confirm(QStringLiteral("Overwrite?"), TConfirmButtons::OKCancel),
                 TAnswer::Cancel);
        QVERIFY(!port.AskQuestion(QStringLiteral("Other question")));
        QCOMPARE(port.AskExport(QStringLiteral("Table")), TExportChoice::Append);
        QCOMPARE(port.ChooseFile(TFileChoice::SaveData), QString());

        QCOMPARE(port.EventsOf(QStringLiteral("question")).size(), 3);
        QCOMPARE(port.Events()[2].Answer, QStringLiteral("No"));
    }

    void fileChoicesByDialogTitle() {
        TScriptedPort port;
        port.AnswerTo(QStringLiteral("Save data"), QStringLiteral("/tmp/records.txt"));
        port.AnswerTo(QStringLiteral("Open images"), QStringLiteral("/tmp/images.txt"));
        QCOMPARE(port.ChooseFile(TFileChoice::SaveData), QStringLiteral("/tmp/records.txt"));
        QCOMPARE(port.ChooseFile(TFileChoice::OpenImages), QStringLiteral("/tmp/images.txt"));
        QCOMPARE(port.ChooseFile(TFileChoice::SaveUsers), QString());
        QCOMPARE(port.EventsOf(QStringLiteral("file")),
                 (QStringList{"Save data", "Open images", "Save users"}));
        QCOMPARE(FileDialogInfo(TFileChoice::SaveUsers).DefaultSuffix, QStringLiteral("txt"));
        QVERIFY(!FileDialogInfo(TFileChoice::OpenData).Save);
    }

    void answerThatDoesNotFitIsAScriptError() {
        TScriptedPort port;
        port.Queue(QStringLiteral("OK"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, port.Confirm(QStringLiteral("Delete?"),
                                                                     TConfirmButtons::YesNoCancel));
        port.Queue(QStringLiteral("Maybe"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 port.AskQuestion(QStringLiteral("Create?")));
    }

    void recordsAndPrints() {
        QString messages;
        QString reports;
        QTextStream err(&messages);
        QTextStream out(&reports);
        TScriptedPort port(&err, &out);
        port.ShowWarning(QStringLiteral("No Database Fields present."));
        port.ShowInformation(QStringLiteral("Line one\rLine two"));
        port.ShowError(QStringLiteral("'x' is not a valid whole number."));
        port.Queue(QStringLiteral("Yes"));
        port.Confirm(QStringLiteral("Are you sure?"), TConfirmButtons::YesNoCancel);
        port.WaitShow(QStringLiteral("Removing Database A. Please, wait ..."));
        QCOMPARE(port.Messages(),
                 (QStringList{"No Database Fields present.", "Line one\rLine two",
                              "'x' is not a valid whole number.", "Are you sure?"}));
        QCOMPARE(messages,
                 QStringLiteral("No Database Fields present.\nLine one\nLine two\n"
                                "'x' is not a valid whole number.\nAre you sure? -> Yes\n"));
        QVERIFY(port.WaitVisible());
        port.WaitHide();
        QVERIFY(!port.WaitVisible());

        TReport report;
        report.Title = QStringLiteral("Generating report");
        report.AddHeading(QStringLiteral("Generating report"));
        report.AddLine(QStringLiteral("  index.html"));
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("Generate.log"));
        QVERIFY(port.SaveAndShowReport(report, log));
        QCOMPARE(reports, QStringLiteral("Generating report\n  index.html\n"));
        // The whole path, so the user can find it.
        QCOMPARE(port.LastFileInfo(), "Report saved to '" + log + "'");
        QCOMPARE(ReadFileBytes(log), QByteArray("Generating report\r\n  index.html\r\n"));
        QVERIFY(messages.endsWith("Report saved to '" + log + "'\n"));

        QVERIFY(!port.SaveAndShowReport(report, dir.filePath(QStringLiteral("no/Generate.log"))));
        QCOMPARE(port.LastFileInfo(),
                 "Report cannot be saved to '" + dir.filePath(QStringLiteral("no/Generate.log")) +
                     "'");
    }

    void progressAndCancel() {
        TScriptedPort port;
        port.CancelWhen(QStringLiteral("Uploading search.php"));
        port.ProgressSetMaximum(26);
        port.ProgressSetPosition(0);
        port.ProgressSetText(QStringLiteral("Generating files"));
        port.ProgressShow();
        port.SetMainEnabled(false);
        QVERIFY(port.ProgressVisible());
        QVERIFY(!port.MainEnabled());
        for (const char* file : {"index.html", "menu.php", "search.php"}) {
            port.ProgressSetText(QStringLiteral("Uploading ") + QString::fromLatin1(file));
            port.ProgressStep();
            if (port.ProgressCancelled())
                break;
        }
        QCOMPARE(port.ProgressPosition(), 3);
        QVERIFY(port.ProgressCancelled());
        // Shown again for the next command: not cancelled.
        port.ProgressSetText(QStringLiteral("Generating files"));
        port.ProgressShow();
        QVERIFY(!port.ProgressCancelled());
        QCOMPARE(port.ProgressTexts().size(), 5);
    }

    void removeDialogAndCancelHandler() {
        TScriptedPort port;
        port.AnswerTo(QStringLiteral("Remove Database Shop"), QStringLiteral("Settings"));
        port.AnswerTo(QStringLiteral("Remove Database Site"), QStringLiteral("Setting && Server"));
        QCOMPARE(port.AskRemove(QStringLiteral("Shop"), false), TRemoveChoice::SettingsOnly);
        QCOMPARE(port.AskRemove(QStringLiteral("Site"), true), TRemoveChoice::SettingsAndServer);
        QCOMPARE(port.AskRemove(QStringLiteral("Other"), true), TRemoveChoice::Cancel);
        QCOMPARE(port.EventsOf(QStringLiteral("remove")).first(),
                 QStringLiteral("Do you really want to remove the Database from your PC?"));
        // A button the dialog disables cannot be pressed.
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 port.AskRemove(QStringLiteral("Site"), false));

        int pressed = 0;
        port.SetCancelHandler([&] { ++pressed; });
        port.CancelWhen(QStringLiteral("Uploading menu.php"));
        port.ProgressSetText(QStringLiteral("Uploading menu.php"));
        port.PressCancel();
        QCOMPARE(pressed, 2);
        QVERIFY(port.ProgressCancelled());
    }

    void settingsPages() {
        TScriptedPort port;
        QVERIFY(!port.OpenSettings(SettingsPages::Database));
        QList<int> pages;
        port.OnOpenSettings([&](int page) {
            pages.append(page);
            return true;
        });
        QVERIFY(port.OpenSettings(SettingsPages::Connection));
        QCOMPARE(pages, QList<int>{1});
        QCOMPARE(port.Events().size(), 2);
        QCOMPARE(port.Events()[0].Answer, QStringLiteral("2"));
    }
};

QTEST_MAIN(TestScriptedPort)
#include "TestScriptedPort.moc"
