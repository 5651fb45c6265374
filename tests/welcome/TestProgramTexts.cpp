// What the program says and where it sends people. Every window text,
// message, help page and English site text is free of the misspellings
// users found; every address a window can open names a file shipped with the
// program, a file the program wrote for the user, or the user's own site.
#include "common/TestSupport.h"
#include "common/WindowTestSupport.h"

#include "deploy/ScriptedPort.h"
#include "model/DataFiles.h"
#include "model/ProjectStore.h"
#include "model/TableFields.h"
#include "ui/About.h"
#include "ui/DirBrowse.h"
#include "ui/FieldDetails.h"
#include "ui/HelpLauncher.h"
#include "ui/Keyboard.h"
#include "ui/Log.h"
#include "ui/RemoveDB.h"
#include "ui/SelectDB.h"
#include "ui/Settings.h"
#include "ui/SettingsFontDialog.h"
#include "ui/Steps.h"
#include "ui/Trust.h"
#include "ui/Welcome.h"
#include "ui/WindowPort.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPair>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

// The misspellings and broken phrases once found in the program's texts.
const char* const kMisspelt[] = {
    "Administartor",
    "Attantion",
    "Owerwrite",
    "eneterd",
    "informations",
    "sucessful",
    "Editible",
    "You administrator",
    "founded records",
    "lines already exist\\b",
    "internet\\.Select",
    "Here can you",
    "\\b1 images\\b",
    "Settngs",
    "dirctory",
    "Exampel",
    "formate only",
    "canceled\\.Please",
    "want (remove|clear|create|keep)\\b",
    "\\bDatafile\\b",
    "name of Directory",
    "Directory not exists",
    "Date && time format\\.",
    "Number of sortfields",
    "Search Site in WEB",
    "I\\.E\\. 150",
};

// The first misspelling in text, or an empty string.
QString misspelling(const QString& text) {
    for (const char* word : kMisspelt) {
        const QRegularExpression re(QString::fromLatin1(word),
                                    QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = re.match(text);
        if (m.hasMatch())
            return m.captured();
    }
    return {};
}

// Every text a widget shows or offers.
QStringList widgetTexts(const QWidget* w) {
    QStringList texts{w->windowTitle(), w->toolTip(), w->statusTip(), w->whatsThis()};
    if (auto* label = qobject_cast<const QLabel*>(w))
        texts << label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        texts << button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(w))
        texts << group->title();
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        texts << edit->placeholderText();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(w))
        texts << memo->toPlainText() << memo->placeholderText();
    if (auto* combo = qobject_cast<const QComboBox*>(w))
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    if (auto* list = qobject_cast<const QListWidget*>(w))
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
    if (auto* tabs = qobject_cast<const QTabWidget*>(w))
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    for (const QAction* action : w->actions())
        texts << action->text() << action->toolTip() << action->statusTip();
    return texts;
}

// A source file with adjacent string literals joined, so a message split
// over lines reads as one.
QString joinedSource(const QString& path) {
    QString text = QString::fromUtf8(ReadFileBytes(path));
    static const QRegularExpression split(QStringLiteral("\"\\s*\\n\\s*\""));
    return text.replace(split, QString());
}

// What breaks the style of a text a user reads: a blank before "!", "?" or
// ":", capitals that are no acronym (nor part of a date format), German, a
// second spelling of a word. Empty when nothing does.
QString styleFault(const QString& text) {
    static const QSet<QString> acronyms = {
        "ASCII", "BMP",    "CR",   "CSS",   "CSV",  "DB",   "DOUBLE", "DD",   "FTP",
        "FTPS",  "GIF",    "GNU",  "GPL",   "HTML", "HTTP", "HTTPS",  "ID",   "IP",
        "ISO",   "ISP",    "JPEG", "JSON",  "KB",   "LF",   "MB",     "MM",   "NULL",
        "OK",    "PC",     "PHP",  "PNG",   "SFTP", "SHA",  "SQL",    "SSL",  "SSH",
        "TLS",   "TMPDIR", "TRUE", "FALSE", "URL",  "UTF",  "XDG",    "XLSX", "YYYY"};
    static const QRegularExpression capitals(QStringLiteral("\\b[A-Z][A-Z0-9]*[A-Z]\\b"));
    for (const QRegularExpressionMatch& m : capitals.globalMatch(text))
        if (!acronyms.contains(m.captured()))
            return m.captured();
    static const QRegularExpression rules(QStringLiteral(
        "\\s[!?:](?=\\s|$|[\"'])|[\\x{e4}\\x{f6}\\x{fc}\\x{c4}\\x{d6}\\x{dc}\\x{df}]|"
        "\\b([Nn]icht|und|abgebrochen|[Vv]erbindung|[Dd]atei|[Ff]ehler|"
        "data base|E-Mail|Email|email|Logo & [Tt]ext)\\b"));
    return rules.match(text).captured();
}

// The literals of a source file that read as prose: a blank and a small
// letter (names of objects, settings and files have none), no markup (the
// program's own pages, the site's answers), no command line syntax (its
// placeholders are capitals: FILE, NAME). Comments are left out.
// Patterns ("\\b") are no prose.
QStringList proseLiterals(const QString& path) {
    static const QRegularExpression comment(QStringLiteral("(?<![:\"])//[^\\n]*|/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression literal(
        QStringLiteral("(?<![A-Za-z0-9_'])\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    static const QRegularExpression skip(QStringLiteral(
        "^[^a-z]*$|<[A-Za-z!/]|^Usage:|^[a-z][a-z-]* [A-Z]+\\b|(^|[ \\[(|])--?[a-z]|\\\\b"));
    QStringList found;
    for (const QRegularExpressionMatch& m :
         literal.globalMatch(joinedSource(path).remove(comment))) {
        QString text = m.captured(1);
        text.replace(QStringLiteral("\\n"), QStringLiteral(" "))
            .replace(QStringLiteral("\\\""), QStringLiteral("\""));
        if (text.contains(u' ') && !text.contains(skip))
            found << text;
    }
    return found;
}

// The lines of a help page as the browser shows them; what it shows as
// typed (code, keys, file names) stands as one word.
QStringList pageLines(const QString& path) {
    static const QRegularExpression typed(
        QStringLiteral(
            "<(code|kbd|pre|title|style)[^>]*>.*?</\\1>|<span class=\"path\">.*?</span>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression inlineTag(QStringLiteral("</?(span|i|b|em|a)\\b[^>]*>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString html = QString::fromUtf8(ReadFileBytes(path));
    html.replace(typed, QStringLiteral("typed"))
        .remove(inlineTag)
        .replace(tag, QStringLiteral("\n"));
    for (const auto& [entity, shown] :
         {std::pair{"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
        html.replace(QLatin1String(entity), QLatin1String(shown));
    return html.split(u'\n', Qt::SkipEmptyParts);
}

// Every window of the program, as built.
struct TAllWindows {
    TTempStore temp;
    TWelcomeF welcome{temp.Store()};
    TScriptedPort port;
    TFieldDetailsF field{port};
    TSelectDBF select{{QStringLiteral("Books")}, port};
    TRemoveDBF remove{port};
    TDirBrowseF browse{port};
    TWindowPort windows{nullptr, {}};
    TCounterFontDialog font{TCounterFont{}};
    TTrustF trust;
    TAllWindows() {
        TCertificateInfo key;
        key.HostKey = true;
        key.Host = QStringLiteral("sftp.example.org");
        trust.SetInfo(key);
    }
};

// Collects what QDesktopServices is asked to open, whoever asks.
class TOpened : public QObject {
    Q_OBJECT
public:
    TOpened() {
        for (const char* scheme : {"http", "https", "file", "mailto", "ftp"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~TOpened() override {
        for (const char* scheme : {"http", "https", "file", "mailto", "ftp"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }
};

// Activates every link of a label, as clicks on them would.
void clickLinks(QLabel* label) {
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
    for (const QRegularExpressionMatch& m : href.globalMatch(label->text()))
        emit label->linkActivated(m.captured(1));
}

bool under(const QString& file, const QString& folder) {
    const QString root = QDir(folder).canonicalPath();
    return !root.isEmpty() && QFileInfo(file).canonicalFilePath().startsWith(root + u'/');
}

} // namespace

class TestProgramTexts : public QObject {
    Q_OBJECT
private slots:
    void noMisspellingsAnywhere() {
        QStringList found;
        const auto check = [&found](const QString& where, const QString& text) {
            const QString word = misspelling(text);
            if (!word.isEmpty())
                found << where + QStringLiteral(": ") + word;
        };

        // The windows, as built: welcome, main window with its dialogs, and
        // the dialogs made per use.
        TTempStore temp;
        TWelcomeF welcome(temp.Store());
        TScriptedPort port;
        TFieldDetailsF field(port);
        TSelectDBF select({QStringLiteral("Books")}, port);
        TRemoveDBF remove(port);
        TDirBrowseF browse(port);
        for (const QWidget* w : QApplication::allWidgets())
            for (const QString& text : widgetTexts(w))
                check(QString::fromLatin1(w->metaObject()->className()), text);

        // The messages, help texts and site texts written in the sources.
        const QString source = SourceDir();
        for (const QString& folder : {QStringLiteral("src"), QStringLiteral("cli")}) {
            QDirIterator files(QDir(source).filePath(folder), {"*.cpp", "*.h"}, QDir::Files,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString path = files.next();
                check(QDir(source).relativeFilePath(path), joinedSource(path));
            }
        }
        // The manual and the preview page.
        QDirIterator pages(QDir(source).filePath(QStringLiteral("data")), {"*.htm", "*.html"},
                           QDir::Files, QDirIterator::Subdirectories);
        while (pages.hasNext()) {
            const QString path = pages.next();
            check(QDir(source).relativeFilePath(path), QString::fromUtf8(ReadFileBytes(path)));
        }
        // The English texts of the generated site, built in and in Language.ini.
        for (const QString& key : TWebLanguage::Keys())
            check(QStringLiteral("site text ") + key, TWebLanguage::English(key));
        const QString ini = QDir(source).filePath(QStringLiteral("data/Language.ini"));
        for (const QString& language : TWebLanguage::LanguagesFrom(ini)) {
            if (!language.contains(QStringLiteral("English"), Qt::CaseInsensitive))
                continue;
            TWebLanguage texts;
            texts.LoadFrom(ini, language);
            for (const QString& key : TWebLanguage::Keys())
                check(language + QStringLiteral(" site text ") + key, texts.Text(key));
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
        // The list itself is alive: it finds what it is meant to find.
        QCOMPARE(misspelling(QStringLiteral("Table (x) with 2 lines already exist on the server.")),
                 QStringLiteral("lines already exist"));
        QVERIFY(misspelling(QStringLiteral("Table (x) with 2 lines already exists.")).isEmpty());
    }

    // Every window text, message and help page: no blank before "!", "?"
    // or ":", no shouting capitals, no German, one spelling of each word.
    void everyTextKeepsTheStyle() {
        QStringList found;
        // Window texts and literals mark Alt keys ("&Save", "Logo && text").
        const auto check = [&found](const QString& where, const QString& text, bool marked) {
            const QString fault = styleFault(marked ? Keyboard::Shown(text) : text);
            if (!fault.isEmpty())
                found << QStringLiteral("%1: \"%2\" in \"%3\"").arg(where, fault, text.left(120));
        };
        TAllWindows all;
        for (const QWidget* w : QApplication::allWidgets())
            for (const QString& text : widgetTexts(w))
                check(QString::fromLatin1(w->metaObject()->className()), text, true);
        // The generator's literals are PHP and SQL, its texts the site texts.
        const QDir source(SourceDir());
        for (const char* folder : {"src/ui", "src/deploy", "src/model", "src/net", "cli", "app"}) {
            QDirIterator files(source.filePath(QString::fromLatin1(folder)), {"*.cpp", "*.h"},
                               QDir::Files);
            while (files.hasNext()) {
                const QString path = files.next();
                if (!path.endsWith(QLatin1String("SqlNames.cpp"))) // reserved SQL words
                    for (const QString& text : proseLiterals(path))
                        check(source.relativeFilePath(path), text, true);
            }
        }
        QDirIterator pages(source.filePath(QStringLiteral("data/help")), {"*.htm"}, QDir::Files);
        while (pages.hasNext()) {
            const QString path = pages.next();
            for (const QString& line : pageLines(path))
                check(source.relativeFilePath(path), line, false);
        }
        for (const QString& key : TWebLanguage::Keys())
            if (key != QLatin1String("CharSet"))
                check(QStringLiteral("site text ") + key, TWebLanguage::English(key), false);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));

        for (const char* bad :
             {"Generator !", "Version : 1.0", "on the server ?", "WELCOME",
              "Verbindung abgebrochen", "Übertragung", "data base", "Send Email", "Logo & Text"})
            QVERIFY2(!styleFault(QString::fromUtf8(bad)).isEmpty(), bad);
        for (const char* good : {"Version: 1.0", "FTP over TLS", "DD/MM/YYYY hh:mm",
                                 "on the server?", "\"Next\" leads on"})
            QVERIFY2(styleFault(QString::fromUtf8(good)).isEmpty(), good);
    }

    // Alt and a letter reach every button, check box and captioned entry,
    // and no two controls shown together share the letter.
    void everyControlHasItsOwnAltKey() {
        TAllWindows all;
        QStringList faults;
        QMap<QPair<QWidget*, QWidget*>, QString> letters; // (window, page) -> letters
        for (QWidget* w : QApplication::allWidgets()) {
            // Toolbar buttons answer through the menus' entries.
            if (w->window()->inherits("QFileDialog") || !w->isVisibleTo(w->window()) ||
                qobject_cast<QToolBar*>(w->parentWidget()))
                continue;
            auto* label = qobject_cast<QLabel*>(w);
            auto* button = qobject_cast<QAbstractButton*>(w);
            const QString text = button                    ? button->text()
                                 : label && label->buddy() ? label->text()
                                                           : QString();
            if (!text.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
                continue;
            QWidget* page = w; // the page of a stacked container it lies on
            while (page && !page->isWindow() &&
                   !qobject_cast<QStackedWidget*>(page->parentWidget()))
                page = page->parentWidget();
            const QChar letter = Keyboard::Mnemonic(text);
            QString& taken = letters[{w->window(), page && !page->isWindow() ? page : nullptr}];
            if (letter.isNull() || taken.contains(letter))
                faults << QString::fromLatin1(w->window()->metaObject()->className()) + u' ' + text;
            taken += letter;
        }
        for (auto it = letters.begin(); it != letters.end(); ++it)
            for (QChar letter : it.value())
                if (it.key().second && letters.value({it.key().first, nullptr}).contains(letter))
                    faults << QStringLiteral("letter %1 on a page and beside it").arg(letter);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void everyAddressNamesAShippedFileOrTheUsersSite() {
        TOpened opened;
        QTemporaryDir home;
        TEnvVar data("XDG_DATA_HOME", home.path());
        TTempStore temp;
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("Club");
        t.URL = QStringLiteral("http://club.example.org/members/");
        ProjectStore::Save(temp.Store(), t);

        TWelcomeF welcome(temp.Store());
        TMainF& main = *welcome.MainF;
        main.SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
        welcome.SetDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
        main.SetTable(ProjectStore::Load(temp.Store(), t.DbName));

        // The welcome window's manual and link buttons, the main window's help.
        for (QPushButton* b : {welcome.ManualBtn, welcome.FaqBtn, welcome.NewsBtn,
                               welcome.WebSiteBtn, welcome.AddDbBtn, welcome.BugBtn})
            b->click();
        main.HelpA->trigger();
        // The links of About and of the Steps window.
        clickLinks(main.About->WebLink);
        for (QLabel* label : main.Steps->findChildren<QLabel*>())
            clickLinks(label);
        // The settings: help of every page, both "Download" buttons, Preview.
        TSettingsF& settings = *main.Settings;
        settings.LoadFrom(main.Table());
        for (int page = 0; page < settings.PageControl->count(); ++page) {
            settings.SelectPage(page);
            settings.HelpBtn->click();
        }
        settings.DownLoadCssButton->click();
        settings.DownloadLanguages->click();
        settings.PreviewCssButton->click();
        // The upload report's buttons.
        TWindowPort port(nullptr, {});
        port.ReportWindow().ShowSiteButtons(t.URL);
        port.ReportWindow().VisitorsBtn->click();
        port.ReportWindow().AdminBtn->click();

        QVERIFY(opened.urls.size() >= 25);
        const QString shipped = DataFolder();
        const QString written = UserDataFolder();
        for (QUrl url : opened.urls) {
            const QString text = url.toString();
            if (url.isLocalFile()) {
                QString file = url.toLocalFile();
                // A page of a section is opened through a page that leads on
                // to it (desktops drop the "#section" of a file): follow it.
                if (file.contains(QLatin1String("/help-links/"))) {
                    static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
                    const QUrl target(
                        href.match(QString::fromUtf8(ReadFileBytes(file))).captured(1));
                    QVERIFY2(target.isLocalFile() && target.hasFragment(), qPrintable(text));
                    url = target;
                    file = target.toLocalFile();
                }
                QVERIFY2(QFileInfo::exists(file), qPrintable(text));
                QVERIFY2(under(file, shipped) || under(file, written), qPrintable(text));
                if (url.hasFragment())
                    QVERIFY2(ReadFileBytes(file).contains("id=\"" + url.fragment().toUtf8() + "\""),
                             qPrintable(text));
            } else {
                QVERIFY2(text.startsWith(t.URL), qPrintable(text));
            }
        }
        // Nothing in the sources points at a place that does not exist.
        QDirIterator files(QDir(SourceDir()).filePath(QStringLiteral("src")), {"*.cpp", "*.h"},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QVERIFY2(!ReadFileBytes(path).contains("corvanta.example"), qPrintable(path));
        }
    }
};

QTEST_MAIN(TestProgramTexts)
#include "TestProgramTexts.moc"
