#include "WebLanguage.h"

#include "DataFiles.h"
#include "IniFile.h"

namespace {

struct TMessage {
    const char* key;
    const char* english;
};

// Table order matters: it is the order of the language file's keys.
const TMessage kMessages[] = {
    {"CharSet", "ISO-8859-1"},
    {"ConnectFailed",
     "Connection to the database server failed. Server, user or password is incorrect."},
    {"DbSelectFailed", "Database name is incorrect."},
    {"DbCreateFailed", "Error in script. Creation failed."},
    {"DbCreateSuccess", "Database has been created successfully."},
    {"SearchMenu", "Search"},
    {"SearchLabel", "Search in the database"},
    {"SearchButton", "Search"},
    {"AddRecordMenu", "Add record"},
    {"AddRecordLabel", "Add record to the database"},
    {"AddRecordButton", "Add Record"},
    {"ModifyRecordMenu", "Modify"},
    {"ModifyRecordLink", "Modify"},
    {"ModifyRecordLabel", "Modify record"},
    {"ModifyRecordButton", "Modify Record"},
    {"DeleteRecordMenu", "Delete"},
    {"DeleteRecordLink", "Delete"},
    {"DeleteRecordLabel", "Delete record"},
    {"ReCreateDbMenu", "Recreate Database (Warning: all data will be lost!)"},
    {"EnterAdminPass", "Enter Administrator Password"},
    {"EnterVisitorEmailPass", "Enter your ID and password"},
    {"EmailFieldLabel", "Your e-mail address"},
    {"PasswordFieldLabel", "Your password"},
    {"EmailPasswordIncorrect", "E-mail or password is incorrect."},
    {"NumberCheck", "# is not a valid number"},
    {"EmailRequired", "E-mail is required."},
    {"PasswordRequired", "Password is required."},
    {"FieldRequired", "# is required."},
    {"KeyExists", "Key is already present in the database."},
    {"FieldValueExists", "# is already present in the database. No duplicates are allowed."},
    {"RequiredDescription", "indicates required fields"},
    {"ImageLinkFormat", "(label + image)"},
    {"MailtoFormat", "(label + e-mail address)"},
    {"HyperlinkFormat", "(label + hyperlink)"},
    {"NoRecords", "No records found"},
    {"FieldName", "Field name"},
    {"Operator", "Operator"},
    {"OpIs", "is"},
    {"OpIsNot", "is not"},
    {"OpContains", "contains"},
    {"OpNotContains", "not contains"},
    {"OpLessThan", "less than"},
    {"OpGreaterThan", "greater than"},
    {"OpIsYes", "is yes"},
    {"OpIsNo", "is no"},
    {"FieldValue", "Field value"},
    {"Nr", "Nr."},
    {"Ordering", "Ordering"},
    {"Asc", "ascending"},
    {"Desc", "descending"},
    {"ResetButton", "Reset"},
    {"EnterButton", "Enter"},
    {"RecordsFound", "Records found:"},
    {"TotalRecords", "Total records:"},
    {"NextButton", "Next"},
    {"PreviousButton", "Previous"},
    {"RecordCreateSuccess", "The record has been created successfully."},
    {"RecordCreateFailure", "Creating record failed. Error in script."},
    {"RecordModifySuccess", "The record has been modified."},
    {"RecordModifyFailure", "Modifying record failed. Error in script."},
    {"RecordDeleteSuccess", "The record has been deleted."},
    {"RecordDeleteFailure", "Deleting record failed. Error in script."},
    {"OrderRecordsLabel", "Sort the records found:"},
    {"MainTitle", "Corvanta Database"},
    {"BackButton", "Back"},
    {"WrongIdPassword", "Wrong Password or ID"},
    {"LoginButton", "Login"},
    {"UsersMenu", "Users"},
    {"UserAlreadyExists", "User already exists"},
    {"UserCreateSuccess", "The user has been created successfully."},
    {"UserCreateFailure", "Creating user failed. Error in script."},
    {"UserModifySuccess", "The user has been modified."},
    {"UserModifyFailure", "Modifying user failed. Error in script."},
    {"UserDeleteSuccess", "The user has been deleted."},
    {"UserDeleteFailure", "Deleting user failed. Error in script."},
    {"AddUserLabel", "Add user"},
    {"UsersLabel", "Users"},
    {"AddUserButton", "Add"},
    {"DeleteUserLink", "Delete"},
    {"UserNameLabel", "User ID"},
    {"UserPasswordLabel", "User password"},
    {"QueryError", "Error in SQL query"},
    {"QueryError1", "Error 1: Query failed when looking for new record ID during Create."},
    {"QueryError2", "Error 2: Query failed when selecting users during display form."},
    {"QueryError3", "Error 3: Query failed when selecting user during Create."},
    {"QueryError4", "Error 4: Query failed when selecting record to Delete."},
    {"QueryError5", "Error 5: Query failed when selecting record to Display."},
    {"QueryError6", "Error 6: Query failed when selecting records for Search."},
    {"QueryError7", "Error 7: Query failed when selecting user during user creation."},
    {"QueryError8", "Error 8: Query failed when selecting users to list."},
    {"QueryError10", "Error 10: Query failed when checking key values."},
    {"QueryError11", "Error 11: Query failed when checking duplicates."},
    {"QueryError13", "Error 13: Query failed when calculating counter."},
    {"QueryError14", "Error 14: Query failed when selecting record for e-mail during Create."},
    {"QueryError15", "Error 15: Query failed when selecting record to Modify."},
    {"QueryError16", "Error 16: Query failed when selecting record for e-mail during Modify."},
    {"QueryError17", "Error 17: Query failed when selecting records for Modify."},
    {"QueryError18", "Error 18: Query failed when selecting users during Modify."},
    {"QueryError19", "Error 19: Query failed when selecting records for Delete."},
    {"QueryError20", "Error 20: Query failed when incrementing the counter."},
    {"NoAccessToThisDB", "You have no access to this database"},
    {"ClickHereToAdd", "Click here to add a record to the database"},
    {"PasswordForgotten", "Password forgotten?"},
    {"SendMyPassword", "Request my password"},
    {"PasswordSent", "Password has been sent"},
    {"UserNotFound", "User not found"},
    {"ChangePasswordMenu", "Change password"},
    {"PasswordChangeSuccess", "The password has been changed successfully"},
    {"PasswordChangeFailure", "Changing the password failed. Error in script."},
    {"WrongPassword", "Password is not correct"},
    {"PasswordDifferent", "The new password and the repeated new password are different"},
    {"ChangePasswordLabel", "Change password"},
    {"OldPasswordLabel", "Old password"},
    {"NewPasswordLabel", "New password"},
    {"RePasswordLabel", "New password again"},
    {"ChangePasswordButton", "Change"},
    {"SearchUserButton", "Search"},
    {"ModifyUserLink", "Modify"},
    {"MyRecordsMenu", "My records"},
    {"RequestIdPass", "Request ID and Password"},
    {"RequestEmailLabel", "Your e-mail address"},
    {"RequestButton", "Request"},
    {"LoginExpired", "Login expired"},
    {"UserLookupButton", "Search"},
    {"UserNotCorrect", "Visitor not correct!"},
    {"EnterSearchUsername", "Enter search text:"},
    {"SendPasswordButton", "Send password"},
    {"SendPasswordSuccess", "Password has been sent."},
    {"UsernameMustBeFilled", "Username must be filled."},
    {"DateTimeYearLabel", "YYYY"},
    {"DateTimeMonthLabel", "MM"},
    {"DateTimeDayLabel", "DD"},
    {"DateTimeHourLabel", "hh"},
    {"DateTimeMinuteLabel", "mm"},
    {"DateTimeSecondLabel", "ss"},
    {"Yes", "Yes"},
    {"No", "No"},
    // Texts of the pages beyond the classic site.
    {"LanguageCode", "en"},
    {"DeleteConfirm", "Delete this record?"},
    {"CancelButton", "Cancel"},
    {"RangeOf", "of"},
    {"ThousandsSeparator", ","},
    {"PagesLabel", "Pages"},
    {"MenuLabel", "Menu"},
    {"CorrectFields", "Please correct the marked fields."},
    {"UserEditLabel", "Members may change #"},
    {"LogoutMenu", "Logout"},
    {"LoggedOut", "You have been logged out."},
    {"LoginAgain", "Log in again"},
    {"TooManyTries", "Too many tries. Please wait a while and try again."},
    {"TriesFailed",
     "Your try cannot be counted now, so it has not been accepted. Please try again later."},
    {"DbServerDown", "The database server does not answer. Please try again later."},
    {"PasswordSentIfKnown",
     "If the address belongs to a member, the password has been sent to it."},
    {"ForeignForm", "This form was sent from another site and has not been accepted."},
    {"FormExpired", "This form is no longer valid, so it has not been accepted. Please open the "
                    "page again and send the form once more."},
    {"ChoiceCheck", "# must be one of the values offered."},
    {"ConfirmSubject", "Please confirm your e-mail address"},
    {"ConfirmBody", "Someone became a member of this site with your e-mail address. If it was "
                    "you, open the link below to confirm it: the site sends you mail about your "
                    "records only after that. If it was not you, ignore this mail."},
    {"ConfirmSent", "Mail about your records goes to your address once you have confirmed it: "
                    "open the link in the mail just sent to you."},
    {"ConfirmButton", "Confirm my e-mail address"},
    {"ConfirmDone", "Your e-mail address is confirmed. The site sends you mail about your records "
                    "from now on."},
    {"ConfirmUnknown", "This confirmation link is not valid (any more)."},
    {"EmailInvalid", "Please enter one valid e-mail address."},
    {"DateCheck", "# is not a valid date"},
    {"PictureNotImage", "#: only pictures (JPEG, PNG, GIF) can be stored."},
    {"PictureTooLarge", "#: the picture is larger than this site accepts."},
    {"PictureNotReceived", "#: the picture did not arrive whole. Please send it again."},
    {"PictureSizeLimit", "Largest picture:"},
    {"FormTooLarge", "The form was larger than this site accepts, so nothing has been stored. "
                     "Please send smaller pictures."},
};

struct TMessageIndex {
    QStringList keys;
    QHash<QString, int> index;
    TMessageIndex() {
        for (const TMessage& m : kMessages) {
            index.insert(QString::fromLatin1(m.key), int(keys.size()));
            keys.append(QString::fromLatin1(m.key));
        }
    }
};

const TMessageIndex& messageIndex() {
    static const TMessageIndex index;
    return index;
}

} // namespace

TWebLanguage::TWebLanguage() {
    for (const TMessage& m : kMessages)
        texts_.append(QString::fromLatin1(m.english));
}

const QStringList& TWebLanguage::Keys() {
    return messageIndex().keys;
}

bool TWebLanguage::IsKey(const QString& key) {
    return messageIndex().index.contains(key);
}

QString TWebLanguage::English(const QString& key) {
    const int i = messageIndex().index.value(key, -1);
    return i < 0 ? QString() : QString::fromLatin1(kMessages[i].english);
}

QString TWebLanguage::Text(const QString& key) const {
    const int i = messageIndex().index.value(key, -1);
    Q_ASSERT_X(i >= 0, "TWebLanguage::Text", qPrintable(key));
    return i < 0 ? QString() : texts_.at(i);
}

void TWebLanguage::SetText(const QString& key, const QString& text) {
    const int i = messageIndex().index.value(key, -1);
    if (i >= 0)
        texts_[i] = text;
}

QString TWebLanguage::IniPath() {
    return DataFilePath(QStringLiteral("Language.ini"));
}

void TWebLanguage::Load(const QString& name) {
    LoadFrom(IniPath(), name);
}

void TWebLanguage::LoadFrom(const QString& iniPath, const QString& name) {
    // Every load starts from English, so no text of an earlier language stays.
    *this = TWebLanguage();
    name_ = name;
    if (name.isEmpty() || iniPath.isEmpty())
        return;
    const TIniFile ini = TIniFile::Read(iniPath);
    if (!ini.hasSection(name))
        return;
    const QStringList& keys = Keys();
    for (int i = 0; i < keys.size(); ++i) {
        bool found = false;
        const QString value = ini.value(name, keys.at(i), &found);
        if (found)
            texts_[i] = value;
    }
}

QStringList TWebLanguage::Languages() {
    return LanguagesFrom(IniPath());
}

QStringList TWebLanguage::LanguagesFrom(const QString& iniPath) {
    if (iniPath.isEmpty())
        return {};
    return TIniFile::Read(iniPath).sections();
}
