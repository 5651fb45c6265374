// export --csv and import --csv/--xlsx: records from and into spreadsheets.
#include "Command.h"

#include "deploy/Deployment.h"
#include "deploy/ScriptedPort.h"
#include "deploy/SheetRecords.h"
#include "deploy/SheetWriter.h"
#include "model/Table.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString absolute(const QCommandLineParser& parser, const QString& option) {
    if (!parser.optionNames().contains(option))
        return {};
    const QString value = parser.value(option);
    return value.isEmpty() ? value : QFileInfo(value).absoluteFilePath();
}

// --delimiter: ",", ";", "tab" (or a tab itself); null when not given.
bool delimiterOption(const QCommandLineParser& parser, QChar& delimiter) {
    if (!parser.isSet(QStringLiteral("delimiter")))
        return true;
    const QString d = parser.value(QStringLiteral("delimiter"));
    if (d == QLatin1String(",") || d == QLatin1String(";"))
        delimiter = d[0];
    else if (d.compare(QLatin1String("tab"), Qt::CaseInsensitive) == 0 || d == QLatin1String("\t"))
        delimiter = u'\t';
    else
        return false;
    return true;
}

} // namespace

void AddSheetOptions(QCommandLineParser& parser, bool import) {
    parser.addOption({QStringLiteral("csv"),
                      import ? QStringLiteral("Write the records into this CSV file (UTF-8).")
                             : QStringLiteral("Send the rows of this CSV file."),
                      QStringLiteral("F")});
    if (import) {
        parser.addOption({QStringLiteral("xlsx"),
                          QStringLiteral("Write the records into this workbook (.xlsx)."),
                          QStringLiteral("F")});
        return;
    }
    parser.addOption({QStringLiteral("append"), QStringLiteral("Add to the rows on the server "
                                                               "(the default).")});
    parser.addOption({QStringLiteral("map"),
                      QStringLiteral("Which column fills which field, over the guess by "
                                     "header names: \"Column=Field,...\"; \"Column=\" leaves "
                                     "a column out. A column may be given by its number."),
                      QStringLiteral("COLUMN=FIELD,...")});
    parser.addOption({QStringLiteral("check"),
                      QStringLiteral("Only read and check the spreadsheet; send nothing.")});
    parser.addOption({QStringLiteral("delimiter"),
                      QStringLiteral("The values' separator: \",\", \";\" or \"tab\" "
                                     "(found by itself when not given)."),
                      QStringLiteral("D")});
    parser.addOption({QStringLiteral("encoding"),
                      QStringLiteral("UTF-8, UTF-16 or Windows-1252 (found by itself when not "
                                     "given)."),
                      QStringLiteral("E")});
    parser.addOption({QStringLiteral("decimal-comma"),
                      QStringLiteral("Numbers are written with a decimal comma (the default "
                                     "when values are separated by semicolons).")});
    parser.addOption({QStringLiteral("decimal-point"),
                      QStringLiteral("Numbers are written with a decimal point.")});
}

bool SheetAsked(const QCommandLineParser& parser) {
    for (const QString& option : {QStringLiteral("csv"), QStringLiteral("xlsx")})
        if (parser.optionNames().contains(option))
            return true;
    return false;
}

int RunSheetExport(const QCommandLineParser& parser, TCliContext& context, const TBTable& t,
                   QString& why) {
    const QString csv = absolute(parser, QStringLiteral("csv"));
    if (csv.isEmpty()) {
        why = QStringLiteral("--csv needs the spreadsheet's file.");
        return CliUsage;
    }
    if (parser.isSet(QStringLiteral("append")) && parser.isSet(QStringLiteral("replace"))) {
        why = QStringLiteral("Give --append or --replace, not both.");
        return CliUsage;
    }
    if (parser.isSet(QStringLiteral("decimal-comma")) &&
        parser.isSet(QStringLiteral("decimal-point"))) {
        why = QStringLiteral("Give --decimal-comma or --decimal-point, not both.");
        return CliUsage;
    }
    TSheetOptions options;
    if (!delimiterOption(parser, options.Csv.Delimiter)) {
        why = QStringLiteral("--delimiter takes \",\", \";\" or \"tab\".");
        return CliUsage;
    }
    if (parser.isSet(QStringLiteral("encoding"))) {
        options.Csv.Encoding = CsvEncodingNamed(parser.value(QStringLiteral("encoding")));
        if (!options.Csv.Encoding) {
            why = QStringLiteral("--encoding takes UTF-8, UTF-16 or Windows-1252.");
            return CliUsage;
        }
    }
    if (parser.isSet(QStringLiteral("decimal-comma")))
        options.DecimalComma = true;
    if (parser.isSet(QStringLiteral("decimal-point")))
        options.DecimalComma = false;
    options.Map = parser.value(QStringLiteral("map"));

    TSheetRecords sheet(t);
    if (!sheet.Open(csv, options)) {
        context.err << sheet.Error() << "\n";
        return CliFailed;
    }
    const TSheetMapping& m = sheet.Mapping();
    context.err << "Spreadsheet " << csv << ": " << CsvEncodingName(sheet.Encoding())
                << ", values separated by "
                << (sheet.Delimiter() == u'\t' ? QStringLiteral("tabs")
                                               : QStringLiteral("\"%1\"").arg(sheet.Delimiter()))
                << ", decimal " << (sheet.DecimalComma() ? "comma" : "point") << ", "
                << (m.HasHeader() ? "columns by their names" : "columns by position (no header)")
                << ".\nFields: " << m.Describe() << "\n";
    if (!m.UnmappedColumns().isEmpty())
        context.err << "Columns not sent: " << m.UnmappedColumns().join(QStringLiteral(", "))
                    << "\n";
    if (!m.EmptyValues().isEmpty())
        context.err << "Fields left empty: " << m.EmptyValues().join(QStringLiteral(", ")) << "\n";

    const bool check = parser.isSet(QStringLiteral("check"));
    auto folder = std::make_shared<QTemporaryDir>();
    if (!sheet.Convert(check ? QString() : folder->path(), 0)) {
        context.err << sheet.Error() << "\n";
        return CliFailed;
    }
    if (sheet.RefusedCount() > 0) {
        context.err << sheet.RefusalReport() << "\n";
        return CliFailed;
    }
    // Most likely the wrong file; with --replace it would empty the table.
    if (sheet.Rows() == 0) {
        context.err << "The spreadsheet " << csv << " holds no rows: nothing was sent.\n";
        return CliFailed;
    }
    if (check) {
        context.out << sheet.Rows() << " rows are ready to be sent; nothing was sent.\n";
        return CliOk;
    }
    const bool replace = parser.isSet(QStringLiteral("replace"));
    return RunDeployment(
        context,
        [&](TScriptedPort& port) {
            port.AnswerTo(QStringLiteral("lines already exists on the server."),
                          replace ? QStringLiteral("Replace") : QStringLiteral("Append"));
        },
        [&](TDeployment& d) {
            d.ExportSheet(t, false, sheet.Files(), folder, sheet.RefusalNamer());
        });
}

int RunSheetImport(const QCommandLineParser& parser, TCliContext& context, const TBTable& t,
                   QString& why) {
    const QString csv = absolute(parser, QStringLiteral("csv"));
    const QString xlsx = absolute(parser, QStringLiteral("xlsx"));
    if (csv.isEmpty() == xlsx.isEmpty()) {
        why = QStringLiteral("Give one of --csv and --xlsx, with its file.");
        return CliUsage;
    }
    const QString path = csv.isEmpty() ? xlsx : csv;
    if ((SheetFormatOf(path) == TSheetFormat::Xlsx) != csv.isEmpty()) {
        why = csv.isEmpty() ? QStringLiteral("The workbook's name must end in .xlsx.")
                            : QStringLiteral("A CSV file's name must not end in .xlsx.");
        return CliUsage;
    }
    return RunDeployment(
        context, [](TScriptedPort&) {}, [&](TDeployment& d) { d.ImportSheet(t, false, path); });
}
