#include "model/ProjectJson.h"
#include "model/ProjectStore.h"
#include "model/Settings.h"

#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

namespace {

TBField textField(const QString& name) {
    TBField f;
    f.Name = name;
    f.FieldType = FieldTypes::Text;
    f.InputType = InputTypes::Text;
    f.TextLength = 30;
    return f;
}

unsigned fileMode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 0777;
}

// A project large enough that saving it takes a moment.
QByteArray bigProjectJson(const QString& name, int fields) {
    TBTable t = TBTable::New();
    t.DbName = name;
    t.EmailBody = QString(20000, u'x');
    for (int i = 1; i <= fields; ++i) {
        TBField f = textField(QStringLiteral("Field %1").arg(i));
        f.EnumValues = QStringList(50, QStringLiteral("value %1").arg(i));
        t.AddField(f);
    }
    return QJsonDocument(ProjectToJson(t)).toJson();
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString storePath;

private slots:
    void init() {
        storePath = dir.filePath(
            QStringLiteral("store-%1.json").arg(QRandomGenerator::global()->generate()));
    }

    void emptyKeyLoadsStoredDefaults() {
        TStore store(storePath);
        QVERIFY(ProjectStore::List(store).isEmpty());
        ProjectStore::Create(store, QStringLiteral("Shop"));
        QVERIFY(ProjectStore::Exists(store, QStringLiteral("Shop")));
        QVERIFY(!ProjectStore::Exists(store, QStringLiteral("Other")));
        const TBTable t = ProjectStore::Load(store, QStringLiteral("Shop"));
        QCOMPARE(t.DbName, QStringLiteral("Shop"));
        QVERIFY(!t.HasFields());
        QCOMPARE(t.MenuHeight, 100);
        QCOMPARE(t.LinesPerPage, 10);
        QCOMPARE(t.NumOfFilterFields, 3);
        QCOMPARE(t.NumOfSortFields, 3);
        QVERIFY(t.AllowSearch && t.AllowAddModify && t.OnlyMembersCanAdd && t.AllowDelete &&
                t.AllowChangePassword);
        // A new project sends no passwords until asked to, and shows one page.
        QVERIFY(!t.AllowSendPassword);
        QCOMPARE(t.Layout, Layouts::OnePage);
        // A new project starts with the shipped skin, so its settings can be
        // confirmed at once.
        QCOMPARE(t.Skin, QStringLiteral("default.css"));
        QCOMPARE(t.FieldDelimiter, QStringLiteral("|"));
        QCOMPARE(t.RecordDelimiter, QStringLiteral("\n"));
        QCOMPARE(t.ReplaceDelimiterWith, QStringLiteral("_"));
        QCOMPARE(quint32(t.CounterColor), 0x8000000Du);
        QCOMPARE(quint32(t.CounterTextFontColor), 0x80000018u);
        QCOMPARE(t.CounterNumberFontSize, 10);
        // Stored before encryption was offered: encrypted where the server can.
        QCOMPARE(t.Transfer, QStringLiteral("ftps-if-offered"));
        QVERIFY(t.TrustedCertificate.isEmpty() && t.TrustedHostKey.isEmpty());
        // A key stored before the one-page layout: the frames it was made
        // with, and the password mail as it was.
        store.update([](TStoreKey& root) {
            root.createSubkey(QStringLiteral("Old"))
                .writeString(QStringLiteral("Skin"), QStringLiteral("default.css"));
        });
        const TBTable old = ProjectStore::Load(store, QStringLiteral("Old"));
        QCOMPARE(old.Layout, Layouts::Frames);
        QVERIFY(old.AllowSendPassword);
        // An absent key: nothing read, everything empty.
        const TBTable absent = ProjectStore::Load(store, QStringLiteral("Absent"));
        QCOMPARE(absent.MenuHeight, 0);
        QVERIFY(!absent.AllowSearch);
        // No name: a new project.
        QCOMPARE(ProjectStore::Load(store, QString()).Skin, QStringLiteral("default.css"));
        QCOMPARE(ProjectStore::Load(store, QString()).Layout, Layouts::OnePage);
    }

    void layoutValues() {
        TStore store(storePath);
        for (const QString& stored : {Layouts::OnePage, Layouts::Frames, QStringLiteral("tabs")}) {
            store.update([&](TStoreKey& root) {
                root.createSubkey(QStringLiteral("Site"))
                    .writeString(QStringLiteral("Layout"), stored);
            });
            const TBTable t = ProjectStore::Load(store, QStringLiteral("Site"));
            // Anything unknown is the layout every older project had.
            QCOMPARE(t.Layout, stored == Layouts::OnePage ? Layouts::OnePage : Layouts::Frames);
        }
    }

    // The transfer settings in project JSON: known values only, and
    // fingerprints as stored (64 lower-case hex digits).
    void transferSettingsInJson() {
        const auto load = [](const QByteArray& settings) {
            return ProjectFromJson(
                QJsonDocument::fromJson("{\"Settings\": " + settings + "}").object());
        };
        const QString sha(64, u'a');
        const TBTable t =
            load("{\"Transfer\": \"sftp\", \"TrustedHostKey\": \"" + sha.toLatin1() + "\"}");
        QCOMPARE(t.Transfer, QStringLiteral("sftp"));
        QCOMPARE(t.TrustedHostKey, sha);
        QCOMPARE(ProjectToJson(t)
                     .value(QStringLiteral("Settings"))
                     .toObject()
                     .value(QStringLiteral("Transfer"))
                     .toString(),
                 QStringLiteral("sftp"));
        QCOMPARE(load("{}").Transfer, QStringLiteral("ftps-if-offered"));
        for (const QByteArray& bad :
             {QByteArray("{\"Transfer\": \"scp\"}"),
              QByteArray("{\"TrustedCertificate\": \"AB:CD\"}"),
              "{\"TrustedHostKey\": \"" + sha.toUpper().toLatin1() + "\"}"}) {
            try {
                load(bad);
                QFAIL(bad.constData());
            } catch (const TProjectJsonError& e) {
                QVERIFY2(e.message().contains(QLatin1String("The setting")),
                         qPrintable(e.message()));
            }
        }
    }

    void layoutAndRoundTrip() {
        TStore store(storePath);
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("Club");
        t.DatabaseDisplayName = QStringLiteral("Our \"club\" $members");
        t.UserMode = QStringLiteral("Login");
        t.AllowDelete = true;
        t.CounterColor = qint32(0x8000000Du);
        t.Language.LoadFrom(QString(), QStringLiteral("German"));
        TBField f = textField(QStringLiteral("Colour"));
        f.InputType = InputTypes::Select;
        f.EnumValues = {QStringLiteral("Yes"), QStringLiteral("No")};
        t.AddField(f);
        t.AddField(textField(QStringLiteral("Size")));
        ProjectStore::Save(store, t);

        const TStoreKey root = store.read();
        const TStoreKey* key = root.subkey(QStringLiteral("Club"));
        QVERIFY(key);
        QCOMPARE(key->values().size(), 87); // and Layout, Transfer, the four Trusted... values
        QStringList order;
        for (const TStoreValue& v : key->values())
            order << v.name;
        QCOMPARE(order.first(), QStringLiteral("DatabaseDisplayName"));
        QCOMPARE(order.at(1), QStringLiteral("WebLanguage"));
        QCOMPARE(order.at(2), QStringLiteral("MenuHeight"));
        QCOMPARE(order.at(64), QStringLiteral("CounterColor"));
        QCOMPARE(order.at(80), QStringLiteral("CounterOffset"));
        QCOMPARE(order.at(81), QStringLiteral("Layout"));
        QCOMPARE(key->readString(QStringLiteral("Layout")), Layouts::OnePage);
        QCOMPARE(order.last(), QStringLiteral("TrustedProxies"));
        QCOMPARE(key->readString(QStringLiteral("WebLanguage")), QStringLiteral("German"));
        QCOMPARE(key->readInteger(QStringLiteral("AllowDelete")), 1);
        QCOMPARE(key->subkeyNames(), (QStringList{"000001", "000002"}));
        const TStoreKey* field = key->subkey(QStringLiteral("000001"));
        QCOMPARE(field->values().size(), 22);
        QCOMPARE(field->values().first().name, QStringLiteral("FieldName"));
        QCOMPARE(field->readString(QStringLiteral("EnumValues")), QStringLiteral("Yes\r\nNo\r\n"));

        const TBTable back = ProjectStore::Load(store, QStringLiteral("Club"));
        QCOMPARE(back.DatabaseDisplayName, t.DatabaseDisplayName);
        QCOMPARE(back.Language.Name(), QStringLiteral("German"));
        QCOMPARE(back.CounterColor, t.CounterColor);
        QCOMPARE(back.Fields.size(), t.Fields.size());
        for (size_t i = 0; i < t.Fields.size(); ++i)
            QCOMPARE(back.Fields[i], t.Fields[i]);
        QCOMPARE(QJsonDocument(ProjectToJson(back)).toJson(),
                 QJsonDocument(ProjectToJson(t)).toJson());
    }

    void deletedFieldsDisappear() {
        TStore store(storePath);
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        for (const char* n : {"A", "B", "C"})
            t.AddField(textField(QString::fromLatin1(n)));
        ProjectStore::Save(store, t);
        t.DeleteField(2, [] { return true; });
        ProjectStore::Save(store, t);
        QCOMPARE(store.read().subkey(QStringLiteral("P"))->subkeyNames(),
                 (QStringList{"000001", "000002"}));
        const TBTable back = ProjectStore::Load(store, QStringLiteral("P"));
        QCOMPARE(back.FieldBySeqNo(2)->Name, QStringLiteral("C"));
    }

    void fieldWithoutSeqNo() {
        TStore store(storePath);
        store.update([](TStoreKey& root) {
            TStoreKey& p = root.createSubkey(QStringLiteral("P"));
            TStoreKey& f = p.createSubkey(QStringLiteral("000001"));
            f.writeString(QStringLiteral("Name"), QStringLiteral("Lost"));
            f.writeString(QStringLiteral("FieldName"), QStringLiteral("lost1"));
        });
        TBTable t = ProjectStore::Load(store, QStringLiteral("P"));
        QCOMPARE(t.Fields.size(), size_t(3));
        QCOMPARE(t.Fields[2].SeqNo, 0);
        QCOMPARE(t.Fields[2].TextLength, 30); // field defaults
        QCOMPARE(t.Fields[2].ImageWidth, 50);
        QCOMPARE(t.FillGrid().Rows[0], QStringList(7, QString()));
        ProjectStore::Save(store, t);
        QVERIFY(store.read().subkey(QStringLiteral("P"))->subkeyNames().isEmpty());
    }

    void uploadedSurvivesSave() {
        TStore store(storePath);
        QVERIFY(!ProjectStore::ReadUploaded(store, QStringLiteral("P")));
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        ProjectStore::Save(store, t);
        QVERIFY(!ProjectStore::ReadUploaded(store, QStringLiteral("P")));
        ProjectStore::MarkUploaded(store, QStringLiteral("P"));
        t.MenuHeight = 120;
        ProjectStore::Save(store, t);
        QVERIFY(ProjectStore::ReadUploaded(store, QStringLiteral("P")));
        // Save as: the old key stays as it was.
        t.DbName = QStringLiteral("Q");
        ProjectStore::Save(store, t);
        QCOMPARE(ProjectStore::List(store), (QStringList{"P", "Q"}));
        QVERIFY(!ProjectStore::ReadUploaded(store, QStringLiteral("Q")));
        ProjectStore::Remove(store, QStringLiteral("P"));
        QCOMPARE(ProjectStore::List(store), (QStringList{"Q"}));
    }

    void subkeysAscending() {
        TStore store(storePath);
        for (const char* n : {"beta", "Alpha", "gamma", "Beta2", "alpha"})
            ProjectStore::Create(store, QString::fromLatin1(n));
        QCOMPARE(ProjectStore::List(store),
                 (QStringList{"Alpha", "alpha", "beta", "Beta2", "gamma"}));
    }

    void wrongKindIsAnError() {
        TStore store(storePath);
        store.update([](TStoreKey& root) {
            root.createSubkey(QStringLiteral("P"))
                .writeString(QStringLiteral("MenuHeight"), QStringLiteral("tall"));
        });
        try {
            ProjectStore::Load(store, QStringLiteral("P"));
            QFAIL("a text where a number belongs must not load");
        } catch (const TStoreError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("MenuHeight")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(storePath), qPrintable(e.message()));
        }
    }

    // Every kind of damage is refused with the file's path, by the program
    // and by corvanta-cli, and the file stays byte for byte as it was: a part
    // read as empty would be written back empty by the next save.
    void damagedStoresAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = R"({"format":"corvanta-store","version":1,"root":)";
        const auto root = [&](const char* row, const char* json) {
            QTest::newRow(row) << head + json + "}";
        };
        QTest::newRow("cut short") << head + "{\"val"; // raw strings with odd quotes trip moc
        QTest::newRow("not json") << QByteArray("not json at all");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("other format") << QByteArray(R"({"format":"other"})");
        QTest::newRow("a list at the top") << QByteArray("[1,2]");
        QTest::newRow("unknown version")
            << QByteArray(R"({"format":"corvanta-store","version":2,"root":{}})");
        QTest::newRow("version as text")
            << QByteArray(R"({"format":"corvanta-store","version":"1","root":{}})");
        root("no root", "null");
        root("root is a list", "[]");
        root("project list is a list", R"({"values":[],"keys":[{"values":[]}]})");
        root("project list is a text", R"({"values":[],"keys":"Shop"})");
        root("project is a text", R"({"keys":{"Shop":"x"}})");
        root("field list is a list", R"({"keys":{"Shop":{"values":[],"keys":[{"values":[]}]}}})");
        root("settings are an object",
             R"({"keys":{"Shop":{"values":{"name":"MenuHeight","integer":1}}}})");
        root("settings are a text", R"({"keys":{"Shop":{"values":"MenuHeight"}}})");
        root("value is a text", R"({"values":["HelpPath"]})");
        root("value without a name", R"({"values":[{"string":"x"}]})");
        root("value without a kind", R"({"values":[{"name":"HelpPath"}]})");
        root("value of two kinds", R"({"values":[{"name":"HelpPath","string":"x","integer":1}]})");
        root("value twice",
             R"({"values":[{"name":"HelpPath","string":"x"},{"name":"HelpPath","string":"y"}]})");
        root("text that is a number", R"({"values":[{"name":"HelpPath","string":5}]})");
        root("number that is a text", R"({"values":[{"name":"MenuHeight","integer":"5"}]})");
        root("number with a fraction", R"({"values":[{"name":"MenuHeight","integer":1.5}]})");
        root("number beyond 32 bits", R"({"values":[{"name":"MenuHeight","integer":4294967296}]})");
        root("number that is true", R"({"values":[{"name":"MenuHeight","integer":true}]})");
        // The JSON reader keeps one of them; the next save would drop the other.
        root("project twice", R"({"keys":{"Shop":{"values":[]},"Shop":{"values":[]}}})");
    }
    void damagedStoresAreRefused() {
        QFETCH(QByteArray, bytes);
        WriteFileBytes(storePath, bytes);
        TStore store(storePath);
        try {
            ProjectStore::List(store);
            QFAIL("a damaged store must be reported");
        } catch (const TStoreError& e) {
            QVERIFY2(e.message().contains(storePath), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("It was left as it is.")),
                     qPrintable(e.message()));
        }
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        QVERIFY_THROWS_EXCEPTION(TStoreError, ProjectStore::Save(store, t));
        const TCliResult listed = RunCli(storePath, {QStringLiteral("list")});
        QCOMPARE(listed.status, 1);
        QVERIFY(listed.out.isEmpty());
        QVERIFY2(listed.err.contains("is damaged"), listed.err.constData());
        QCOMPARE(ReadFileBytes(storePath), bytes);
    }

    // A save killed after writing its temporary file leaves it behind; the
    // next save removes it, and only what a save of this store would write.
    void leftoversOfAKilledSaveAreRemoved() {
        TStore store(storePath);
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        ProjectStore::Save(store, t);
        const QString leftover = storePath + QStringLiteral(".4242-0badf00d.tmp");
        const QString foreign = storePath + QStringLiteral(".notes.tmp");
        WriteFileBytes(leftover, QByteArray(100000, 'x'));
        WriteFileBytes(foreign, "mine");
        ProjectStore::Save(store, t);
        QVERIFY(!QFileInfo::exists(leftover));
        QCOMPARE(ReadFileBytes(foreign), QByteArray("mine"));
    }

    // A store that is a symbolic link stays one: the file it points to gets
    // the change, also when the link is relative or the file not there yet.
    void symlinkedStoreKeepsItsLink() {
        const QString name = QFileInfo(storePath).fileName();
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("real")));
        const QString target = dir.filePath(QStringLiteral("real/") + name);
        QVERIFY(QFile::link(QStringLiteral("real/") + name, storePath));
        TStore store(storePath);
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("First");
        ProjectStore::Save(store, t);
        t.DbName = QStringLiteral("Second");
        ProjectStore::Save(store, t);
        QVERIFY(QFileInfo(storePath).isSymLink());
        QCOMPARE(ProjectStore::List(TStore(target)), (QStringList{"First", "Second"}));
        QCOMPARE(fileMode(target), 0600u);
    }

    // The folder made for the store is the owner's alone, whatever the umask.
    void storeFolderIsPrivate() {
        const QString top =
            dir.filePath(QStringLiteral("fresh-") + QFileInfo(storePath).baseName());
        const mode_t old = ::umask(0);
        TStore store(top + QStringLiteral("/corvanta/store.json"));
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        try {
            ProjectStore::Save(store, t);
        } catch (...) {
            ::umask(old);
            throw;
        }
        ::umask(old);
        QCOMPARE(fileMode(top), 0700u);
        QCOMPARE(fileMode(top + QStringLiteral("/corvanta")), 0700u);
    }

    // What cannot be read is an error that names it, never an empty store;
    // nothing but a regular file of a sensible size is read; a disk that is
    // full or read-only is called so.
    void storesThatCannotBeReadOrWrittenSayWhy() {
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        // "" when `act` raises an error that says `text`, else what happened.
        const auto says = [](const std::function<void()>& act, const char* text) -> QString {
            try {
                act();
            } catch (const TStoreError& e) {
                return e.message().contains(QLatin1String(text)) ? QString() : e.message();
            }
            return QStringLiteral("no error");
        };
        const auto list = [](const QString& path) {
            return [path] { ProjectStore::List(TStore(path)); };
        };
        const QString zero = dir.filePath(QStringLiteral("zero.json"));
        const QString fifo = dir.filePath(QStringLiteral("fifo.json"));
        QFile big(dir.filePath(QStringLiteral("big.json")));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(65) << 20)); // sparse
        QCOMPARE(says(list(zero), "/dev/zero is not a regular file"), QString());
        QCOMPARE(says(list(fifo), "is not a regular file"), QString());
        QCOMPARE(says(list(big.fileName()), "larger than 64 MB"), QString());

        // A folder on the way that its user cannot open (root is made nobody).
        const QString locked = dir.filePath(QStringLiteral("locked"));
        TStore store(locked + QStringLiteral("/corvanta/store.json"));
        ProjectStore::Save(store, t);
        const bool root = ::geteuid() == 0;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
        ::chmod(QFile::encodeName(locked).constData(), root ? 0700 : 0);
        QStringList command = {QDir(BinDir()).filePath(QStringLiteral("corvanta-cli")),
                               QStringLiteral("list")};
        if (root)
            command =
                QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                            QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} +
                command;
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVANTA_STORE"), store.path());
        cli.setProcessEnvironment(env);
        cli.start(command.takeFirst(), command);
        QVERIFY(cli.waitForFinished(60000));
        ::chmod(QFile::encodeName(locked).constData(), 0700);
        QCOMPARE(cli.exitCode(), 1);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QVERIFY(cli.readAllStandardError().contains("the folder " + QFile::encodeName(locked) +
                                                    " cannot be opened"));

        // A full disk, a disk without free entries, a read-only disk.
        const QString disk = dir.filePath(QStringLiteral("disk"));
        QDir().mkpath(disk);
        if (!root ||
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=64k,nr_inodes=16"), QStringLiteral("tmpfs"),
                               disk}) != 0)
            QSKIP("a small disk of its own needs root and mount");
        const auto unmount =
            qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk}); });
        TStore onDisk(disk + QStringLiteral("/store.json"));
        ProjectStore::Save(onDisk, t);
        const auto save = [&] { ProjectStore::Save(onDisk, t); };
        for (int i = 0; QFile(disk + QStringLiteral("/entry%1").arg(i)).open(QIODevice::WriteOnly);
             ++i) {
        }
        QCOMPARE(says(save, "the disk is full"), QString());
        for (const QString& name : QDir(disk).entryList({QStringLiteral("entry*")}))
            QFile::remove(disk + u'/' + name);
        QFile filler(disk + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
        }
        filler.close();
        QCOMPARE(says(save, "the disk is full"), QString());
        QFile::remove(filler.fileName());
        QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                                   {QStringLiteral("-o"), QStringLiteral("remount,ro"), disk}),
                 0);
        QCOMPARE(says(save, "read-only file system"), QString());
        QCOMPARE(ProjectStore::List(onDisk), QStringList{QStringLiteral("P")});
    }

    void unwritableFolder() {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const QString folder = dir.filePath(QStringLiteral("readonly"));
        QDir().mkpath(folder);
        TStore store(folder + QStringLiteral("/store.json"));
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        ProjectStore::Save(store, t);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        t.MenuHeight = 5;
        QVERIFY_THROWS_EXCEPTION(TStoreError, ProjectStore::Save(store, t));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QCOMPARE(ProjectStore::Load(store, QStringLiteral("P")).MenuHeight, 100);
    }

    void unwritablePathReported() {
        // A file where the store's folder should be: no user can write there.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        WriteFileBytes(blocker, "x");
        TStore store(blocker + QStringLiteral("/store.json"));
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        try {
            ProjectStore::Save(store, t);
            QFAIL("saving below a file must fail");
        } catch (const TStoreError& e) {
            QVERIFY(e.message().contains(blocker));
        }
    }

    void privateFileMode() {
        TStore store(storePath);
        TBTable t = TBTable::New();
        t.DbName = QStringLiteral("P");
        ProjectStore::Save(store, t);
        QCOMPARE(fileMode(storePath), 0600u);
        QFile::setPermissions(storePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadOther);
        ProjectStore::Save(store, t);
        QCOMPARE(fileMode(storePath), 0600u);
        ProjectStore::MarkUploaded(store, QStringLiteral("P"));
        QCOMPARE(fileMode(storePath), 0600u);
    }

    // A save killed at any moment leaves the store as before or as after.
    void killedSaveNeverBreaksTheStore() {
        const QString json = dir.filePath(QStringLiteral("big.json"));
        WriteFileBytes(json, bigProjectJson(QStringLiteral("Big"), 120));
        QCOMPARE(RunCli(storePath, {QStringLiteral("import-project"), json}).status, 0);
        const QByteArray before =
            QJsonDocument(
                ProjectToJson(ProjectStore::Load(TStore(storePath), QStringLiteral("Big"))))
                .toJson();
        const QString json2 = dir.filePath(QStringLiteral("big2.json"));
        WriteFileBytes(json2, bigProjectJson(QStringLiteral("Big"), 121));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVANTA_STORE"), storePath);
        int killed = 0;
        for (int round = 0; round < 25; ++round) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QDir(BinDir()).filePath(QStringLiteral("corvanta-cli")),
                    {QStringLiteral("import-project"), round % 2 ? json : json2});
            QVERIFY(p.waitForStarted());
            QTest::qWait(QRandomGenerator::global()->bounded(5, 60));
            if (p.state() == QProcess::Running) {
                p.kill();
                ++killed;
            }
            p.waitForFinished();
            const TBTable t = ProjectStore::Load(TStore(storePath), QStringLiteral("Big"));
            QVERIFY(t.Fields.size() == 122 || t.Fields.size() == 123);
            if (t.Fields.size() == 122)
                QCOMPARE(QJsonDocument(ProjectToJson(t)).toJson(), before);
        }
        qInfo("%d of 25 saves killed", killed);
        // The next save leaves no temporary file of a killed one behind.
        QCOMPARE(RunCli(storePath, {QStringLiteral("import-project"), json}).status, 0);
        QCOMPARE(QDir(dir.path())
                     .entryList({QFileInfo(storePath).fileName() + QStringLiteral(".*.tmp")}),
                 QStringList());
    }

    // Two programs saving at the same time: neither loses its project.
    void concurrentSaves() {
        const QString a = dir.filePath(QStringLiteral("a.json"));
        const QString b = dir.filePath(QStringLiteral("b.json"));
        WriteFileBytes(a, bigProjectJson(QStringLiteral("A"), 30));
        WriteFileBytes(b, bigProjectJson(QStringLiteral("B"), 30));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CORVANTA_STORE"), storePath);
        const QString script = QStringLiteral(
            "for i in $(seq 15); do \"$0\" import-project \"$1\" --name \"$2$i\" || exit 1; done");
        const QString cli = QDir(BinDir()).filePath(QStringLiteral("corvanta-cli"));
        QProcess pa, pb;
        pa.setProcessEnvironment(env);
        pb.setProcessEnvironment(env);
        pa.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), script, cli, a, QStringLiteral("A")});
        pb.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), script, cli, b, QStringLiteral("B")});
        QVERIFY(pa.waitForFinished(120000));
        QVERIFY(pb.waitForFinished(120000));
        QCOMPARE(pa.exitCode(), 0);
        QCOMPARE(pb.exitCode(), 0);
        const QStringList projects = ProjectStore::List(TStore(storePath));
        QCOMPARE(projects.size(), 30);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "TestStore.moc"
