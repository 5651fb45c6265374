#include "model/IniFile.h"
#include "model/WebLanguage.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

namespace {

// Every class the generated pages refer to. Result columns are numbered
// (searchresult_1, searchresult_2, ...); skins style them through the table.
// clang-format off
const QStringList kCssClasses = {
    "login", "menu", "search", "add", "modify", "delete", "users", "changepassword",
    "corvanta_ok", "corvanta_error", "start_of_data", "end_of_data", "start_of_users",
    "end_of_users", "start_of_images", "end_of_images", "searchtext", "addtext", "modifytext",
    "deletetext", "logintext", "menutext", "requestidpasswordtext", "menuitem", "counter",
    "admin_password", "admin_password_label", "admin_password_value", "user_id_password",
    "user_email", "user_email_label", "user_email_value", "user_password",
    "user_password_label", "user_password_value", "user_repassword", "user_repassword_label",
    "user_repassword_value", "request_id_password", "request_email", "request_email_label",
    "request_email_value", "users_odd", "users_even", "users_username", "users_modify",
    "users_delete", "users_sendpassword", "change_password", "change_password_email",
    "change_password_email_label", "change_password_email_value", "change_password_oldpassword",
    "change_password_oldpassword_label", "change_password_oldpassword_value",
    "change_password_newpassword", "change_password_newpassword_label",
    "change_password_newpassword_value", "change_password_repassword",
    "change_password_repassword_label", "change_password_repassword_value", "createform",
    "createform_odd", "createform_even", "createform_label", "createform_value", "searchform",
    "searchform_head", "searchform_odd", "searchform_even", "searchform_field",
    "searchform_operator", "searchform_value", "searchorder", "searchorder_head",
    "searchorder_odd", "searchorder_even", "searchorder_nr", "searchorder_field",
    "searchorder_order", "search_user_id_password", "searchresult", "searchresult_head",
    "searchresult_odd", "searchresult_even", "searchresult_nr", "searchresult_modify",
    "searchresult_delete", "next", "previous", "back", "hidden_label", "field_error", "invalid",
    "searchresult_box", "searchresult_range", "pages", "page", "page_current", "page_gap",
    "confirm", "danger"};
// clang-format on

// The topics the program opens.
// clang-format off
const QStringList kHelpTopics = {
    "Intro.htm", "Database.htm", "FieldsWin.htm", "GenerateUpload.htm", "Security.htm",
    "PropAppearance.htm", "PropConnection.htm", "PropDatabase.htm", "PropAdministrator.htm",
    "PropEmail.htm", "PropImportExport.htm", "PropLogoText.htm", "PropAdminLogoText.htm",
    "PropCounter.htm", "Growing.htm", "Spreadsheets.htm"};
// clang-format on

QString DataPath(const QString& name) {
    return QDir(SourceDir()).filePath("data/" + name);
}

// Strict UTF-8: the language reader falls back to Latin-1 on a single bad
// byte, which would garble every text of the file.
QString ReadUtf8(const QString& path, bool* valid = nullptr) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(ReadFileBytes(path));
    if (valid)
        *valid = !utf8.hasError();
    return text;
}

QStringList Lines(const QString& text) {
    QStringList lines = text.split('\n');
    for (QString& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

int FirstLineWith(const QStringList& lines, const QString& marker) {
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).contains(marker))
            return i;
    return -1;
}

QString WithoutCssComments(QString css) {
    static const QRegularExpression comment("/\\*.*?\\*/",
                                            QRegularExpression::DotMatchesEverythingOption);
    return css.remove(comment);
}

// The skins are put together by the build, beside the executables.
QString SkinPath(const QString& name) {
    return QDir(BinDir()).filePath("skins/" + name);
}

QStringList Skins() {
    return QDir(SkinPath({})).entryList({"*.css"}, QDir::Files, QDir::Name);
}

} // namespace

class TestShippedData : public QObject {
    Q_OBJECT

private slots:
    void languagesAreCompleteAndSafe() {
        bool utf8 = false;
        const QString text = ReadUtf8(DataPath("Language.ini"), &utf8);
        QVERIFY2(utf8, "Language.ini is not valid UTF-8");
        const TIniFile ini = TIniFile::Parse(text.toUtf8());
        const QStringList sections = ini.sections();
        QVERIFY(sections.size() >= 2);
        QCOMPARE(sections.mid(0, 2), QStringList({"German", "French"}));

        // A misspelt key would silently leave the English text in place.
        QString section;
        for (const QString& line : Lines(text)) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith('['))
                section = trimmed.mid(1, trimmed.indexOf(']') - 1);
            else if (!trimmed.isEmpty() && !trimmed.startsWith(';'))
                QVERIFY2(TWebLanguage::IsKey(trimmed.section('=', 0, 0).trimmed()),
                         qPrintable(section + ": unknown key in " + trimmed));
        }

        for (const QString& name : sections) {
            for (const QString& key : TWebLanguage::Keys()) {
                bool found = false;
                const QString value = ini.value(name, key, &found);
                const QString where = name + "/" + key;
                QVERIFY2(found && !value.isEmpty(), qPrintable(where + " is missing or empty"));
                QCOMPARE(value.count('#'), TWebLanguage::English(key).count('#'));
                // Texts land in PHP and JavaScript string literals.
                QVERIFY2(!value.contains('"') && !value.contains('\\') && !value.contains('$'),
                         qPrintable(where + " holds a quote, backslash or dollar sign"));
            }
            QCOMPARE(ini.value(name, "CharSet"), QStringLiteral("UTF-8"));
        }

        // The reader sees the same texts.
        TWebLanguage german;
        german.LoadFrom(DataPath("Language.ini"), "German");
        QCOMPARE(german.Text("MainTitle"), QStringLiteral("Corvanta-Datenbank"));
        QCOMPARE(german.Text("NumberCheck"), QStringLiteral("# ist keine gültige Zahl"));
    }

    void skinsCoverTheClassVocabulary() {
        const QStringList skins = Skins();
        QVERIFY(skins.contains("default.css"));
        QVERIFY(skins.size() >= 3);
        for (const QString& skin : skins) {
            const QString css = WithoutCssComments(ReadUtf8(SkinPath(skin)));
            QCOMPARE(css.count('{'), css.count('}'));
            QStringList missing;
            for (const QString& name : kCssClasses) {
                const QRegularExpression selector("\\." + name + "(?![A-Za-z0-9_-])");
                if (!selector.match(css).hasMatch())
                    missing << name;
            }
            QVERIFY2(missing.isEmpty(), qPrintable(skin + " lacks: " + missing.join(", ")));
            // A user's copy must work on its own, wherever it is put.
            QVERIFY2(!css.contains("@import") && !css.contains("url("), qPrintable(skin));
            QVERIFY2(css.contains("@media (max-width: 640px)"), qPrintable(skin));
        }
    }

    // The settings dialog replaces the first line holding the marker with
    // "background-image: url(NAME)", without a semicolon.
    void skinsKeepOneBackgroundLineClosingTheBodyRule() {
        for (const QString& skin : Skins()) {
            const QStringList lines = Lines(ReadUtf8(SkinPath(skin)));
            QCOMPARE(lines.filter("background-image").size(), 1);
            const int at = FirstLineWith(lines, "background-image");
            QCOMPARE(lines.at(at).trimmed(), QStringLiteral("background-image: none;"));
            QCOMPARE(lines.value(at + 1).trimmed(), QStringLiteral("}"));
            const QString before = WithoutCssComments(lines.mid(0, at).join('\n'));
            const qsizetype open = before.lastIndexOf('{');
            const QString selector = before.mid(before.lastIndexOf('}', open) + 1,
                                                open - before.lastIndexOf('}', open) - 1);
            QCOMPARE(selector.trimmed(), QStringLiteral("body"));
        }
    }

    void previewHasItsMarkerLines() {
        const QStringList lines = Lines(ReadUtf8(DataPath("preview.htm")));
        const int sheet = FirstLineWith(lines, "stylesheet");
        const int logo = FirstLineWith(lines, "<img SRC");
        const int title = FirstLineWith(lines, "H1");
        QVERIFY(sheet >= 0 && logo >= 0 && title >= 0);
        // Both preview operations must rewrite the same lines.
        QCOMPARE(FirstLineWith(lines, "<img SRC=File"), logo);
        QCOMPARE(FirstLineWith(lines, "<H1>"), title);
        QCOMPARE(QSet<int>({sheet, logo, title}).size(), 3);

        const QRegularExpression href("href=\"([^\"]+)\"");
        const QString sheetFile = href.match(lines.at(sheet)).captured(1);
        QVERIFY2(QFileInfo::exists(QDir(BinDir()).filePath(sheetFile)), qPrintable(sheetFile));

        QSet<QString> used;
        const QRegularExpression cls("CLASS=\"([^\"]+)\"");
        for (const QString& line : lines)
            for (const auto& m : cls.globalMatch(line))
                for (const QString& name : m.captured(1).split(' ', Qt::SkipEmptyParts))
                    used << name;
        static const QRegularExpression column("^searchresult_[0-9]+$");
        for (const QString& name : used)
            QVERIFY2(kCssClasses.contains(name) || column.match(name).hasMatch(),
                     qPrintable("preview uses an unknown class " + name));
        for (const char* sample : {"menu", "menuitem", "searchform", "searchresult_head",
                                   "searchresult_odd", "searchresult_even", "createform_odd",
                                   "createform_even", "corvanta_ok", "corvanta_error"})
            QVERIFY2(used.contains(sample), sample);
    }

    void helpTopicsExistAndLinksResolve() {
        const QDir help(DataPath("help"));
        for (const QString& topic : kHelpTopics)
            QVERIFY2(help.exists(topic), qPrintable(topic));
        const QString intro = ReadUtf8(help.filePath("Intro.htm"));
        for (const QString& topic : kHelpTopics.mid(1))
            QVERIFY2(intro.contains("href=\"" + topic), qPrintable("contents lack " + topic));

        const QRegularExpression ref("<[A-Za-z][^>]*\\s(?:href|src)=\"([^\"]*)\"");
        for (const QString& page : help.entryList({"*.htm"}, QDir::Files)) {
            const QString html = ReadUtf8(help.filePath(page));
            for (const auto& m : ref.globalMatch(html)) {
                const QString target = m.captured(1);
                const QString where = page + " -> " + target;
                QVERIFY2(!target.contains(':'), qPrintable(where + " leaves the manual"));
                const QString file = target.section('#', 0, 0);
                const QString anchor = target.section('#', 1);
                QVERIFY2(file.isEmpty() || help.exists(file), qPrintable(where));
                if (!anchor.isEmpty()) {
                    const QString linked = file.isEmpty() ? html : ReadUtf8(help.filePath(file));
                    QVERIFY2(linked.contains("id=\"" + anchor + "\""), qPrintable(where));
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestShippedData)
#include "TestShippedData.moc"
