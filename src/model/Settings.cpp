#include "Settings.h"

namespace {

using K = TSettingInfo::Kind;
using T = TBTable;

constexpr qint32 kSystemHighlight = qint32(0x8000000Du);
constexpr qint32 kSystemTooltipText = qint32(0x80000018u);

} // namespace

const QList<TSettingInfo>& ProjectSettings() {
    static const QList<TSettingInfo> settings = {
        {QStringLiteral("DatabaseDisplayName"), K::String, &T::DatabaseDisplayName},
        {QStringLiteral("WebLanguage"), K::String, std::monostate{}},
        {QStringLiteral("MenuHeight"), K::Integer, &T::MenuHeight, 100},
        {QStringLiteral("HomeLink"), K::String, &T::HomeLink},
        {QStringLiteral("TableAlign"), K::String, &T::TableAlign},
        {QStringLiteral("LinesPerPage"), K::Integer, &T::LinesPerPage, 10},
        {QStringLiteral("NumOfFilterFields"), K::Integer, &T::NumOfFilterFields, 3},
        {QStringLiteral("NumOfSortFields"), K::Integer, &T::NumOfSortFields, 3},
        {QStringLiteral("HomeCh"), K::Bool, &T::HomeCh},
        {QStringLiteral("UserUpdate"), K::Bool, &T::UserUpdate},
        {QStringLiteral("UserMode"), K::String, &T::UserMode},
        {QStringLiteral("AllowSearch"), K::Bool, &T::AllowSearch, 1},
        {QStringLiteral("AllowAddModify"), K::Bool, &T::AllowAddModify, 1},
        {QStringLiteral("OnlyMembersCanAdd"), K::Bool, &T::OnlyMembersCanAdd, 1},
        {QStringLiteral("AllowDelete"), K::Bool, &T::AllowDelete, 1},
        {QStringLiteral("AllowChangePassword"), K::Bool, &T::AllowChangePassword, 1},
        {QStringLiteral("AllowSendPassword"), K::Bool, &T::AllowSendPassword, 1},
        {QStringLiteral("Skin"), K::String, &T::Skin},
        {QStringLiteral("BGImage"), K::String, &T::BGImage},
        {QStringLiteral("URL"), K::String, &T::URL},
        {QStringLiteral("Server"), K::String, &T::Server},
        {QStringLiteral("User"), K::String, &T::User},
        {QStringLiteral("Password"), K::String, &T::Password},
        {QStringLiteral("PHPPath"), K::String, &T::PHPPath},
        {QStringLiteral("LocalPath"), K::String, &T::LocalPath},
        {QStringLiteral("TableName"), K::String, &T::TableName},
        {QStringLiteral("DatabaseServer"), K::String, &T::DatabaseServer},
        {QStringLiteral("DatabaseName"), K::String, &T::DatabaseName},
        {QStringLiteral("DatabaseUser"), K::String, &T::DatabaseUser},
        {QStringLiteral("DatabasePassword"), K::String, &T::DatabasePassword},
        {QStringLiteral("AdminPassword"), K::String, &T::AdminPassword},
        {QStringLiteral("SendEmail"), K::Bool, &T::SendEmail},
        {QStringLiteral("SendmailPath"), K::String, &T::SendmailPath},
        {QStringLiteral("EmailSender"), K::String, &T::EmailSender},
        {QStringLiteral("EmailCc"), K::String, &T::EmailCc},
        {QStringLiteral("EmailSubject"), K::String, &T::EmailSubject},
        {QStringLiteral("EmailBody"), K::String, &T::EmailBody},
        {QStringLiteral("PasswordEmailSender"), K::String, &T::PasswordEmailSender},
        {QStringLiteral("PasswordEmailSubject"), K::String, &T::PasswordEmailSubject},
        {QStringLiteral("PasswordEmailBody"), K::String, &T::PasswordEmailBody},
        {QStringLiteral("FieldDelimiter"), K::String, &T::FieldDelimiter},
        {QStringLiteral("RecordDelimiter"), K::String, &T::RecordDelimiter},
        {QStringLiteral("ReplaceDelimiterWith"), K::String, &T::ReplaceDelimiterWith},
        {QStringLiteral("Logo"), K::String, &T::Logo},
        {QStringLiteral("LoginText"), K::String, &T::LoginText},
        {QStringLiteral("MenuText"), K::String, &T::MenuText},
        {QStringLiteral("SearchRecordText"), K::String, &T::SearchRecordText},
        {QStringLiteral("AddRecordText"), K::String, &T::AddRecordText},
        {QStringLiteral("ModifyRecordText"), K::String, &T::ModifyRecordText},
        {QStringLiteral("DeleteRecordText"), K::String, &T::DeleteRecordText},
        {QStringLiteral("RequestIdPasswordText"), K::String, &T::RequestIdPasswordText},
        {QStringLiteral("AdminLogo"), K::String, &T::AdminLogo},
        {QStringLiteral("AdminLoginText"), K::String, &T::AdminLoginText},
        {QStringLiteral("AdminMenuText"), K::String, &T::AdminMenuText},
        {QStringLiteral("AdminSearchRecordText"), K::String, &T::AdminSearchRecordText},
        {QStringLiteral("AdminAddRecordText"), K::String, &T::AdminAddRecordText},
        {QStringLiteral("AdminModifyRecordText"), K::String, &T::AdminModifyRecordText},
        {QStringLiteral("AdminDeleteRecordText"), K::String, &T::AdminDeleteRecordText},
        {QStringLiteral("CreateCounter"), K::Bool, &T::CreateCounter},
        {QStringLiteral("CounterPosition"), K::String, &T::CounterPosition},
        {QStringLiteral("CounterAlignment"), K::String, &T::CounterAlignment},
        {QStringLiteral("CounterTextBefore"), K::String, &T::CounterTextBefore},
        {QStringLiteral("CounterTextBehind"), K::String, &T::CounterTextBehind},
        {QStringLiteral("CounterBorder"), K::Integer, &T::CounterBorder},
        {QStringLiteral("CounterColor"), K::Integer, &T::CounterColor, kSystemHighlight},
        {QStringLiteral("CounterTextFontColor"), K::Integer, &T::CounterTextFontColor,
         kSystemTooltipText},
        {QStringLiteral("CounterTextFontName"), K::String, &T::CounterTextFontName},
        {QStringLiteral("CounterTextFontSize"), K::Integer, &T::CounterTextFontSize, 10},
        {QStringLiteral("CounterTextFontBold"), K::Bool, &T::CounterTextFontBold},
        {QStringLiteral("CounterTextFontItalic"), K::Bool, &T::CounterTextFontItalic},
        {QStringLiteral("CounterTextFontUnderline"), K::Bool, &T::CounterTextFontUnderline},
        {QStringLiteral("CounterTextFontStrikeOut"), K::Bool, &T::CounterTextFontStrikeOut},
        {QStringLiteral("CounterNumberFontColor"), K::Integer, &T::CounterNumberFontColor,
         kSystemTooltipText},
        {QStringLiteral("CounterNumberFontName"), K::String, &T::CounterNumberFontName},
        {QStringLiteral("CounterNumberFontSize"), K::Integer, &T::CounterNumberFontSize, 10},
        {QStringLiteral("CounterNumberFontBold"), K::Bool, &T::CounterNumberFontBold},
        {QStringLiteral("CounterNumberFontItalic"), K::Bool, &T::CounterNumberFontItalic},
        {QStringLiteral("CounterNumberFontUnderline"), K::Bool, &T::CounterNumberFontUnderline},
        {QStringLiteral("CounterNumberFontStrikeOut"), K::Bool, &T::CounterNumberFontStrikeOut},
        {QStringLiteral("UseCounterOffset"), K::Bool, &T::UseCounterOffset},
        {QStringLiteral("CounterOffset"), K::Integer, &T::CounterOffset},
        {QStringLiteral("Layout"), K::String, &T::Layout},
        {QStringLiteral("Transfer"), K::String, &T::Transfer},
        {QStringLiteral("TrustedCertificate"), K::String, &T::TrustedCertificate},
        {QStringLiteral("TrustedHostKey"), K::String, &T::TrustedHostKey},
        {QStringLiteral("TrustedCertificates"), K::String, &T::TrustedCertificates},
        {QStringLiteral("TrustedProxies"), K::String, &T::TrustedProxies},
    };
    return settings;
}

const QList<TFieldValueInfo>& FieldValues() {
    using F = TBField;
    using FK = TFieldValueInfo::Kind;
    static const QList<TFieldValueInfo> values = {
        {QStringLiteral("FieldName"), FK::String, &F::FieldName},
        {QStringLiteral("FieldName2"), FK::String, &F::FieldName2},
        {QStringLiteral("SeqNo"), FK::Integer, &F::SeqNo},
        {QStringLiteral("FieldType"), FK::String, &F::FieldType},
        {QStringLiteral("MaxLength"), FK::Integer, &F::MaxLength},
        {QStringLiteral("DecimalSymbol"), FK::String, &F::DecimalSymbol},
        {QStringLiteral("NoDuplicates"), FK::Bool, &F::NoDuplicates},
        {QStringLiteral("Required"), FK::Bool, &F::Required},
        {QStringLiteral("Key"), FK::Bool, &F::Key},
        {QStringLiteral("Name"), FK::String, &F::Name},
        {QStringLiteral("Visible"), FK::Bool, &F::Visible},
        {QStringLiteral("Searchable"), FK::Bool, &F::Searchable},
        {QStringLiteral("Hidden"), FK::Bool, &F::Hidden},
        {QStringLiteral("Editable"), FK::Bool, &F::Editable},
        {QStringLiteral("InputType"), FK::String, &F::InputType},
        {QStringLiteral("TextLength"), FK::Integer, &F::TextLength},
        {QStringLiteral("EnumValues"), FK::Lines, &F::EnumValues},
        {QStringLiteral("DateTimeFormat"), FK::String, &F::DateTimeFormat},
        {QStringLiteral("ImageWidth"), FK::Integer, &F::ImageWidth},
        {QStringLiteral("ImageHeight"), FK::Integer, &F::ImageHeight},
        {QStringLiteral("TextAreaColumns"), FK::Integer, &F::TextAreaColumns},
        {QStringLiteral("TextAreaLines"), FK::Integer, &F::TextAreaLines},
    };
    return values;
}

QString JoinLines(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QStringList SplitLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines = normal.split(u'\n');
    if (normal.endsWith(u'\n'))
        lines.removeLast();
    return lines;
}
