#include "model/TableFields.h"

#include <QRegularExpression>
#include <QTest>

namespace {

TBField entered(const QString& name, const QString& type = FieldTypes::Text) {
    TBField f;
    f.Name = name;
    f.FieldType = type;
    f.InputType = InputTypes::Text;
    f.TextLength = 30;
    return f;
}

QStringList names(const TBTable& t) {
    QStringList result;
    for (const TBField& f : t.Fields)
        if (f.SeqNo > 0)
            result.append(QStringLiteral("%1:%2").arg(f.SeqNo).arg(f.Name));
    return result;
}

TBTable withFields(int count) {
    TBTable t = TBTable::New();
    for (int i = 1; i <= count; ++i)
        t.AddField(entered(QStringLiteral("F%1").arg(i)));
    return t;
}

} // namespace

class TestTable : public QObject {
    Q_OBJECT
private slots:
    void builtInFields() {
        const TBTable t;
        QCOMPARE(t.Fields.size(), size_t(2));
        QCOMPARE(t.Fields[0].FieldName, QStringLiteral("recordid"));
        QVERIFY(t.Fields[0].NoDuplicates && t.Fields[0].Required && t.Fields[0].Hidden);
        QCOMPARE(t.Fields[1].FieldName, QStringLiteral("userid"));
        QCOMPARE(t.Fields[1].Name, QStringLiteral("User ID"));
        QCOMPARE(t.Fields[1].TextLength, 20);
        QVERIFY(!t.HasFields());
    }

    void newDefaults() {
        const TBTable t = TBTable::New();
        QCOMPARE(t.Skin, QStringLiteral("default.css"));
        QCOMPARE(t.NumOfFilterFields, 2);
        QCOMPARE(t.NumOfSortFields, 2);
        QCOMPARE(t.MenuHeight, 100);
        QCOMPARE(t.LinesPerPage, 10);
        QVERIFY(!t.AllowSearch && !t.AllowAddModify && !t.OnlyMembersCanAdd && !t.AllowDelete &&
                !t.AllowChangePassword && !t.AllowSendPassword);
        QCOMPARE(t.FieldDelimiter, QStringLiteral("|"));
        QCOMPARE(t.RecordDelimiter, QStringLiteral("\n"));
        QCOMPARE(t.ReplaceDelimiterWith, QStringLiteral("_"));
        QCOMPARE(t.CounterColor, 0);
    }

    void fieldKeys() {
        QCOMPARE(FieldKey(1), QStringLiteral("000001"));
        QCOMPARE(FieldKey(12), QStringLiteral("000012"));
        QCOMPARE(FieldKey(0), QStringLiteral("000000"));
        QCOMPARE(FieldKey(1234567), QStringLiteral("234567"));
    }

    void columnNameRule_data() {
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("msec");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letters kept, lower case") << "First Name!" << 0 << "firstname1";
        QTest::newRow("milliseconds + 1") << "First Name!" << 999 << "firstname1000";
        QTest::newRow("only digits") << "2024" << 41 << "generated42";
        QTest::newRow("non-Latin letters dropped") << QString::fromUtf8("Größe") << 5 << "gre6";
        QTest::newRow("nothing Latin") << QString::fromUtf8("Ωμέγα") << 7 << "generated8";
    }
    void columnNameRule() {
        QFETCH(QString, display);
        QFETCH(int, msec);
        QFETCH(QString, expected);
        TBTable t;
        t.MilliClock = [msec] { return msec; };
        QCOMPARE(t.MakeColumnName(display), expected);
    }

    void columnNamesNeverCollide() {
        TBTable t = TBTable::New();
        t.MilliClock = [] { return 0; }; // every reading the same: only the rule keeps names apart
        t.AddField(entered(QStringLiteral("Email")));
        t.AddField(entered(QStringLiteral("Email")));
        t.AddField(entered(QStringLiteral("Record ID")));
        QStringList columns;
        for (const TBField& f : t.Fields) {
            columns << f.FieldName;
            if (!f.FieldName2.isEmpty())
                columns << f.FieldName2;
        }
        QCOMPARE(columns.removeDuplicates(), 0);
        static const QRegularExpression shape(QStringLiteral("^[a-z]+[0-9]+$"));
        for (const TBField& f : t.Fields) {
            if (f.SeqNo == 0)
                continue;
            QVERIFY(shape.match(f.FieldName).hasMatch());
            QVERIFY(f.FieldName != f.FieldName2);
        }
        QCOMPARE(t.Fields[2].FieldName, QStringLiteral("email1"));
        QCOMPARE(t.Fields[2].FieldName2, QStringLiteral("email2"));
        QCOMPARE(t.Fields[3].FieldName, QStringLiteral("email3"));
    }

    void modifyKeepsColumns() {
        TBTable t = withFields(2);
        const TBField before = *t.FieldBySeqNo(2);
        TBField changed = before;
        changed.Name = QStringLiteral("Renamed");
        changed.FieldType = FieldTypes::Integer;
        changed.FieldName = QStringLiteral("other");
        changed.SeqNo = 7;
        QVERIFY(t.ModifyField(2, changed));
        const TBField* after = t.FieldBySeqNo(2);
        QCOMPARE(after->Name, QStringLiteral("Renamed"));
        QCOMPARE(after->FieldType, FieldTypes::Integer);
        QCOMPARE(after->FieldName, before.FieldName);
        QCOMPARE(after->FieldName2, before.FieldName2);
        QCOMPARE(after->SeqNo, 2);
        QVERIFY(!t.ModifyField(3, changed));
        QVERIFY(!t.ModifyField(0, changed));
    }

    void deleteRenumbers() {
        TBTable t = withFields(4);
        int asked = 0;
        QVERIFY(!t.DeleteField(5, [&] { ++asked; return true; }));
        QCOMPARE(asked, 0); // no question for a field that does not exist
        QVERIFY(!t.DeleteField(2, [&] { ++asked; return false; }));
        QCOMPARE(names(t).size(), 4);
        QVERIFY(t.DeleteField(2, [&] { ++asked; return true; }));
        QCOMPARE(names(t), (QStringList{"1:F1", "2:F3", "3:F4"}));
        QCOMPARE(t.FillGrid().RowCount, 4);
        // A new field continues after the last one.
        t.AddField(entered(QStringLiteral("F5")));
        QCOMPARE(t.Fields.back().SeqNo, 4);
    }

    void upAndDown() {
        TBTable t = withFields(3);
        QVERIFY(!t.FieldUp(1));
        QVERIFY(!t.FieldDown(3));
        QVERIFY(!t.FieldUp(4));
        QVERIFY(t.FieldUp(3));
        QCOMPARE(names(t), (QStringList{"1:F1", "2:F3", "3:F2"}));
        QVERIFY(t.FieldDown(1));
        QCOMPARE(names(t), (QStringList{"1:F3", "2:F1", "3:F2"}));
        // Built-in fields stay first and untouched.
        QCOMPARE(t.Fields[0].FieldName, QStringLiteral("recordid"));
        QCOMPARE(t.Fields[1].FieldName, QStringLiteral("userid"));
    }

    void grid() {
        const TBTable empty;
        TFieldGrid g = empty.FillGrid();
        QCOMPARE(g.RowCount, 2);
        QCOMPARE(g.Rows.size(), 1);
        QCOMPARE(g.Rows[0], QStringList(7, QString()));
        QCOMPARE(g.ColumnWidths, (QList<int>{28, 150, 100, 100, 80, 80, 80}));
        QCOMPARE(g.Headers.first(), QStringLiteral("Seq."));

        TBTable t = TBTable::New();
        TBField f = entered(QStringLiteral("Price"), FieldTypes::Real);
        f.Required = true;
        f.Searchable = true;
        t.AddField(f);
        g = t.FillGrid();
        QCOMPARE(g.Rows[0], (QStringList{"1", "Price", "Real number", "Text", "No", "Yes", "Yes"}));
    }

    void membersRule() {
        TBTable t;
        QVERIFY(!t.MembersRule());
        t.UserMode = QStringLiteral("Login");
        QVERIFY(t.MembersRule());
        t.UserMode = QStringLiteral("Join");
        QVERIFY(!t.MembersRule());
        t.OnlyMembersCanAdd = true;
        QVERIFY(t.MembersRule());
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "TestTable.moc"
