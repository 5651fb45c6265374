// The generator frame: output files, the template notation, variants.
#include "PHPgenerator.h"

#include "model/Colours.h"
#include "model/Settings.h"

#include <QRandomGenerator>

#include <stdexcept>

namespace {

// Restores the generator's operation state however the operation ends.
template <typename T> class TRestore {
public:
    TRestore(T& slot, T value) : slot_(slot), old_(slot) { slot_ = value; }
    ~TRestore() { slot_ = old_; }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;

private:
    T& slot_;
    T old_;
};

// Keyed by views of the names in the static lists: a template's name is
// looked up without copying it.
const QHash<QStringView, const TSettingInfo*>& settingsByName() {
    static const QHash<QStringView, const TSettingInfo*> byName = [] {
        QHash<QStringView, const TSettingInfo*> h;
        for (const TSettingInfo& s : ProjectSettings())
            h.insert(s.name, &s);
        return h;
    }();
    return byName;
}

const QHash<QStringView, const TFieldValueInfo*>& fieldValuesByName() {
    static const QHash<QStringView, const TFieldValueInfo*> byName = [] {
        QHash<QStringView, const TFieldValueInfo*> h;
        for (const TFieldValueInfo& v : FieldValues())
            h.insert(v.name, &v);
        return h;
    }();
    return byName;
}

QString settingValue(const TBTable& t, const TSettingInfo& s) {
    return std::visit(
        [&](auto member) -> QString {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::monostate>)
                return t.Language.Name();
            else if constexpr (std::is_same_v<M, QString TBTable::*>)
                return t.*member;
            else if constexpr (std::is_same_v<M, qint32 TBTable::*>)
                return QString::number(t.*member);
            else
                return (t.*member) ? QStringLiteral("1") : QStringLiteral("0");
        },
        s.member);
}

QString fieldValue(const TBField& f, const TFieldValueInfo& v) {
    return std::visit(
        [&](auto member) -> QString {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, QString TBField::*>)
                return f.*member;
            else if constexpr (std::is_same_v<M, qint32 TBField::*>)
                return QString::number(f.*member);
            else if constexpr (std::is_same_v<M, bool TBField::*>)
                return (f.*member) ? QStringLiteral("1") : QStringLiteral("0");
            else
                return (f.*member).join(QStringLiteral("\r\n"));
        },
        v.member);
}

// The texts the site owner writes as markup of his pages (title, intro
// texts, counter texts; the messages too): they reach the pages as written.
bool isOwnerMarkup(QStringView name) {
    static const QStringList markup = {
        QStringLiteral("DatabaseDisplayName"),
        QStringLiteral("LoginText"),
        QStringLiteral("MenuText"),
        QStringLiteral("SearchRecordText"),
        QStringLiteral("AddRecordText"),
        QStringLiteral("ModifyRecordText"),
        QStringLiteral("DeleteRecordText"),
        QStringLiteral("RequestIdPasswordText"),
        QStringLiteral("AdminLoginText"),
        QStringLiteral("AdminMenuText"),
        QStringLiteral("AdminSearchRecordText"),
        QStringLiteral("AdminAddRecordText"),
        QStringLiteral("AdminModifyRecordText"),
        QStringLiteral("AdminDeleteRecordText"),
        QStringLiteral("CounterTextBefore"),
        QStringLiteral("CounterTextBehind"),
    };
    return name.startsWith(u"msg:") || markup.contains(name);
}

bool isNameStart(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isSpecChar(QChar c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'_' || c == u':' || c == u'|';
}

[[noreturn]] void unknownName(QStringView spec) {
    throw std::logic_error("template names nothing: {" + spec.toString().toStdString() + "}");
}

} // namespace

TPHPGenerator::TPHPGenerator(TWarning warning) : warning_(std::move(warning)) {}

TPHPGenerator::~TPHPGenerator() = default;

QString TPHPGenerator::OutputPath(const TBTable& t, bool admin, const QString& fileName) {
    return t.LocalPath + (admin ? QStringLiteral("admin/") : QString()) + fileName;
}

bool TPHPGenerator::WriteFile(const TBTable& t, bool admin, const QString& fileName,
                              const std::function<void()>& body) {
    return WriteFileAt(t, OutputPath(t, admin, fileName), body);
}

bool TPHPGenerator::WriteFileAt(const TBTable& t, const QString& path,
                                const std::function<void()>& body) {
    if (out_)
        throw std::logic_error("the generator writes one file at a time");
    // The scripts hold the database password (and the administrator's, the
    // records, the members): readable by their owner only.
    const bool isPhp = path.endsWith(QLatin1String(".php"));
    TOutputFile file(path, t.PageCharSet(), isPhp);
    if (!file.Open()) {
        if (warning_)
            warning_(QStringLiteral("File access error to ") + path);
        return false;
    }
    TRestore<const TBTable*> table(table_, &t);
    TRestore<TOutputFile*> out(out_, &file);
    // Nothing, not even a line break, may come before the runtime layer.
    if (path.endsWith(QLatin1String(".php")) && !path.endsWith(QLatin1String("/runtime.php")) &&
        path != QLatin1String("runtime.php"))
        WriteLine(u"<?php require_once dirname(__FILE__).\"/runtime.php\"; ?>");
    body();
    file.Close();
    if (file.Unchanged())
        unchanged_.insert(path);
    else
        unchanged_.remove(path);
    return true;
}

const TBTable& TPHPGenerator::Table() const {
    if (!table_)
        throw std::logic_error("generator template used outside an operation");
    return *table_;
}

void TPHPGenerator::WriteText(QStringView text) {
    if (!out_)
        throw std::logic_error("generator writes outside an operation");
    out_->Write(text);
}

void TPHPGenerator::WriteLine(QStringView text) {
    WriteText(text);
    WriteText(u"\r\n");
}

void TPHPGenerator::Lines(QStringView block, const TTemplateVars& vars) {
    writeBlock(block, nullptr, vars);
}

void TPHPGenerator::Lines(QStringView block, const TBField& field, const TTemplateVars& vars) {
    writeBlock(block, &field, vars);
}

void TPHPGenerator::writeBlock(QStringView block, const TBField* f, const TTemplateVars& vars) {
    if (block.startsWith(u'\n'))
        block = block.mid(1);
    if (block.endsWith(u'\n'))
        block.chop(1);
    qsizetype start = 0;
    while (start <= block.size()) {
        qsizetype end = block.indexOf(u'\n', start);
        if (end < 0)
            end = block.size();
        const QStringView line = block.mid(start, end - start);
        if (line.contains(u'{'))
            WriteLine(Fill(line, f, vars));
        else
            WriteLine(line);
        start = end + 1;
    }
}

QString TPHPGenerator::Fill(QStringView text, const TBField* field,
                            const TTemplateVars& vars) const {
    QString out;
    out.reserve(text.size() + 32);
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'{', i);
        if (open < 0)
            break;
        qsizetype close = open + 1;
        if (close < text.size() && isNameStart(text[close])) {
            while (close < text.size() && isSpecChar(text[close]))
                ++close;
            if (close < text.size() && text[close] == u'}') {
                out += text.mid(i, open - i);
                out += placeholder(text.mid(open + 1, close - open - 1), field, vars);
                i = close + 1;
                continue;
            }
        }
        out += text.mid(i, open + 1 - i);
        i = open + 1;
    }
    out += text.mid(i);
    return out;
}

QString TPHPGenerator::placeholder(QStringView spec, const TBField* field,
                                   const TTemplateVars& vars) const {
    const qsizetype bar = spec.indexOf(u'|');
    const QStringView name = bar < 0 ? spec : spec.left(bar);
    QString value;
    bool found = false;
    for (const auto& [key, v] : vars)
        if (key == name) {
            value = v;
            found = true;
            break;
        }
    if (!found && name.startsWith(u"msg:")) {
        const QString key = name.mid(4).toString();
        if (!TWebLanguage::IsKey(key))
            unknownName(spec);
        // The project's own set, where it has one, over the language's.
        value =
            key == QLatin1String("CharSet") ? Table().PageCharSet() : Table().Language.Text(key);
        found = true;
    }
    if (!found && field) {
        const auto v = fieldValuesByName().constFind(name);
        if (v != fieldValuesByName().constEnd()) {
            value = fieldValue(*field, **v);
            found = true;
        }
    }
    if (!found) {
        const auto s = settingsByName().constFind(name);
        if (s == settingsByName().constEnd())
            unknownName(spec);
        value = settingValue(Table(), **s);
    }
    // Escaped for HTML unless the value is the owner's markup, or the
    // template names another context first: raw (code or markup the
    // generator made) or js (a JavaScript literal).
    const qsizetype second = bar < 0 ? -1 : spec.indexOf(u'|', bar + 1);
    const QStringView first =
        bar < 0 ? QStringView() : spec.mid(bar + 1, second < 0 ? -1 : second - bar - 1);
    qsizetype from = bar;
    if (first == u"raw")
        from = second;
    else if (first != u"js" && !isOwnerMarkup(name))
        value = HtmlText(value);
    while (from >= 0) {
        const qsizetype next = spec.indexOf(u'|', from + 1);
        const QStringView filter = spec.mid(from + 1, next < 0 ? -1 : next - from - 1);
        from = next;
        if (filter == u"php")
            value = PhpString(value);
        else if (filter == u"js")
            value = JsString(value);
        else if (filter == u"br")
            value = BrText(value);
        else if (filter == u"colour")
            value = HtmlColour(value.toInt());
        else
            unknownName(spec);
    }
    return value;
}

QString TPHPGenerator::PhpString(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\\' || c == u'"' || c == u'$')
            out += u'\\';
        out += c;
    }
    return out;
}

QString TPHPGenerator::HtmlText(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString TPHPGenerator::PhpBytes(const QByteArray& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() + 16);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\\' || b == '"' || b == '$') {
            out += u'\\';
            out += QLatin1Char(char(b));
        } else if (b >= 0x20 && b < 0x7F) {
            out += QLatin1Char(char(b));
        } else {
            out += u"\\x";
            out += QLatin1Char(hex[b >> 4]);
            out += QLatin1Char(hex[b & 15]);
        }
    }
    return out;
}

QString TPHPGenerator::JsString(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += u"\\\\";
            break;
        case u'"': // also safe inside an HTML attribute
            out += u"\\x22";
            break;
        case u'\'':
            out += u"\\x27";
            break;
        case u'&':
            out += u"\\x26";
            break;
        case u'>':
            out += u"\\x3E";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'<':
            out += u"\\x3C";
            break; // no "</SCRIPT>" inside a script
        case 0x2028:
            out += u"\\u2028";
            break;
        case 0x2029:
            out += u"\\u2029";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString TPHPGenerator::BrText(QStringView text) {
    return text.toString().replace(QStringLiteral("\r\n"), QStringLiteral("<BR>"));
}

QString TPHPGenerator::HtmlColour(qint32 colour) {
    return QStringLiteral("%1").arg(ColourRgb(colour), 6, 16, QLatin1Char('0')).toUpper();
}

const QStringList& TPHPGenerator::MaintenanceScripts() {
    static const QStringList scripts = {
        QStringLiteral("create_db.php"), QStringLiteral("remove_db.php"),
        QStringLiteral("import_db.php"), QStringLiteral("export_db_0.php"),
        QStringLiteral("export_db.php"), QStringLiteral("columns_db.php"),
        QStringLiteral("alter_db.php"),
    };
    return scripts;
}

QString TPHPGenerator::ScriptKey(const QString& script) const {
    return keys_.value(script);
}

QString TPHPGenerator::KeyedScript(const QString& script) const {
    return script + QStringLiteral("?key=") + ScriptKey(script);
}

QString TPHPGenerator::NewKey() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString key;
    for (quint32 w : words)
        key += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    return key;
}

const QStringList& TPHPGenerator::CssClasses() {
    static const QStringList classes =
        QStringLiteral(
            "login menu search add modify delete users changepassword corvanta_ok corvanta_error "
            "start_of_data end_of_data start_of_users end_of_users start_of_images end_of_images "
            "searchtext addtext modifytext deletetext logintext menutext requestidpasswordtext "
            "menuitem counter admin_password admin_password_label admin_password_value "
            "user_id_password user_email user_email_label user_email_value user_password "
            "user_password_label user_password_value user_repassword user_repassword_label "
            "user_repassword_value request_id_password request_email request_email_label "
            "request_email_value users_odd users_even users_username users_modify "
            "users_delete users_sendpassword change_password change_password_email "
            "change_password_email_label change_password_email_value change_password_oldpassword "
            "change_password_oldpassword_label change_password_oldpassword_value "
            "change_password_newpassword change_password_newpassword_label "
            "change_password_newpassword_value change_password_repassword "
            "change_password_repassword_label change_password_repassword_value createform "
            "createform_odd createform_even createform_label createform_value searchform "
            "searchform_head searchform_odd searchform_even searchform_field searchform_operator "
            "searchform_value searchorder searchorder_head searchorder_odd searchorder_even "
            "searchorder_nr searchorder_field searchorder_order search_user_id_password "
            "searchresult searchresult_head searchresult_odd searchresult_even searchresult_nr "
            "searchresult_modify searchresult_delete next previous back "
            // Beyond the classic pages: forms, results and questions of today's sites.
            "hidden_label field_error invalid searchresult_box searchresult_range pages page "
            "page_current page_gap confirm danger skip found clamp action choices "
            "searchresult_none counter_number counter_center counter_right users_head record")
            .split(u' ');
    return classes;
}
