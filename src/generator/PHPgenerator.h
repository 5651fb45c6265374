#pragma once

#include "OutputFile.h"
#include "model/TableFields.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Values a template may name besides the settings, the field attributes and
// the messages: {page}, {class}, ...
using TTemplateVars = QList<std::pair<QString, QString>>;

// A unique key of the record table: its columns, the field whose values must
// not repeat (nullptr for the key the Key fields make together), and the
// name the database gives it.
struct TUniqueKey {
    QStringList columns;
    const TBField* field;
    QString name;
};

// An index the record table gets so a search filter need not read every
// row: on a number, a date or a short text of a searchable field. A text
// column (TEXT) is indexed by its first `prefix` characters.
struct TSearchIndex {
    enum class TKind { Number, Date, Text };
    QString column;
    TKind kind;
    QString name;   // "search_" + column
    int prefix = 0; // Text only
    // "INDEX name (column)" or "INDEX name (column(prefix))"
    QString Sql() const;
};

// A column of the record table as create_db.php makes it.
struct TColumnDef {
    enum class TRole {
        Value,  // the field's value (FieldName)
        Second, // the second column of "Image link", "Mailto", "Hyperlink"
        Lock,   // FieldName_USEREDIT: whether the member may change the value
    };
    QString name;
    QString type;         // "TEXT", "VARCHAR(30)", "INTEGER", "REAL", "BOOL"
    QString defaultValue; // "0", "1", or empty for none
    bool notNull = false;
    bool autoIncrement = false;
    const TBField* field = nullptr;
    TRole role = TRole::Value;

    // What the column's COMMENT records: the type of the field whose value
    // it holds, so a later change of the field's type is seen even where
    // the column's SQL type stays. Empty for a lock column.
    QString Comment() const;
    // "name TYPE [DEFAULT d] [NOT NULL] ... COMMENT '...'", as CREATE TABLE
    // and ALTER TABLE write it; `nullable` leaves NOT NULL out.
    QString Sql(bool nullable = false) const;
    // SQL that is true for a stored value of column `column` (any type) that
    // would not become this column's value exactly; NULL never counts.
    QString Misfit(const QString& column) const;
};

// A statement alter_db.php runs: `sql` is a whole statement; an ALTER TABLE
// is tried with the lightest algorithm the server accepts. Before it runs,
// the columns of `recheck` (column => SQL of TColumnDef::Misfit) must hold
// no value that does not fit. `phase` is the request's "phase" that runs it.
struct TSchemaStatement {
    QString table;
    QString sql;
    bool alter = true;
    QList<std::pair<QString, QString>> recheck;
    int phase = 1;
};

// Writes the files of the generated web site from a table definition: the
// visitor site in LocalPath, the administrator site in LocalPath + "admin/",
// the maintenance scripts and the site's runtime layer.
//
// Every file operation returns true when all its files were written, and
// false after the first file it could not open (the warning callback has then
// been given "File access error to " + the path). A write that fails after the
// open raises EInOutError, which ends the operation and propagates.
//
// Adding a generated file: implement its operation in a source of this folder
// as
//
//     bool TPHPGenerator::SearchPage(const TBTable& t, bool admin) {
//         return WriteFile(t, admin, QStringLiteral("search.php"), [&] {
//             PageHead(admin, QStringLiteral("search.php"), QStringLiteral("search"));
//             Lines(uR"php(
//     <FORM NAME="SearchRecord" METHOD="POST" ACTION="search.php">
//       <INPUT TYPE="submit" VALUE="{msg:SearchButton}">
//     )php");
//             for (const TBField& f : t.Fields)
//                 Lines(u"        if (fname == \"{FieldName}\") {", f);
//         });
//     }
//
// Template text: one raw string literal per block of lines, written line by
// line with CR LF (the line break right after the opening and the one before
// the closing delimiter are not lines). Placeholders, filled after the block
// is split into lines (so a value's own line breaks stay as they are):
//   {Name}        a setting of the table definition, or inside a per-field
//                 block an attribute of the field ({FieldName}, {MaxLength});
//                 integers in decimal, bools as 1 or 0
//   {msg:Key}     the text of a message of the site
//   {page} ...    a value passed in TTemplateVars
// A value is escaped for HTML (text and quoted attributes alike), unless it
// is the site owner's own markup (the messages, the title, the intro and
// counter texts), or the first filter names another context:
//   |raw          as it is: code or markup the generator made, or a text
//                 that does not go into a page (a password, an e-mail text)
//   |js           escaped for a JavaScript string literal (safe in a SCRIPT
//                 element and in an event attribute), not for HTML
// The other filters then apply left to right:
//   |php          escaped for a PHP double-quoted string literal (\ " $)
//   |js           escaped for a JavaScript string literal
//   |br           every CR LF pair becomes <BR>
//   |colour       a colour setting as six hexadecimal digits RRGGBB
// So {Name|php} is a label escaped for HTML inside a PHP literal that
// prints it, {DatabasePassword|raw|php} a password in a PHP literal, and
// {msg:DeleteConfirm|js|php} a message in a JavaScript literal that PHP
// prints.
// An unknown name is a programming error (std::logic_error).
//
// Every .php file except runtime.php begins with the line that loads the
// runtime layer; WriteFile writes it. The runtime layer (runtime.php) gives
// the scripts, besides the old mysql_* functions and $HTTP_POST_VARS /
// $HTTP_POST_FILES:
//   corvanta_token($v)     $v when it is a session token (32 lower-case hex
//                          digits), otherwise 0
//   corvanta_new_token()   a fresh session token (128 random bits)
//   corvanta_query($name)  the value of $name in the query string, or null
//   corvanta_html($s)      $s escaped for HTML in the pages' character set
//   corvanta_js($s)        $s escaped for a JavaScript string literal
//   corvanta_real($v)      a posted number as SQL text (decimal comma
//                          allowed; anything else gives 0)
//   corvanta_picture_type($name)  the type of a picture uploaded under
//                          $name read from its bytes (JPEG, PNG, GIF), or ""
//   corvanta_store_picture($column, $userid, $keep), corvanta_kept_picture,
//   corvanta_claim_picture, corvanta_replace_picture,
//   corvanta_settle_pictures(), corvanta_sweep_pictures()  pictures of a
//                          record change (PictureRuntime.cpp)
//   corvanta_picture_key($imageid)  the random key that names a picture in
//                          addresses (get_image.php?imageid=KEY)
//   corvanta_form_field()  the hidden token field of every POST form
//   corvanta_href($url)    $url for HREF, or "#" for a script address
//   corvanta_session_cookie()  the token of the folder's session cookie, or 0
//   corvanta_set_session_cookie($token), corvanta_end_session_cookie()
//   corvanta_client()      the visitor's address (X-Forwarded-For only from
//                          the owner's TrustedProxies)
//   corvanta_see_other()   the same page again by GET (after a login)
//   corvanta_login_try($account), corvanta_login_passed($account),
//   corvanta_mail_try($account), corvanta_notice_try($address),
//   corvanta_admin_try(), corvanta_admin_passed()
//                          false while the account or client must wait
//   corvanta_date_ok($post, $name, $shown)  a posted date is a real one
//   corvanta_picture_problem($name)  "", "large", "type" or "lost"
//   corvanta_picture_limit(), corvanta_size_text($bytes), corvanta_post_lost()
//   corvanta_email($s)     one valid address, or false
//   corvanta_mail(...)     mail() to one valid address, without NUL bytes
//   corvanta_refusal($errno, $error, $keys, $otherwise)  the message of the
//                          unique key a refused INSERT or UPDATE named
// and sets the QUERY_STRING environment value where the server does not, so
// getenv("QUERY_STRING") works everywhere. Every page it loads sends its
// character set, Referrer-Policy, nosniff, ContentSecurityPolicy() and a
// frame policy in its headers (member and administrator pages no-store), and
// a form sent by another site's page, or with a cookie of the site but
// without its form token, is refused with 403 before the page runs.
//
// Sessions: {TableName}_SESSIONS is
//   sessionid CHAR(32) NOT NULL   the token, corvanta_new_token()
//   userid INTEGER                0 for the administrator, else the member
//   logindate VARCHAR(14)         last page view, "YmdHis"
//   logintime VARCHAR(14)         the login, "YmdHis" (12 hours at most)
//   PRIMARY KEY (sessionid)
// The token travels only in a cookie of its folder (SessionCookie), never in
// a URL or a form. A token is used only after corvanta_token() accepted it,
// and always as a quoted SQL text. Failed logins and password mails are
// counted in {TableName}_LOGINS (TriesTableSql).
//
// Maintenance scripts (create_db.php, remove_db.php, import_db.php,
// export_db_0.php, export_db.php, columns_db.php, alter_db.php) act only when requested with the
// key they were generated with: URL + KeyedScript(name). Any other request gets a "corvanta_error"
// paragraph and changes nothing. Each generation draws a fresh key; the generator remembers the
// last key of each script.
class TPHPGenerator {
public:
    using TWarning = std::function<void(const QString& text)>;

    explicit TPHPGenerator(TWarning warning = {});
    ~TPHPGenerator();
    TPHPGenerator(const TPHPGenerator&) = delete;
    TPHPGenerator& operator=(const TPHPGenerator&) = delete;

    // --- File operations ------------------------------------------------

    bool CreateScript(const TBTable& t); // create_db.php
    // columns_db.php: reads the live tables (which exist, the record table's
    // columns and unique keys, how many values each column holds, with
    // "&check=a,b" the values of those columns that would not convert to the
    // definition's type, with "&keys=k" the values that repeat for those keys).
    bool ColumnsScript(const TBTable& t);
    // alter_db.php: runs the statements of `phase` ("&phase=N").
    bool AlterScript(const TBTable& t, const std::vector<TSchemaStatement>& statements);
    bool RemoveScript(const TBTable& t); // remove_db.php (any definition)
    // import_db.php; the fields of `lockless` have no lock column to read
    // (a backup of columns about to be dropped): they count as open.
    bool DownloadScript(const TBTable& t, const QStringList& lockless = {});
    bool RecordCountScript(const TBTable& t); // export_db_0.php
    // export_db.php: stages the parts of an export that the desktop sends
    // and makes them live at once (the protocol is described in its source).
    bool UploadScript(const TBTable& t);
    // The tables an export keeps while it runs (staged and replaced copies,
    // its state), for removing the site.
    static QStringList TransferTables(const TBTable& t);
    // The MySQL name of the character set the scripts talk to the database
    // in (CORVANTA_DB_CHARSET of runtime.php).
    static QString DatabaseCharset(const TBTable& t);
    // runtime.php of the visitor site, or with admin of the administrator site.
    bool RuntimeScript(const TBTable& t, bool admin);

    // Administrator: admin/index.php, admin/index.html, admin/login.php,
    // admin/menu.php, admin/logout.php; visitor: index.php, index.html,
    // .htaccess, login.php ("Login" mode), inc_counter.php, menu.php,
    // logout.php (where visitors log in).
    bool EntryPages(const TBTable& t, bool admin);
    // logout.php of the visitor or the administrator site (EntryPages writes
    // it where the site has sessions).
    bool LogoutPage(const TBTable& t, bool admin);
    bool UsersPage(const TBTable& t);                 // admin/users.php
    bool PasswordPage(const TBTable& t, bool admin);  // change_password.php
    bool ImageDownload(const TBTable& t, bool admin); // get_image.php
    bool ImagePage(const TBTable& t, bool admin);     // show_image.php
    bool AddPage(const TBTable& t, bool admin);       // add_record.php
    bool ModifyPage(const TBTable& t, bool admin);    // modify_record.php
    bool DeletePage(const TBTable& t, bool admin);    // delete_record.php
    bool SearchPage(const TBTable& t, bool admin);    // search.php
    // site.js: what the pages do in the browser (they carry no script of
    // their own); .htaccess: the headers of the files an Apache host sends
    // as they are. One of each per folder.
    bool SiteScript(const TBTable& t, bool admin);
    bool ServerRules(const TBTable& t, bool admin);
    // confirm.php: a member who joined confirms his address (Join mode with
    // e-mail notices, see NeedsConfirmation).
    bool ConfirmPage(const TBTable& t);
    static bool NeedsConfirmation(const TBTable& t);
    bool RecordPage(const TBTable& t, bool admin); // record.php

    // --- Keys of the maintenance scripts --------------------------------

    static const QStringList& MaintenanceScripts();

    // --- Sessions ---------------------------------------------------------

    // The name of the session cookie of the visitor or administrator folder,
    // and of its form-session cookie.
    static QString SessionCookie(const TBTable& t, bool admin);
    static QString FormCookie(const TBTable& t, bool admin);
    // The Content-Security-Policy of every page and static file: scripts and
    // styles of the site only, no plugins, frames of the site only.
    static QString ContentSecurityPolicy();
    // Visitors log in somewhere on this site (Login and Join modes).
    static bool HasVisitorSessions(const TBTable& t);
    // The columns create_db.php gives the record table, in its order.
    static std::vector<TColumnDef> RecordColumns(const TBTable& t);
    // The site's other tables (members, visits, sessions, pictures, tries)
    // and the statement that creates each.
    static QList<std::pair<QString, QString>> OtherTables(const TBTable& t);
    // The unique keys create_db.php gives the record table, in its order.
    static std::vector<TUniqueKey> UniqueKeys(const TBTable& t);
    // The search indexes the definition wants on the record table, in field
    // order (create_db.php creates them with the table; a later change of
    // the definition adds and drops the difference).
    static std::vector<TSearchIndex> SearchIndexes(const TBTable& t);
    // The table of counted tries, and the SQL that creates it.
    static QString TriesTable(const TBTable& t);
    static QString TriesTableSql(const TBTable& t);
    // The key `script` was last written with; empty before that.
    QString ScriptKey(const QString& script) const;
    // `script` + "?key=" + its key: what to append to the site's URL.
    QString KeyedScript(const QString& script) const;
    // A fresh random key: 128 bits as 32 lower-case hexadecimal digits.
    static QString NewKey();

    // --- The frame the operations are written with ----------------------

    // LocalPath + file name, or LocalPath + "admin/" + file name.
    static QString OutputPath(const TBTable& t, bool admin, const QString& fileName);
    // Opens the file, runs `body` (which writes through the functions below),
    // closes the file. False after warning of a failed open.
    bool WriteFile(const TBTable& t, bool admin, const QString& fileName,
                   const std::function<void()>& body);
    bool WriteFileAt(const TBTable& t, const QString& path, const std::function<void()>& body);
    // The files written since ForgetUnchanged() whose bytes were already
    // there: they were left as they were.
    bool Unchanged(const QString& path) const { return unchanged_.contains(path); }
    void ForgetUnchanged() { unchanged_.clear(); }

    // The table definition of the operation that is running.
    const TBTable& Table() const;

    // Template blocks (see above), into the open file.
    void Lines(QStringView block, const TTemplateVars& vars = {});
    void Lines(QStringView block, const TBField& field, const TTemplateVars& vars = {});
    // The filled text of one template line, without writing it.
    QString Fill(QStringView text, const TBField* field = nullptr,
                 const TTemplateVars& vars = {}) const;
    // Text exactly as given: one line with its CR LF, or no line end.
    void WriteLine(QStringView text);
    void WriteText(QStringView text);

    // --- Shared snippets (into the open file) ---------------------------

    void ConnectSnippet(const QString& indent, const TBTable& t);
    void CloseSnippet(const QString& indent);
    // The start of every page up to its style sheet, the HEAD left open:
    // doctype, language, character set, viewport, title.
    void HtmlHead();
    // After BODY: on a one-page site the menu, then MAIN.
    void PageTop(bool admin);
    // The logo, menu text, links and counter of a site's menu (the menu
    // frame's page, or the top of every one-page page).
    void MenuSnippet(bool admin);
    // A page that leads straight on to `target`.
    void RedirectPage(const QString& target);
    // A maintenance script gives up on a table a visitor's page holds within
    // seconds, so it answers before the desktop stops waiting.
    void LockWaitSnippet();
    // Page head with its login gate; `page` is the file name, `bodyClass`
    // the class of BODY.
    void PageHead(bool admin, const QString& page, const QString& bodyClass);
    void LoginGate(bool admin, const QString& page);
    // The password forms of the login gate and the login pages, posting to
    // `page`.
    void AdminPasswordForm(const QString& page);
    void MemberLoginForm(const QString& page);
    // Below a visitor's login form: how to become a member, in the site's
    // access mode.
    void MembershipNote();
    void SessionCheck(bool admin);
    // The messages of a failed login (inside PHP, after the session check).
    void LoginMessages(bool admin);
    // The menu's Logout entry: it ends the session of the folder.
    void LogoutEntry();
    void CredentialRows(bool hidden, bool requiredMark);
    // Position "Menu" or "Search Form".
    void VisitCounter(const QString& position);
    // The counter has colours of its own (none is a system colour), and the
    // smaller contrast of its texts against its background (21 where the
    // skin's colours are used).
    static bool CounterHasColours(const TBTable& t);
    static double CounterContrast(const TBTable& t);
    // One more visit in the counter table (its own connection).
    void VisitCountSnippet(const QString& indent);
    // .htaccess: compression and cache lifetimes where an Apache host
    // lets a folder set them.
    void HostSettings();
    // The refusal at the top of a maintenance script: draws the key.
    void KeyGate(const QString& script);

    // --- Record snippets (into the open file) ---------------------------

    enum class TFormMode { Display = 1, Create = 2, Modify = 3 };

    // Checks a posted record, leaving the refusals in $fielderrors (by
    // field) and $formerrors, and the verdict so far in $fieldsarevalid.
    // `extra` is SQL text (inside a PHP double-quoted literal) appended to
    // the key and duplicate queries; `modify` is set on the modify page,
    // where a record keeps its picture.
    void ValidationSnippet(const QString& indent, const QString& extra, bool admin, bool modify);
    // The verdict of the checks in $fieldsarevalid, and their refusals at the
    // top of the form.
    void ValidationSummary(const QString& indent);
    // Prints one stored value of `source`["..."] in human form after `prefix`
    // (the beginning of a PHP statement that takes a string); `render` makes
    // HTML (escaped values, links, pictures), otherwise plain text; `hiddenCopy`
    // adds hidden inputs carrying the stored value.
    void ValueDisplaySnippet(const QString& indent, const TBField& f, bool render, bool hiddenCopy,
                             const QString& prefix, const QString& source);
    // One record as an HTML table: read-only, a create form or a modify form.
    // `source` is empty (blank form), "$HTTP_POST_VARS" or "$rec".
    void RecordForm(const QString& indent, bool admin, const QString& action, const QString& source,
                    TFormMode mode);
    // The controls of one field by its input type.
    void InputWidget(const QString& indent, const TBField& f, const QString& source);
    // The paged table of the rows of $res (at most LinesPerPage + 1 fetched).
    void ResultTable(const QString& indent, bool displayLink, const QString& action, bool admin,
                     bool deleteColumn, bool modifyColumn);
    // Mails the owner of $rec what happened to it.
    void NotificationSnippet(const QString& indent, const QString& action);

    // --- Texts for templates --------------------------------------------

    // For HTML text or a quoted attribute: & < > " '.
    static QString HtmlText(QStringView text);
    // For a PHP double-quoted literal: backslash, double quote, dollar sign.
    static QString PhpString(QStringView text);
    // Bytes as the content of a PHP double-quoted literal that yields exactly
    // these bytes, whatever the file's character set (non-ASCII as \xNN).
    static QString PhpBytes(const QByteArray& bytes);
    // For a JavaScript string literal (also safe inside a SCRIPT element).
    static QString JsString(QStringView text);
    // Every CR LF pair as <BR>.
    static QString BrText(QStringView text);
    // A stored colour (0x00BBGGRR, or a system colour) as the six digits
    // RRGGBB of HTML.
    static QString HtmlColour(qint32 colour);
    // The site's title as plain text (its markup left out), or the
    // language's main title.
    static QString PlainTitle(const TBTable& t);
    // The CSS classes the generated pages use.
    static const QStringList& CssClasses();
    // The style sheet file `Skin` names, or empty when there is none: a path,
    // or a name without a folder for a skin shipped with the program.
    static QString SkinPath(const TBTable& t);

private:
    void writeBlock(QStringView block, const TBField* field, const TTemplateVars& vars);
    void TransferFunctions(const TTemplateVars& vars);
    void TransferJobs(const TTemplateVars& vars);
    QString placeholder(QStringView spec, const TBField* field, const TTemplateVars& vars) const;

    TWarning warning_;
    const TBTable* table_ = nullptr;
    TOutputFile* out_ = nullptr; // at most one open output file
    QHash<QString, QString> keys_;
    QSet<QString> unchanged_;
};
