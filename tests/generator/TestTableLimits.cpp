// The project checks count the room of a table as the server does: for each
// shape of field, the most fields the checks accept make a table that
// create_db.php creates on the local web host and that holds a record with
// every field as full as a record keeps it; one field more, which the checks
// refuse, the server refuses too (the table, or such a record).
#include "GeneratorFixtures.h"
#include "common/WebHost.h"
#include "model/ProjectCheck.h"

#include <QDir>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(TBField)

namespace {

TBTable withFields(int n, const std::function<TBField(int)>& make) {
    TBTable t = MakeProject(QStringLiteral("limits"), {});
    for (int i = 1; i <= n; ++i) {
        TBField f = make(i);
        f.SeqNo = i;
        f.Name = QStringLiteral("Field %1").arg(i);
        f.FieldName = QStringLiteral("a%1").arg(i);
        f.FieldName2 = QStringLiteral("b%1").arg(i);
        t.Fields.push_back(f);
    }
    return t;
}

// The largest count of fields the checks accept (up to 1100).
int mostAccepted(const std::function<TBField(int)>& make) {
    int low = 0, high = 1100;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (CheckProject(withFields(mid, make)))
            high = mid - 1;
        else
            low = mid;
    }
    return low;
}

TBField shaped(const QString& type, const QString& input, bool required, bool unique, bool key,
               int maxLength) {
    TBField f;
    f.FieldType = type;
    f.InputType = input;
    f.Required = required;
    f.NoDuplicates = unique;
    f.Key = key;
    f.MaxLength = maxLength;
    if (input == InputTypes::DateTime)
        f.DateTimeFormat = DateTimeFormats().first();
    return f;
}

} // namespace

class TestTableLimits : public QObject {
    Q_OBJECT
    int site_ = 0;

    // What create_db.php answers for the table: empty when it was created.
    QString create(TBTable t) {
        TWebHost& host = TWebHost::Instance();
        host.ApplyTo(t, QStringLiteral("limits%1").arg(++site_));
        if (!QDir().mkpath(t.LocalPath))
            return QStringLiteral("cannot make ") + t.LocalPath;
        TGeneratorProbe probe;
        if (!probe.generator.RuntimeScript(t, false) || !probe.generator.CreateScript(t))
            return QStringLiteral("generating failed");
        const THttpReply r =
            host.Get(t.URL + probe.generator.KeyedScript(QStringLiteral("create_db.php")));
        if (Paragraph(r.body, "corvanta_ok").isNull())
            return QString::fromLatin1(r.body.right(300));
        // Every value as long as a record keeps it: a long text leaves it, one
        // of 40 bytes does not; a short unique one in 4-byte letters.
        QStringList columns, values;
        for (const TBField& f : t.Fields) {
            const QString n = QString::number(f.SeqNo);
            const bool shortUnique = f.FieldType == FieldTypes::Text && (f.NoDuplicates || f.Key) &&
                                     f.MaxLength * 4 <= 255;
            if (f.SeqNo <= 0)
                continue;
            columns << f.FieldName;
            if (shortUnique)
                values << QStringLiteral("CONCAT(REPEAT(_utf8mb4 X'F09F9880', %1), LPAD(%2, 4, "
                                         "'0'))")
                              .arg(f.MaxLength - 4)
                              .arg(n);
            else if (f.FieldType == FieldTypes::DateTime)
                values << QStringLiteral("'20240101000000'");
            else if (f.FieldType == FieldTypes::Integer)
                values << n;
            else
                values << QStringLiteral("CONCAT(REPEAT('x', 36), LPAD(%1, 4, '0'))").arg(n);
            if (f.FieldType == FieldTypes::Mailto || f.FieldType == FieldTypes::Hyperlink) {
                columns << f.FieldName2;
                values << QStringLiteral("REPEAT('y', 40)");
            }
        }
        QString error;
        host.Exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(t.TableName, columns.join(u','), values.join(u',')),
                  &error);
        return error;
    }

private slots:
    void initTestCase() {
        TWebHost& host = TWebHost::Instance();
        QVERIFY2(host.Running(), qPrintable(host.Error()));
    }

    void serverAgrees_data() {
        using namespace FieldTypes;
        namespace In = InputTypes;
        QTest::addColumn<TBField>("field");
        QTest::addColumn<int>("expected");
        // MySQL refuses more than these keys; MariaDB takes longer ones.
        QTest::addColumn<bool>("mysqlOnly");
        QTest::newRow("texts") << shaped(Text, In::Text, false, false, false, 0) << 192 << false;
        QTest::newRow("required texts")
            << shaped(Text, In::Text, true, false, false, 0) << 192 << false;
        QTest::newRow("dates") << shaped(DateTime, In::DateTime, false, false, false, 0) << 139
                               << false;
        QTest::newRow("numbers") << shaped(Integer, In::Text, false, false, false, 0) << 506
                                 << false;
        QTest::newRow("unique numbers")
            << shaped(Integer, In::Text, false, true, false, 0) << 63 << false;
        QTest::newRow("short unique texts")
            << shaped(Text, In::Text, false, true, false, 63) << 31 << false;
        QTest::newRow("unique addresses")
            << shaped(Mailto, In::Mailto, false, true, false, 0) << 63 << false;
        QTest::newRow("links") << shaped(Hyperlink, In::Hyperlink, false, false, false, 0) << 97
                               << false;
        QTest::newRow("key texts") << shaped(Text, In::Text, false, false, true, 255) << 3 << true;
        QTest::newRow("key numbers")
            << shaped(Integer, In::Text, false, false, true, 0) << 16 << true;
    }
    void serverAgrees() {
        QFETCH(TBField, field);
        QFETCH(int, expected);
        QFETCH(bool, mysqlOnly);
        const auto make = [&](int) { return field; };
        const int most = mostAccepted(make);
        QCOMPARE(most, expected);
        const QString created = create(withFields(most, make));
        QVERIFY2(created.isEmpty(), qPrintable(created));
        if (!mysqlOnly)
            QVERIFY2(!create(withFields(most + 1, make)).isEmpty(),
                     "the server took a table and a full record the checks refuse");
    }
};

QTEST_MAIN(TestTableLimits)
#include "TestTableLimits.moc"
