// The settings dialog's OK checks and the rules that enable its controls.
#include "SettingsTestData.h"
#include "common/WindowUser.h"
#include "ui/InputNote.h"

#include "model/DataFiles.h"

#include "ui/SettingsFontDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestSettingsChecks : public QObject {
    Q_OBJECT
private:
    QTemporaryDir folder_;

    // A dialog loaded with a project that passes every check, on page 3.
    std::unique_ptr<TSettingsF> Loaded(TScriptedDesktop& desktop, const TBTable& table) {
        auto d = std::make_unique<TSettingsF>();
        desktop.Install(*d);
        d->LoadFrom(table);
        d->SelectPage(TSettingsF::AdministratorPage);
        return d;
    }
    TBTable Valid() const { return FullSettings(folder_.path() + u'/'); }

private slots:
    void okChecks_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("page");
        const QString numeric = QStringLiteral("Number of filters must be numeric.");
        const QString lowercase =
            QStringLiteral("Table name can contain lowercase characters only.");
        const QString sendPassword =
            QStringLiteral("\"Allow Sending Password when forgotten\" is on, so the password "
                           "e-mail needs a %1. Fill in the marked entries on the Password page, "
                           "or turn the option off with the User Mode button.");
        // Page 3 is where the dialog stood: those checks switch no page.
        QTest::newRow("filters") << "filters=two" << numeric << 0;
        QTest::newRow("filters negative") << "filters=-1" << numeric << 0;
        QTest::newRow("home link")
            << "homelink="
            << QStringLiteral(
                   "Please enter the link to your home page or clear the Home URL check box.")
            << 0;
        QTest::newRow("sort fields")
            << "sorts=3x" << QStringLiteral("Number of sort fields must be numeric.") << 0;
        QTest::newRow("local path missing")
            << "local=/no/such/folder"
            << QStringLiteral("The local path /no/such/folder is no folder: choose one with "
                              "Browse... on the Connection page.")
            << 1;
        QTest::newRow("local path empty")
            << "local="
            << QStringLiteral("Choose the local path, the folder for the generated files, with "
                              "Browse... on the Connection page.")
            << 1;
        QTest::newRow("no skin") << "noskin" << QStringLiteral("No Skin is selected (recommended).")
                                 << 0;
        QTest::newRow("table name empty")
            << "table=" << QStringLiteral("Table name is empty. Set the Table name.") << 3;
        QTest::newRow("capital") << "table=Members" << lowercase << 3;
        QTest::newRow("digit") << "table=members2" << lowercase << 3;
        QTest::newRow("underscore") << "table=my_members" << lowercase << 3;
        QTest::newRow("umlaut") << "table=mitglieder\u00e4" << lowercase << 3;
        QTest::newRow("password sender") << "pwsender=" << sendPassword.arg("sender") << 9;
        QTest::newRow("password subject") << "pwsubject=" << sendPassword.arg("subject") << 9;
        QTest::newRow("password sender and subject")
            << "pwsender=;pwsubject=" << sendPassword.arg("sender and a subject") << 9;
        QTest::newRow("first failure wins") << "table=;filters=x" << numeric << 0;
        QTest::newRow("empty numbers count as 0") << "filters=;sorts=" << QString() << 3;
    }

    void okChecks() {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QFETCH(int, page);
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        for (const QString& step : change.split(u';')) {
            const QString name = step.section(u'=', 0, 0);
            const QString value = step.section(u'=', 1);
            if (name == QLatin1String("filters"))
                d->NumOfFilterFieldsEdit->setText(value);
            else if (name == QLatin1String("sorts"))
                d->NumOfSortFieldsEdit->setText(value);
            else if (name == QLatin1String("homelink"))
                d->HomeLinkEdit->setText(value);
            else if (name == QLatin1String("local"))
                d->SetLocalPath(value);
            else if (name == QLatin1String("noskin"))
                d->NoSkinBtn1->click();
            else if (name == QLatin1String("table"))
                d->TableName->setText(value);
            else if (name == QLatin1String("pwsender"))
                d->PasswordEmailSenderEdit->setText(value);
            else if (name == QLatin1String("pwsubject"))
                d->PasswordEmailSubjectEdit->setText(value);
        }
        d->OKBtnClick();
        QCOMPARE(desktop.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(d->result(), message.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(d->CurrentPage(), page);
    }

    // The project checks on what OK would take back: the dialog stays open
    // on the page of the setting, which gets the focus.
    void projectChecksRefuseAtTheSetting_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("page");
        QTest::newRow("reserved table name") << "TableName"
                                             << "order"
                                             << "TableName" << 2;
        QTest::newRow("no records per page") << "LinesPerPageEdit"
                                             << "0"
                                             << "LinesPerPage" << 0;
        QTest::newRow("no menu height") << "MenuHeightEdit"
                                        << "0"
                                        << "MenuHeight" << 0;
        QTest::newRow("delimiters alike") << "FieldDelimiterEdit"
                                          << "#"
                                          << "FieldDelimiter" << 5;
        QTest::newRow("no record delimiter") << "RecordDelimiterEdit"
                                             << ""
                                             << "RecordDelimiter" << 5;
        QTest::newRow("proxy by name") << "TrustedProxiesEdit"
                                       << "proxy.example"
                                       << "TrustedProxies" << 1;
        QTest::newRow("replacement is a delimiter") << "ReplaceDelimiterWithEdit"
                                                    << ";"
                                                    << "ReplaceDelimiterWith" << 5;
    }
    void projectChecksRefuseAtTheSetting() {
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(QString, setting);
        QFETCH(int, page);
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        d->show();
        auto* edit = d->findChild<QLineEdit*>(control);
        QVERIFY(edit);
        edit->setText(value);
        d->OKBtnClick();
        QCOMPARE(desktop.messages.size(), 1);
        // The setting is named as the dialog labels it, never by its store name.
        QVERIFY2(!desktop.messages.first().contains(u'(' + setting + u')'),
                 qPrintable(desktop.messages.first()));
        QVERIFY(InputNote::Marked(*edit));
        QCOMPARE(d->result(), int(QDialog::Rejected));
        QCOMPARE(d->CurrentPage(), page);
        QCOMPARE(d->focusWidget(), edit);
        // Mended, it passes.
        d->LoadFrom(Valid());
        d->OKBtnClick();
        QCOMPARE(d->result(), int(QDialog::Accepted));
    }

    void sendPasswordIsCheckedOnlyWithMembers() {
        // Only a Login site sends forgotten passwords: without a visitor mode,
        // and in Join mode, the option asks for nothing.
        for (const QString& mode : {QString(), QStringLiteral("Join")}) {
            TScriptedDesktop desktop;
            TBTable fresh = Valid();
            fresh.UserUpdate = !mode.isEmpty();
            fresh.UserMode = mode;
            fresh.AllowSendPassword = true;
            fresh.PasswordEmailSender.clear();
            fresh.PasswordEmailSubject.clear();
            auto d = Loaded(desktop, fresh);
            d->OKBtnClick();
            QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.join(u'\n')));
            QCOMPARE(d->result(), int(QDialog::Accepted));
        }
        // Login mode: the refusal names what is missing, shows the page and
        // marks the entry, until something is typed into it.
        TScriptedDesktop desktop;
        TBTable table = Valid();
        table.AllowSendPassword = true;
        table.PasswordEmailSender.clear();
        auto d = Loaded(desktop, table);
        d->OKBtnClick();
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(d->CurrentPage(), int(TSettingsF::PasswordPage));
        QVERIFY(InputNote::Marked(*d->PasswordEmailSenderEdit));
        QVERIFY(!InputNote::Marked(*d->PasswordEmailSubjectEdit));
        d->PasswordEmailSenderEdit->setText(QStringLiteral("club@example.org"));
        QVERIFY(!InputNote::Marked(*d->PasswordEmailSenderEdit));

        // Join mode in the visitor options clears the option, which a Join
        // site does not use, so OK passes.
        table.UserMode = QStringLiteral("Join");
        d = Loaded(desktop, table);
        desktop.messages.clear();
        QTimer::singleShot(0, d.get(), [&d] { d->VisitorOptions()->OKBtn->click(); });
        d->UsersOptionsButton->click();
        QVERIFY(!d->WorkingOptions().AllowSendPassword);
        QVERIFY(!d->VisitorOptions()->AllowSendPasswordCh->isEnabled());
        d->OKBtnClick();
        QVERIFY(desktop.messages.isEmpty());
    }

    void updateRecordsByUser() {
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid()); // Login mode, user update on
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Login mode"));
        QVERIFY(d->UsersOptionsButton->isEnabled());
        d->UserUpdateCh->click();
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Default mode"));
        QVERIFY(!d->UsersOptionsButton->isEnabled());
        for (QPlainTextEdit* memo :
             {d->LoginTextMemo, d->AddRecordTextMemo, d->ModifyRecordTextMemo,
              d->DeleteRecordTextMemo, d->RequestIdPasswordTextMemo})
            QVERIFY2(!memo->isEnabled(), qPrintable(memo->objectName()));
        QVERIFY(d->MenuTextMemo->isEnabled() && d->SearchRecordTextMemo->isEnabled());
        d->UserUpdateCh->click();
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Login mode"));
        QVERIFY(d->UsersOptionsButton->isEnabled() && d->LoginTextMemo->isEnabled());

        // Loading brings the controls up to date with the loaded check box.
        TBTable plain = Valid();
        plain.UserUpdate = false;
        d->LoadFrom(plain);
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Default mode"));
        QVERIFY(!d->UsersOptionsButton->isEnabled() && !d->AddRecordTextMemo->isEnabled());
    }

    void modeLabelFollowsTheVisitorOptions() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        table.UserMode = QStringLiteral("Join");
        auto d = Loaded(desktop, table);
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Join mode"));
        QString seen;
        TBoxAnswers discard(QMessageBox::Yes); // "Discard your changes?"
        QTimer::singleShot(0, d.get(), [&] {
            d->VisitorOptions()->LoginModeRadio->click();
            seen = d->ModeLabel->text();
            d->VisitorOptions()->CancelBtn->click();
        });
        d->UsersOptionsButton->click();
        QCOMPARE(seen, QStringLiteral("Login mode"));
        // Cancel kept Join, and the label says so again.
        QCOMPARE(d->WorkingOptions().UserMode, QStringLiteral("Join"));
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Join mode"));

        QTimer::singleShot(0, d.get(), [&] {
            d->VisitorOptions()->LoginModeRadio->click();
            d->VisitorOptions()->OKBtn->click();
        });
        d->UsersOptionsButton->click();
        QCOMPARE(d->WorkingOptions().UserMode, QStringLiteral("Login"));
        QCOMPARE(d->ModeLabel->text(), QStringLiteral("Login mode"));
    }

    void homeLink() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        table.HomeCh = false;
        table.HomeLink.clear();
        auto d = Loaded(desktop, table);
        QVERIFY(!d->HomeLinkEdit->isEnabled());
        d->HomeCh->click();
        QVERIFY(d->HomeLinkEdit->isEnabled());
        QCOMPARE(d->HomeLinkEdit->text(), QStringLiteral("http://"));
        d->HomeLinkEdit->setText(QStringLiteral("http://home.example/"));
        d->HomeCh->click();
        QVERIFY(!d->HomeLinkEdit->isEnabled());
        QVERIFY(d->HomeLinkEdit->text().isEmpty());
    }

    void emailAndCounterStart() {
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        const QList<QWidget*> email{d->EmailSenderEdit, d->EmailCcEdit, d->EmailSubjectEdit,
                                    d->EmailBodyMemo};
        QVERIFY(std::all_of(email.begin(), email.end(), [](QWidget* w) { return w->isEnabled(); }));
        d->SendEmailCh->click();
        QVERIFY(
            std::none_of(email.begin(), email.end(), [](QWidget* w) { return w->isEnabled(); }));
        QCOMPARE(d->EmailSenderEdit->text(), QStringLiteral("club@example.org")); // kept

        QCOMPARE(d->SetCounter->text(), QStringLiteral("1000"));
        d->StartCounterCh->click();
        QVERIFY(!d->SetCounter->isEnabled());
        QVERIFY(d->SetCounter->text().isEmpty());
        d->StartCounterCh->click();
        QVERIFY(d->SetCounter->isEnabled());
    }

    void recordDelimiterList() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        auto d = Loaded(desktop, table); // "#"
        QCOMPARE(d->RecordDelimiterCombo->currentText(), QStringLiteral("Other"));
        QVERIFY(!d->RecordDelimiterEdit->isHidden());
        QCOMPARE(d->RecordDelimiterEdit->text(), QStringLiteral("#"));
        d->RecordDelimiterCombo->setCurrentIndex(0);
        QVERIFY(d->RecordDelimiterEdit->isHidden());
        d->RecordDelimiterCombo->setCurrentIndex(1);
        QVERIFY(!d->RecordDelimiterEdit->isHidden());

        table.RecordDelimiter = QStringLiteral("\n");
        d->LoadFrom(table);
        QCOMPARE(d->RecordDelimiterCombo->currentText(), QStringLiteral("End of line"));
        QVERIFY(d->RecordDelimiterEdit->isHidden());
        QVERIFY(d->RecordDelimiterEdit->text().isEmpty());
        QCOMPARE(d->RecordDelimiterCombo->count(), 2);
    }

    void connectionNotes() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        table.URL.clear();
        table.Server.clear();
        auto d = Loaded(desktop, table);
        QCOMPARE(d->DBServerLabel->text(), QStringLiteral("FTP server not yet set"));
        QTest::keyClicks(d->Server, QStringLiteral("ftp.club.example"));
        QCOMPARE(d->DBServerLabel->text(), QStringLiteral("Probably ftp.club.example"));
        // The FTP port is no hint for the MySQL server.
        QTest::keyClicks(d->Server, QStringLiteral(":2121"));
        QCOMPARE(d->DBServerLabel->text(), QStringLiteral("Probably ftp.club.example"));
        QVERIFY(!d->URLNote->isHidden());
        QTest::keyClicks(d->URL, QStringLiteral("http://"));
        QVERIFY(d->URLNote->isHidden());

        // With SFTP the account is an SSH account: the captions say so, with
        // the same Alt letters.
        const auto captions = [&d] {
            QStringList texts;
            for (QLineEdit* edit : {d->Server, d->User, d->Password})
                for (QLabel* label : d->findChildren<QLabel*>())
                    if (label->buddy() == edit)
                        texts << label->text();
            return texts;
        };
        QCOMPARE(captions(),
                 (QStringList{"FTP &server name:", "FTP &login name:", "FTP &password:"}));
        d->TransferCombo->setCurrentIndex(d->TransferCombo->findData(TransferModes::Sftp));
        QCOMPARE(captions(), (QStringList{"&Server:", "&Login name:", "&Password:"}));
    }

    void clearEntries() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        // Only the MySQL entries are filled: nothing to clear.
        for (QString* value :
             {&table.URL, &table.Server, &table.User, &table.Password, &table.PHPPath})
            value->clear();
        auto d = Loaded(desktop, table);
        d->ClearButton->click();
        QCOMPARE(desktop.messages, QStringList{QStringLiteral("Fields are already empty")});
        QVERIFY(desktop.confirmations.isEmpty());
        QCOMPARE(d->TableName->text(), QStringLiteral("members"));

        // Cancelled: nothing changes.
        d = Loaded(desktop, Valid());
        d->SetConnectionLocked(true);
        QVERIFY(!d->LockedNote->isHidden() && !d->URL->isEnabled());
        desktop.confirm = false;
        d->ClearButton->click();
        QCOMPARE(desktop.confirmations,
                 QStringList{QStringLiteral("Are you sure you want to clear all fields below?")});
        QCOMPARE(d->URL->text(), QStringLiteral("http://www.example.org/members/"));
        QVERIFY(!d->URL->isEnabled());

        desktop.confirm = true;
        d->ClearButton->click();
        for (QLineEdit* edit : {d->URL, d->Server, d->User, d->Password, d->PHPPath, d->TableName,
                                d->DatabaseName, d->DatabaseUser, d->DatabasePassword}) {
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
            QVERIFY2(edit->isEnabled(), qPrintable(edit->objectName()));
        }
        QCOMPARE(d->DatabaseServer->text(), QStringLiteral("localhost"));
        QVERIFY(d->DatabaseServer->isEnabled());
        QVERIFY(d->LockedNote->isHidden() && d->URLNote->isHidden());
    }

    void skinAndBackground() {
        TScriptedDesktop desktop;
        TBTable table = Valid();
        table.BGImage.clear();
        auto d = Loaded(desktop, table);
        QSignalSpy skinChosen(d.get(), &TSettingsF::SkinChosen);
        QSignalSpy imageChosen(d.get(), &TSettingsF::BGImageChosen);
        QVERIFY(!d->ClearBGImage->isEnabled());

        d->SetSkinPath(QStringLiteral("default.css"));
        desktop.file = QStringLiteral("/skins/green.css");
        d->BrowseCssButton->click();
        QCOMPARE(d->SkinPath(), desktop.file);
        QCOMPARE(d->SkinText->text(), desktop.file);
        QCOMPARE(desktop.fileTitles.last(), QStringLiteral("Choose a Skin (css file)"));
        // A project with a shipped skin (or none) is shown the shipped skins;
        // one with its own style sheet is shown that sheet's folder.
        QCOMPARE(desktop.fileFolders.last(), DataFilePath(QStringLiteral("skins")));
        d->BrowseCssButton->click();
        QCOMPARE(desktop.fileFolders.last(), QStringLiteral("/skins"));
        QCOMPARE(skinChosen.size(), 2);
        QCOMPARE(skinChosen.at(0).at(1).toString(), table.Logo);
        QCOMPARE(skinChosen.at(0).at(2).toString(), table.DatabaseDisplayName);

        desktop.file = QStringLiteral("/skins/leaves.jpg");
        d->BrowseBGimgButton->click();
        QCOMPARE(d->BGimageText->text(), desktop.file);
        QVERIFY(d->ClearBGImage->isEnabled());
        QCOMPARE(imageChosen.size(), 1);
        d->ClearBGImage->click();
        QVERIFY(d->BGimageText->text().isEmpty() && !d->ClearBGImage->isEnabled());

        d->BrowseBGimgButton->click();
        d->NoSkinBtn1->click();
        QVERIFY(d->SkinPath().isEmpty() && d->BGimageText->text().isEmpty());
        QVERIFY(!d->NoSkinBtn1->isEnabled() && !d->ClearBGImage->isEnabled() &&
                !d->PreviewCssButton->isEnabled());
        d->BrowseCssButton->click(); // a picture is no style sheet, but the chooser decides
        QVERIFY(d->NoSkinBtn1->isEnabled() && d->PreviewCssButton->isEnabled());

        // A cancelled chooser changes nothing.
        desktop.file.clear();
        d->BrowseCssButton->click();
        QCOMPARE(d->SkinPath(), QStringLiteral("/skins/leaves.jpg"));
    }

    void choosersFillTheirEntries() {
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        desktop.folder = folder_.path();
        d->Button2->click();
        QCOMPARE(d->LocalPath(), folder_.path());
        desktop.file = QStringLiteral("/pictures/club.gif");
        d->Button3->click();
        QCOMPARE(d->LogoEdit->text(), desktop.file);
        desktop.file = QStringLiteral("/pictures/admin.gif");
        d->Button4->click();
        QCOMPARE(d->AdminLogoEdit->text(), desktop.file);
        QCOMPARE(desktop.fileTitles.last(), QStringLiteral("Logo file"));
        desktop.file = QStringLiteral("/skins/blue.css");
        d->EditCssButton->click();
        QCOMPARE(desktop.fileTitles.last(), QStringLiteral("CSS Files"));
        QCOMPARE(desktop.opened.last(), QUrl::fromLocalFile(desktop.file));
    }

    void helpAndExplanations() {
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        QSignalSpy help(d.get(), &TSettingsF::HelpRequested);
        QSignalSpy explanation(d.get(), &TSettingsF::ExplanationRequested);
        d->SelectPage(TSettingsF::CounterPage);
        d->HelpBtn->click();
        d->SelectPage(TSettingsF::PasswordPage);
        d->HelpBtn->click(); // the password page has no help topic
        d->SelectPage(TSettingsF::AppearancePage);
        d->HelpBtn->click();
        QCOMPARE(help.size(), 2);
        QCOMPARE(help.at(0).at(0).toString(), QStringLiteral("PropCounter.htm"));
        QCOMPARE(help.at(1).at(0).toString(), QStringLiteral("PropAppearance.htm"));

        const auto marks = d->findChildren<QToolButton*>();
        // 12 appearance (layout too), 10 connection, 2 database, 7 logo and text
        QCOMPARE(marks.size(), 31);
        for (QToolButton* mark : marks)
            if (mark->toolTip() == QStringLiteral("How to set the background image"))
                mark->click();
        QCOMPARE(explanation.size(), 1);
        QCOMPARE(explanation.at(0).at(0).toString(), QStringLiteral("Background image:"));
        QVERIFY(!explanation.at(0).at(1).toString().isEmpty());
    }

    void localPathShortening() {
        const auto tenEach = [](const QString& text) { return int(text.size()) * 10; };
        const QString shortPath = QStringLiteral("/home/user/site/");
        QCOMPARE(TSettingsF::ShortenPath(shortPath, tenEach), shortPath);
        // 40 characters at 10 pixels: the first five, "..." and the last 21 fit in 299.
        const QString path = QStringLiteral("/home/user/documents/web/our-club/sites/");
        QCOMPARE(path.size(), 40);
        QCOMPARE(TSettingsF::ShortenPath(path, tenEach),
                 QStringLiteral("/home...") + path.right(21));

        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        const QString longPath = QStringLiteral("/home/someone/Documents/Web sites/Our club "
                                                "members and friends/generated files/");
        d->SetLocalPath(longPath);
        const QString shown = d->LocalPathText->text();
        QVERIFY(shown.startsWith(QStringLiteral("/home...")));
        QVERIFY(longPath.endsWith(shown.mid(8)));
        QVERIFY(d->LocalPathText->fontMetrics().horizontalAdvance(shown) <= 299);
        QCOMPARE(d->LocalPath(), longPath);
    }

    void counterSample() {
        TScriptedDesktop desktop;
        auto d = Loaded(desktop, Valid());
        d->SelectPage(TSettingsF::CounterPage);
        const QLabel* before = d->SampleTextBefore;
        const QLabel* number = d->SampleNumber;
        const QLabel* behind = d->SampleTextBehind;
        const auto checkGeometry = [&] {
            const QSize panel = d->SampleColor->size();
            QCOMPARE(panel.width(), before->width() + number->width() + behind->width() + 16);
            QCOMPARE(panel.height(), std::max(before->height(), number->height()) + 24);
            QCOMPARE(number->x(), before->x() + before->width() + 10);
            QCOMPARE(behind->x(), before->x() + before->width() + number->width() + 12);
            for (const QLabel* label : {before, number, behind})
                QCOMPARE(label->y() + label->height(), panel.height() - 8);
        };
        QCOMPARE(before->text(), QStringLiteral("You are visitor"));
        QCOMPARE(number->text(), QStringLiteral(" 12345 "));
        QCOMPARE(behind->text(), QStringLiteral("since May"));
        QCOMPARE(number->font().pointSize(), 14);
        QVERIFY(number->font().bold() && number->font().underline());
        QCOMPARE(before->font().pointSize(), 10);
        QVERIFY(before->font().italic() && before->font().strikeOut());
        QCOMPARE(number->palette().color(QPalette::WindowText), QColor(0xC0, 0, 0));
        QCOMPARE(d->SampleColor->palette().color(QPalette::Window), QColor(0xFF, 0xF0, 0xE0));
        checkGeometry();

        d->CounterTextBeforeEdit->setText(QStringLiteral("Visitor number"));
        QCOMPARE(before->text(), QStringLiteral("Visitor number"));
        checkGeometry();

        desktop.colour = QColor(0x10, 0x20, 0x30);
        d->ColorBtn->click();
        QCOMPARE(d->CounterColor(), 0x302010);
        QCOMPARE(d->SampleColor->palette().color(QPalette::Window), *desktop.colour);

        // The font chooser opens 8 points larger and stores the choice 8 smaller.
        int offered = 0;
        desktop.font = [&offered](TCounterFont& font) {
            offered = font.Size;
            font.Size = 20;
            font.Italic = false;
            font.Color = 0x0000FF00;
            return true;
        };
        d->CounterNumberFontBtn->click();
        QCOMPARE(offered, 22);
        QCOMPARE(d->CounterNumberFont().Size, 12);
        QCOMPARE(number->font().pointSize(), 12);
        QCOMPARE(number->palette().color(QPalette::WindowText), QColor(0, 0xFF, 0));
        checkGeometry();
        desktop.font = [](TCounterFont&) { return true; }; // confirmed unchanged
        const TCounterFont text = d->CounterTextFont();
        d->CounterTextFontBtn->click();
        QCOMPARE(d->CounterTextFont(), text);
        desktop.font = [](TCounterFont& font) {
            font.Size = 1;
            return false;
        };
        d->CounterTextFontBtn->click();
        QCOMPARE(d->CounterTextFont(), text);
    }

    void fontChooserConfirmedUnchangedKeepsTheFont() {
        // The site names a face this desktop may lack: confirming keeps it.
        const TCounterFont missing{
            0x000000FF, QStringLiteral("No Such Face"), 14, true, false, true, false};
        QCOMPARE(TCounterFontDialog(missing).Font(), missing);
        const TCounterFont plain{0, QStringLiteral("DejaVu Sans"), 10, false, true, false, true};
        QCOMPARE(TCounterFontDialog(plain).Font(), plain);
    }
};

QTEST_MAIN(TestSettingsChecks)
#include "TestSettingsChecks.moc"
