#include "GeneratorFixtures.h"

TBField MakeField(const QString& column, const QString& type, const QString& flags,
                  qint32 maxLength) {
    TBField f;
    f.FieldName = column;
    f.FieldName2 = column + QStringLiteral("two");
    f.FieldType = type;
    f.Name = column;
    f.MaxLength = maxLength;
    f.Required = flags.contains(u'R');
    f.NoDuplicates = flags.contains(u'U');
    f.Key = flags.contains(u'K');
    f.Searchable = flags.contains(u'S');
    f.Visible = true;
    f.Editable = true;
    f.InputType = InputTypes::Text;
    f.TextLength = 20;
    return f;
}

TBTable MakeProject(const QString& tableName, const std::vector<TBField>& fields) {
    TBTable t = TBTable::New();
    // The specified layout; the one-page layout has tests of its own.
    t.Layout = Layouts::Frames;
    t.DbName = tableName;
    t.TableName = tableName;
    t.AdminPassword = QStringLiteral("secret");
    qint32 seq = 0;
    for (TBField f : fields) {
        f.SeqNo = ++seq;
        t.Fields.push_back(f);
    }
    return t;
}

QByteArray Paragraph(const QByteArray& answer, const QByteArray& cssClass) {
    const QByteArray marker = "<P CLASS=\"" + cssClass + "\">";
    const qsizetype at = answer.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype from = at + marker.size();
    const qsizetype end = answer.indexOf("</P>", from);
    return answer.mid(from, end < 0 ? -1 : end - from);
}

QByteArray Section(const QByteArray& answer, const QByteArray& start, const QByteArray& end) {
    const QByteArray open = "<P CLASS=\"" + start + "\">";
    const QByteArray close = "<P CLASS=\"" + end + "\">";
    const qsizetype at = answer.indexOf(open);
    const qsizetype to = answer.indexOf(close);
    if (at < 0 || to < 0)
        return {};
    return answer.mid(at + open.size(), to - at - open.size());
}
