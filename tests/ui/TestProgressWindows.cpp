#include "common/TestSupport.h"
#include "deploy/TablePlan.h"

#include "ui/ExportMsg.h"
#include "ui/Keyboard.h"
#include "ui/Log.h"
#include "ui/Progress.h"
#include "ui/ProgressBar.h"
#include "ui/RemoveDB.h"
#include "ui/TablePlan.h"
#include "ui/Warning.h"
#include "ui/WindowPort.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

class TestProgressWindows : public QObject {
    Q_OBJECT
private slots:
    void progressCancelFlag() {
        TWindowPort port(nullptr, {});
        TProgressF& window = port.ProgressWindow();
        QCOMPARE(window.windowTitle(), QStringLiteral("Status"));
        port.ProgressSetMaximum(26);
        port.ProgressSetPosition(3);
        port.ProgressStep();
        port.ProgressSetText(QStringLiteral("Uploading index.html"));
        port.ProgressShow();
        QCOMPARE(window.G1->maximum(), 26);
        QCOMPARE(port.ProgressPosition(), 4);
        QCOMPARE(window.InfoLabel->text(), QStringLiteral("Uploading index.html"));
        QVERIFY(!port.ProgressCancelled());
        QVERIFY(!window.CanceledLabel->isVisible());

        // Cancel also reaches the running command at once (a network wait).
        bool handlerSawFlag = false;
        port.SetCancelHandler([&] { handlerSawFlag = port.ProgressCancelled(); });
        QTest::mouseClick(window.CancelBtn, Qt::LeftButton);
        QVERIFY(handlerSawFlag);
        QVERIFY(port.ProgressCancelled());
        QVERIFY(window.CanceledLabel->isVisible());
        QCOMPARE(window.CanceledLabel->text(), QStringLiteral("Process canceled, please wait..."));
        // Cancel stops nothing by itself, and neither Esc nor the close box hide it.
        QVERIFY(window.isVisible());
        QTest::keyClick(&window, Qt::Key_Escape);
        window.close();
        QVERIFY(window.isVisible());

        // Shown again for the next command: the flag and the line are cleared.
        port.ProgressHide();
        QVERIFY(!window.isVisible());
        port.ProgressShow();
        QVERIFY(!port.ProgressCancelled());
        QVERIFY(!window.CanceledLabel->isVisible());
        port.ProgressHide();
    }

    void removeDialogOffersServerChoicesOnlyWhenUploaded() {
        TWindowPort port(nullptr, {});
        // Each step acts on the next modal window it recognises.
        QList<std::function<bool(QWidget*)>> steps;
        QStringList seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && !steps.isEmpty() && steps.first()(modal))
                steps.removeFirst();
        });
        poll.start(20);
        const auto press = [&](const QString& caption) {
            return [&, caption](QWidget* modal) {
                auto* dialog = qobject_cast<TRemoveDBF*>(modal);
                if (!dialog)
                    return false;
                // Captions as shown, without the marks of their Alt keys.
                for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
                    const QString shown = Keyboard::Shown(b->text());
                    seen << shown + (b->isEnabled() ? QString() : QStringLiteral(" (off)"));
                    if (shown == Keyboard::Shown(caption) && b->isEnabled())
                        QTimer::singleShot(0, b,
                                           &QPushButton::click); // may open the warning window
                }
                return true;
            };
        };
        const auto answer = [&](bool yes) {
            return [&, yes](QWidget* modal) {
                auto* warning = qobject_cast<TWarningF*>(modal);
                if (!warning)
                    return false;
                seen << warning->WarningText->text();
                (yes ? warning->YesBtn : warning->NoBtn)->click();
                return true;
            };
        };
        // Never uploaded: "&No" returns to the dialog, "&Yes" removes.
        steps << press(QStringLiteral("Settings Only")) << answer(false)
              << press(QStringLiteral("Settings Only")) << answer(true);
        QCOMPARE(port.AskRemove(QStringLiteral("Shop"), false), TRemoveChoice::SettingsOnly);
        QVERIFY(seen.contains(QStringLiteral("Setting & Server (off)")));
        QVERIFY(seen.contains(QStringLiteral("Server Only (off)")));
        QCOMPARE(
            seen.count(QStringLiteral("Do you really want to remove the Database from your PC?")),
            2);

        seen.clear();
        steps << press(QStringLiteral("Server Only")) << answer(true);
        QCOMPARE(port.AskRemove(QStringLiteral("Shop"), true), TRemoveChoice::ServerOnly);
        QVERIFY(seen.contains(QStringLiteral("Server Only")));
        steps << press(QStringLiteral("Download records from server to my PC now!"));
        QCOMPARE(port.AskRemove(QStringLiteral("Shop"), true), TRemoveChoice::DownloadFirst);
        steps << press(QStringLiteral("Cancel"));
        QCOMPARE(port.AskRemove(QStringLiteral("Shop"), true), TRemoveChoice::Cancel);
        QVERIFY(steps.isEmpty());
    }

    void waitWindow() {
        TWindowPort port(nullptr, {});
        port.WaitShow(QStringLiteral("Removing Database Shop. Please, wait ..."));
        TProgressBarF& window = port.WaitWindow();
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), QStringLiteral("Corvanta Generator"));
        QCOMPARE(window.ProgressLabel->text(),
                 QStringLiteral("Removing Database Shop. Please, wait ..."));
        QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
        port.WaitHide();
        QVERIFY(!window.isVisible());
    }

    void warningWindowOnlyYesOrNo() {
        TWarningF window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Warning"));
        window.WarningText->setText(QStringLiteral("Sure?"));
        window.show();
        QCOMPARE(window.focusWidget(), window.NoBtn);
        QTest::keyClick(&window, Qt::Key_Escape);
        window.close();
        QVERIFY(window.isVisible());
        QTest::keyClick(window.NoBtn, Qt::Key_Space);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));

        window.show();
        QTest::mouseClick(window.YesBtn, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.YesBtn->text(), QStringLiteral("&Yes"));
        QCOMPARE(window.NoBtn->text(), QStringLiteral("&No"));
    }

    void enterAnswersWhatCannotLoseData() {
        // The question window: Enter is No unless the caller knows Yes is safe.
        TWindowPort port(nullptr, {});
        const auto enterOn = [](QWidget* window) {
            QTimer::singleShot(0, window, [window] {
                QTest::keyClick(window->focusWidget() ? window->focusWidget() : window,
                                Qt::Key_Return);
            });
        };
        enterOn(&port.WarningWindow());
        QVERIFY(!port.AskQuestion(QStringLiteral("Drop the tables?")));
        enterOn(&port.WarningWindow());
        QVERIFY(port.AskQuestion(QStringLiteral("Create the tables?"), true));
        enterOn(&port.WarningWindow());
        QVERIFY(!port.AskQuestion(QStringLiteral("Drop them again?")));

        // What cannot be undone is a warning whose Enter is Cancel.
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool cancelIsDefault = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            icon = box->icon();
            cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!port.ConfirmDanger(QStringLiteral("All your databases will be deleted. Go on?")));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(cancelIsDefault);

        // Deleting a field: Enter is No. The box stands over the dialog that
        // asks, not over a window behind it.
        QDialog asking;
        asking.setModal(true);
        asking.show();
        QWidget* parent = nullptr;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            parent = box->parentWidget();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!port.AskYesNo(QStringLiteral("Are you sure you want to delete the field?")));
        QCOMPARE(parent, &asking);
    }

    void tablePlanWindowTakesTheDefaultOnEnter() {
        // A site whose tables exist: Enter updates them, Escape leaves them.
        TBTable t = TBTable::New();
        t.TableName = QStringLiteral("books");
        TLiveTables live;
        live.Tables = {QStringLiteral("books")};
        live.Records = 12;
        const TTablePlan existing = TTablePlan::Compute(t, live);
        TWindowPort port(nullptr, {});
        TTablePlanF& window = port.TablesWindow();
        const auto press = [&](Qt::Key key) {
            QTimer::singleShot(0, &window, [&window, key] {
                QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, key);
            });
        };
        press(Qt::Key_Return);
        QCOMPARE(port.AskTables(existing), TTablesChoice::Update);
        QVERIFY(window.PlanText->toPlainText().startsWith(
            QLatin1String("Table books holds 12 records.")));
        QCOMPARE(window.CreateBtn->text(),
                 QStringLiteral("&Create new empty tables (deletes 12 records)"));
        press(Qt::Key_Escape);
        QCOMPARE(port.AskTables(existing), TTablesChoice::Leave);
        // A first upload: no update to offer, and Enter creates them.
        const TTablePlan first = TTablePlan::Compute(t, {});
        press(Qt::Key_Return);
        QCOMPARE(port.AskTables(first), TTablesChoice::Create);
        QVERIFY(window.UpdateBtn->isHidden());
        QCOMPARE(window.CreateBtn->text(), QStringLiteral("&Create new empty tables"));
    }

    void exportChoiceAppendsUnlessReplaceIsPressed() {
        TExportMsgF window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Export"));
        QVERIFY(window.AppendBtn->isDefault());
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        window.show();
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        window.show();
        QTest::mouseClick(window.ReplaceBtn, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    void reportWindow() {
        TReport report;
        report.Title = QStringLiteral("Generating report");
        report.AddHeading(QStringLiteral("Generating report"));
        report.AddLine();
        report.AddLine(QStringLiteral("The following files were created:"), true);
        report.AddLine(QStringLiteral("  create_db.php"));

        TLogF window;
        window.ShowSiteButtons(QStringLiteral("http://example.com/site/"));
        window.SetReport(report);
        QCOMPARE(window.windowTitle(), QStringLiteral("Generating report"));
        // Filling hides the site buttons again.
        QVERIFY(window.VisitorsBtn->isHidden() && window.AdminBtn->isHidden());

        const QTextDocument* doc = window.LogText->document();
        QCOMPARE(doc->blockCount(), 4);
        QTextBlock title = doc->firstBlock();
        QCOMPARE(title.text(), QStringLiteral("Generating report"));
        QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(title.charFormat().fontWeight(), int(QFont::Bold));
        const QTextBlock section = title.next().next();
        QCOMPARE(section.charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(section.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        const QTextBlock file = section.next();
        QCOMPARE(file.text(), QStringLiteral("  create_db.php"));
        QCOMPARE(file.charFormat().fontWeight(), int(QFont::Normal));

        QList<QUrl> opened;
        window.OpenUrl = [&](const QUrl& url) { opened.append(url); };
        window.ShowSiteButtons(QStringLiteral("http://example.com/site/"));
        QVERIFY(!window.VisitorsBtn->isHidden());
        window.VisitorsBtn->click();
        window.AdminBtn->click();
        QCOMPARE(opened, (QList<QUrl>{QUrl("http://example.com/site/"),
                                      QUrl("http://example.com/site/admin/")}));
        QCOMPARE(Keyboard::Shown(window.AdminBtn->text()),
                 QStringLiteral("Go to the administrator's site to add or change records"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Generate.log"));
        QVERIFY(window.SaveToFile(path));
        QCOMPARE(ReadFileBytes(path), QByteArray("Generating report\r\n\r\nThe following files "
                                                 "were created:\r\n  create_db.php\r\n"));
    }

    void portShowsReportModally() {
        TWindowPort port(nullptr, {});
        TReport report;
        report.Title = QStringLiteral("Upload report");
        report.AddHeading(QStringLiteral("Upload report"));
        QTemporaryDir dir;
        TLogF& window = port.ReportWindow();
        bool shown = false;
        QTimer::singleShot(0, &window, [&] {
            shown = window.isVisible() && !window.VisitorsBtn->isHidden();
            window.CloseBtn->click();
        });
        QVERIFY(port.SaveAndShowReport(report, dir.filePath(QStringLiteral("Upload.log")),
                                       QStringLiteral("http://example.com/")));
        QVERIFY(shown);
        // The whole path: the user must be able to find the file.
        QCOMPARE(window.FileInfo->text(),
                 "Report saved to '" + dir.filePath(QStringLiteral("Upload.log")) + "'");

        // A folder that does not exist: shown all the same, with the other line.
        QTimer::singleShot(0, &window, [&] { window.CloseBtn->click(); });
        QVERIFY(
            !port.SaveAndShowReport(report, dir.filePath(QStringLiteral("missing/Upload.log"))));
        QCOMPARE(window.FileInfo->text(), "Report cannot be saved to '" +
                                              dir.filePath(QStringLiteral("missing/Upload.log")) +
                                              "'");
        QVERIFY(window.VisitorsBtn->isHidden());
    }

    void portDisablesAndFocusesMain() {
        QWidget main;
        main.show();
        int page = -1;
        TWindowPort port(&main, [&](int p) {
            page = p;
            return true;
        });
        port.SetMainEnabled(false);
        QVERIFY(!main.isEnabled());
        // The progress window is not the main window's child: Cancel stays usable.
        port.ProgressShow();
        QVERIFY(port.ProgressWindow().CancelBtn->isEnabled());
        port.ProgressHide();
        port.SetMainEnabled(true);
        QVERIFY(main.isEnabled());
        QVERIFY(port.OpenSettings(2));
        QCOMPARE(page, 2);
    }

    void windowsCentreThemselves() {
        TWindowPort port(nullptr, {});
        QList<QWidget*> windows{&port.ProgressWindow(), &port.WaitWindow(),   &port.WarningWindow(),
                                &port.ExportWindow(),   &port.ReportWindow(), &port.TablesWindow()};
        for (QWidget* w : windows) {
            w->show();
            QCoreApplication::processEvents();
            const QRect screen = w->screen()->geometry();
            const QRect frame = w->frameGeometry();
            QCOMPARE(frame.left(), (screen.width() - frame.width()) / 2);
            QCOMPARE(frame.top(), (screen.height() - (frame.height() + 28)) / 2);
            w->hide();
        }
    }
};

QTEST_MAIN(TestProgressWindows)
#include "TestProgressWindows.moc"
