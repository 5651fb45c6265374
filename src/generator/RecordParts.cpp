#include "RecordParts.h"

namespace RecordParts {

const std::vector<TDatePart>& DateParts() {
    static const std::vector<TDatePart> parts = {
        {QStringLiteral("_year"), QStringLiteral("$yyyy"), 4, 0, QStringLiteral("0000"),
         QStringLiteral("YYYY"), QStringLiteral("YY"), QStringLiteral("DateTimeYearLabel"), u'Y'},
        {QStringLiteral("_month"), QStringLiteral("$mm"), 2, 4, QStringLiteral("00"),
         QStringLiteral("MM"), QStringLiteral("MM"), QStringLiteral("DateTimeMonthLabel"), u'M'},
        {QStringLiteral("_day"), QStringLiteral("$dd"), 2, 6, QStringLiteral("00"),
         QStringLiteral("DD"), QStringLiteral("DD"), QStringLiteral("DateTimeDayLabel"), u'D'},
        {QStringLiteral("_hour"), QStringLiteral("$hh"), 2, 8, QStringLiteral("00"),
         QStringLiteral("hh"), QStringLiteral("hh"), QStringLiteral("DateTimeHourLabel"), u'h'},
        {QStringLiteral("_minute"), QStringLiteral("$m2"), 2, 10, QStringLiteral("00"),
         QStringLiteral("mm"), QStringLiteral("mm"), QStringLiteral("DateTimeMinuteLabel"), u'm'},
        {QStringLiteral("_second"), QStringLiteral("$ss"), 2, 12, QStringLiteral("00"),
         QStringLiteral("ss"), QStringLiteral("ss"), QStringLiteral("DateTimeSecondLabel"), u's'},
    };
    return parts;
}

const TDatePart* DatePartOf(QChar letter) {
    for (const TDatePart& p : DateParts())
        if (p.letter == letter)
            return &p;
    return nullptr;
}

QString FieldMessage(const TBTable& t, const QString& key, const TBField& f) {
    return t.Language.Text(key).replace(u'#', TPHPGenerator::HtmlText(f.Name));
}

QString HeredocText(QStringView text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\\' || c == u'$')
            out += u'\\';
        out += c;
    }
    return out;
}

QString PostedDate(const TBField& f) {
    QStringList parts;
    for (const TDatePart& p : DateParts())
        parts += QStringLiteral("str_pad($HTTP_POST_VARS[\"%1%2\"], %3, \"0\", STR_PAD_LEFT)")
                     .arg(f.FieldName, p.suffix)
                     .arg(p.width);
    return parts.join(u'.');
}

QString ShownDateParts(const TBField& f) {
    QString shown;
    const QString& format = f.DateTimeFormat;
    qsizetype i = 0;
    while (i < format.size()) {
        if (const TDatePart* p = DatePartOf(format[i])) {
            if (!shown.contains(p->letter))
                shown += p->letter;
            i += p->width;
        } else {
            ++i;
        }
    }
    return shown;
}

QString RefusalKeys(const TBTable& t) {
    QStringList entries;
    for (const TUniqueKey& key : TPHPGenerator::UniqueKeys(t)) {
        const QString message =
            key.field ? FieldMessage(t, QStringLiteral("FieldValueExists"), *key.field)
                      : t.Language.Text(QStringLiteral("KeyExists"));
        entries += u'"' + TPHPGenerator::PhpString(key.name) + QStringLiteral("\" => \"") +
                   TPHPGenerator::PhpString(message) + u'"';
    }
    return QStringLiteral("array(") + entries.join(QStringLiteral(", ")) + u')';
}

void StoreOrRefuse(TPHPGenerator& g, const QString& indent, const QString& successKey,
                   const QString& failureKey) {
    // The pictures the change took or gave up go with it, and it counts only
    // once its COMMIT went through.
    g.Lines(uR"php(
{I}if ($picturefailed == "") :
{I}  $res = mysql_query($req);
{I}else:
{I}  $res = FALSE;
{I}endif;
{I}if ($res):
{I}  $maxid = mysql_insert_id();
{I}  $res = (corvanta_settle_pictures() && mysql_query("COMMIT"));
{I}endif;
{I}if ($res):
{I}  print "{success|raw|php}";
{I}else:
{I}  if ($picturefailed != "") :
{I}    $refusal = $picturefailed;
{I}  else:
{I}    $refusal = corvanta_refusal(mysql_errno(), mysql_error(), {keys|raw}, "{failure|raw|php}");
{I}  endif;
{I}  mysql_query("ROLLBACK");
{I}  print $refusal."\n";
{I}  $fieldsarevalid = FALSE;
{I}endif;
)php",
            {{QStringLiteral("I"), indent},
             {QStringLiteral("success"), g.Table().Language.Text(successKey)},
             {QStringLiteral("failure"), g.Table().Language.Text(failureKey)},
             {QStringLiteral("keys"), RefusalKeys(g.Table())}});
}

void UploadHead(TPHPGenerator& g, const TBField& f, const QString& column, int indent, bool keep) {
    // A picture that came is stored (only a real one: the validation has
    // refused what is none); else the one a refused post of this form kept
    // counts as sent, and the record takes it.
    const TTemplateVars vars{
        {QStringLiteral("c"), column},
        {QStringLiteral("I"), QString(indent, u' ')},
        {QStringLiteral("keep"), keep ? QStringLiteral("TRUE") : QStringLiteral("FALSE")},
        {QStringLiteral("m"), FieldMessage(g.Table(), QStringLiteral("PictureNotReceived"), f)}};
    g.Lines(uR"php(
{I}$imageid = corvanta_kept_picture("{c}");
{I}$stored = corvanta_store_picture("{c}", $userid, {keep});
{I}if ($stored === FALSE) : $picturefailed = "{m|raw|php}"; endif;
)php",
            vars);
    g.Lines(
        keep
            ? uR"php({I}if ($stored > 0) : $imageid = $stored; endif;)php"
            : uR"php({I}if ($stored > 0) : $imageid = $stored; elseif ($imageid > 0) : corvanta_claim_picture($imageid); endif;)php",
        vars);
    g.Lines(uR"php({I}if ($imageid > 0) :)php", vars);
}

void KeepPictures(TPHPGenerator& g, const TBTable& t, bool admin) {
    g.WriteLine(u"      $keptpictures = array();");
    for (const TBField& f : UserFields(t)) {
        const QString column = PictureColumn(f);
        if (Left(f, admin) || column.isEmpty())
            continue;
        UploadHead(g, f, column, 6, true);
        g.Lines(uR"php(
        $keptpictures["{c}"] = $imageid;
      endif;
)php",
                {{QStringLiteral("c"), column}});
    }
}

void SelectionPaging(TPHPGenerator& g, const TBTable& t, const QString& errorKey) {
    for (const TBField& f : t.Fields)
        if (f.Visible) {
            g.Lines(uR"php(      $req = $req." ORDER BY {FieldName} ";)php", f);
            break;
        }
    g.Lines(uR"php(
      $limit = 0;
      if (array_key_exists("limit", $HTTP_POST_VARS)) :
        $limit = max(0, intval($HTTP_POST_VARS["limit"]));
      endif; 
      $req = $req." LIMIT ".$limit.", {n};";
      $res = mysql_query($req) or die ("{error|raw|php}");
)php",
            {{QStringLiteral("n"), QString::number(t.LinesPerPage + 1)},
             {QStringLiteral("error"), t.Language.Text(errorKey)}});
}

} // namespace RecordParts
