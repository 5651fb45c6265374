#pragma once

#include "Field.h"
#include "WebLanguage.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TStoreKey;

// How the generated site shows its pages: each page with the menu at its top
// and an address of its own, or the menu and the pages in frames.
namespace Layouts {
inline const QString OnePage = QStringLiteral("one-page");
inline const QString Frames = QStringLiteral("frames");
} // namespace Layouts
// The values of the setting Transfer.
namespace TransferModes {
inline const QString IfOffered = QStringLiteral("ftps-if-offered");
inline const QString Ftps = QStringLiteral("ftps");
inline const QString Sftp = QStringLiteral("sftp");
inline const QString Ftp = QStringLiteral("ftp");
inline QStringList All() {
    return {IfOffered, Ftps, Sftp, Ftp};
}
} // namespace TransferModes

// The rows the main window's field grid shows: it only paints them.
struct TFieldGrid {
    int RowCount = 2;
    QStringList Headers;
    QList<int> ColumnWidths;
    // Cells of rows 1..RowCount-1 (index 0 is row 1); a row without a field is empty.
    QList<QStringList> Rows;
};

// The project: one table of the generated site with every setting that
// shapes the site. Settings are named as their values in the store.
class TBTable {
public:
    using Colour = qint32; // 0x00BBGGRR, or 0x80000000 + a system colour index

    QString DbName; // the project's name and store key; empty until saved

    QString DatabaseDisplayName;
    bool HomeCh = false;
    QString HomeLink;
    qint32 MenuHeight = 0;
    QString TableAlign;
    qint32 LinesPerPage = 0;
    qint32 NumOfFilterFields = 0;
    qint32 NumOfSortFields = 0;
    bool UserUpdate = false;
    QString UserMode; // "Join", "Login" or empty
    bool AllowSearch = false;
    bool AllowAddModify = false;
    bool OnlyMembersCanAdd = false;
    bool AllowDelete = false;
    bool AllowChangePassword = false;
    bool AllowSendPassword = false;
    QString Skin;
    QString BGImage;
    QString URL;
    QString Server;
    QString User;
    QString Password;
    QString PHPPath;
    QString LocalPath;
    QString TableName;
    QString DatabaseServer;
    QString DatabaseName;
    QString DatabaseUser;
    QString DatabasePassword;
    QString AdminPassword;
    bool SendEmail = false;
    QString SendmailPath;
    QString EmailSender;
    QString EmailCc;
    QString EmailSubject;
    QString EmailBody;
    QString PasswordEmailSender;
    QString PasswordEmailSubject;
    QString PasswordEmailBody;
    QString FieldDelimiter;
    QString RecordDelimiter;
    QString ReplaceDelimiterWith;
    QString Logo;
    QString LoginText;
    QString MenuText;
    QString SearchRecordText;
    QString AddRecordText;
    QString ModifyRecordText;
    QString DeleteRecordText;
    QString RequestIdPasswordText;
    QString AdminLogo;
    QString AdminLoginText;
    QString AdminMenuText;
    QString AdminSearchRecordText;
    QString AdminAddRecordText;
    QString AdminModifyRecordText;
    QString AdminDeleteRecordText;
    bool CreateCounter = false;
    QString CounterPosition;  // "Menu" or "Search Form"
    QString CounterAlignment; // "Left", "Center" or "Right"
    QString CounterTextBefore;
    QString CounterTextBehind;
    qint32 CounterBorder = 0;
    Colour CounterColor = 0;
    Colour CounterNumberFontColor = 0;
    QString CounterNumberFontName;
    qint32 CounterNumberFontSize = 0;
    bool CounterNumberFontBold = false;
    bool CounterNumberFontItalic = false;
    bool CounterNumberFontUnderline = false;
    bool CounterNumberFontStrikeOut = false;
    Colour CounterTextFontColor = 0;
    QString CounterTextFontName;
    qint32 CounterTextFontSize = 0;
    bool CounterTextFontBold = false;
    bool CounterTextFontItalic = false;
    bool CounterTextFontUnderline = false;
    bool CounterTextFontStrikeOut = false;
    bool UseCounterOffset = false;
    qint32 CounterOffset = 0;
    QString Layout; // Layouts::OnePage or Layouts::Frames
    // How files reach the server: "ftps-if-offered", "ftps", "sftp", "ftp".
    QString Transfer;
    // SHA-256 (lower-case hex) of a server certificate, and of an SSH host
    // key, that the user chose to trust for this project.
    QString TrustedCertificate;
    QString TrustedHostKey;
    // One trusted certificate per server: "host:port=sha256,..."
    // (model/TrustedServers.h). TrustedCertificate, from before, is still
    // read for servers without an entry.
    QString TrustedCertificates;
    // Addresses or networks of the owner's proxies, comma separated
    // (model/TrustedProxies.h); empty: the site trusts no X-Forwarded-For.
    QString TrustedProxies;

    TWebLanguage Language;
    // Ordered by field key: the two built-in fields, then the user's fields
    // in SeqNo order.
    std::vector<TBField> Fields;

    // Milliseconds of the local time (0..999); replaceable for tests.
    std::function<int()> MilliClock;

    // Only the built-in fields, every setting empty, false or 0.
    TBTable();
    // A project created without a name: the defaults for new projects.
    static TBTable New();

    bool OnePage() const { return Layout == Layouts::OnePage; }

    // The project has fields of its own (beyond the two built-in ones).
    bool HasFields() const { return Fields.size() > 2; }
    // "Login" mode, or "Join" mode where only members may add.
    bool MembersRule() const;

    // The field with sequence number n > 0, or nullptr.
    const TBField* FieldBySeqNo(qint32 n) const;

    // Field operations; each returns true when it changed the definition.
    // `entered` holds what the field details dialog returned.
    bool AddField(const TBField& entered);
    bool ModifyField(qint32 n, const TBField& entered);
    // `confirm` asks "Are you sure you want to delete the selected record?"
    // and answers true only for Yes; it is asked only when field n exists.
    bool DeleteField(qint32 n, const std::function<bool()>& confirm);
    bool FieldUp(qint32 n);
    bool FieldDown(qint32 n);

    QString MakeColumnName(const QString& displayName, const QString& avoid = {}) const;
    TFieldGrid FillGrid() const;

    // The store layout of a project key (settings and field subkeys).
    // LoadFromKey raises TStoreError for a value of the wrong kind.
    void LoadFromKey(const TStoreKey& key, const QString& where = {});
    void SaveToKey(TStoreKey& key) const;

private:
    int indexOfSeqNo(qint32 n) const;
    void sortFields();
};
