// Generating the files of a 100-field project against copying the same bytes
// file by file: how much the templates cost beyond the file system's share.
#include "generator/PHPgenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

TBTable hundredFields(const QString& folder) {
    TBTable t = TBTable::New();
    t.TableName = QStringLiteral("bench");
    t.LocalPath = folder + QLatin1Char('/');
    t.DatabaseServer = QStringLiteral("127.0.0.1:3306");
    t.AdminPassword = QStringLiteral("secret");
    t.UserUpdate = true;
    t.UserMode = QStringLiteral("Login");
    t.CreateCounter = true;
    t.CounterPosition = QStringLiteral("Menu");
    const QStringList types = FieldTypes::All();
    for (int i = 1; i <= 100; ++i) {
        TBField f;
        f.SeqNo = i;
        f.FieldName = QStringLiteral("field%1").arg(i);
        f.FieldName2 = QStringLiteral("fieldtwo%1").arg(i);
        f.Name = QStringLiteral("Field %1").arg(i);
        f.FieldType = types[i % types.size()];
        f.MaxLength = 40;
        f.Searchable = i % 3 == 0;
        f.Required = i % 4 == 0;
        f.NoDuplicates = i % 10 == 0;
        f.Key = i == 7 || i == 8;
        t.Fields.push_back(f);
    }
    return t;
}

// Twenty records of the project, for export_db.php.
QByteArray records(const TBTable& t) {
    QByteArray text;
    for (int r = 0; r < 20; ++r) {
        QByteArrayList values{QByteArray::number(r)};
        for (size_t i = 2; i < t.Fields.size(); ++i) {
            values += "value \"" + QByteArray::number(r) + "\" $x \\ " + QByteArray::number(i);
            const QString& type = t.Fields[i].FieldType;
            if (type == FieldTypes::ImageLink || type == FieldTypes::Mailto ||
                type == FieldTypes::Hyperlink)
                values += "second";
        }
        text += values.join('|') + "\r\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir work;
    const QString site = work.filePath(QStringLiteral("site"));
    const QString copy = work.filePath(QStringLiteral("copy"));
    QDir().mkpath(site + QStringLiteral("/admin"));
    QDir().mkpath(copy + QStringLiteral("/admin"));
    const TBTable t = hundredFields(site);
    const QString data = work.filePath(QStringLiteral("records.txt"));
    const QString empty = work.filePath(QStringLiteral("empty.txt"));
    {
        QFile f(data);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(records(t));
        QFile(empty).open(QIODevice::WriteOnly);
    }

    TPHPGenerator generator([&](const QString& text) { out << text << "\n"; });
    const auto generate = [&] {
        return generator.RuntimeScript(t, false) && generator.CreateScript(t) &&
               generator.RemoveScript(t) && generator.DownloadScript(t) &&
               generator.RecordCountScript(t) &&
               generator.UploadScript(t, data, empty, false, empty) &&
               generator.RuntimeScript(t, true);
    };
    if (!generate())
        return 1;
    QStringList files;
    qint64 bytes = 0;
    for (const QString& folder : {QString(), QStringLiteral("admin/")})
        for (const QString& name : QDir(site + QLatin1Char('/') + folder).entryList(QDir::Files)) {
            files += folder + name;
            bytes += QFileInfo(site + QLatin1Char('/') + folder + name).size();
        }
    const auto copyAll = [&] {
        for (const QString& name : files) {
            QFile in(site + QLatin1Char('/') + name);
            QFile target(copy + QLatin1Char('/') + name);
            if (!in.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly))
                return false;
            if (target.write(in.readAll()) < 0)
                return false;
        }
        return true;
    };

    // Enough rounds for a stable figure, the same number for both.
    int rounds = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000 || rounds < 20) {
        if (!generate())
            return 1;
        ++rounds;
    }
    const double generateMs = double(clock.nsecsElapsed()) / 1e6 / rounds;
    clock.restart();
    for (int i = 0; i < rounds; ++i)
        if (!copyAll())
            return 1;
    const double copyMs = double(clock.nsecsElapsed()) / 1e6 / rounds;

    out << "project: 100 fields; " << files.size() << " files, " << bytes << " bytes\n";
    out << "rounds: " << rounds << "\n";
    out << "generate: " << QString::number(generateMs, 'f', 3) << " ms per round\n";
    out << "copy: " << QString::number(copyMs, 'f', 3) << " ms per round\n";
    out << "generate ratio " << QString::number(generateMs / copyMs, 'f', 2) << "\n";
    return 0;
}
