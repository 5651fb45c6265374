#include "RecordLayout.h"

#include "Table.h"

namespace {

bool hasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

TValueKind kindOf(const TBField& f) {
    if (f.FieldType == FieldTypes::Integer)
        return TValueKind::Integer;
    if (f.FieldType == FieldTypes::Real)
        return TValueKind::Real;
    if (f.FieldType == FieldTypes::YesNo)
        return TValueKind::YesNo;
    if (f.FieldType == FieldTypes::DateTime)
        return TValueKind::DateTime;
    if (f.FieldType == FieldTypes::Image)
        return TValueKind::PictureRef;
    return TValueKind::Text;
}

TTransferFile recordsFile(const TBTable& t) {
    TTransferFile file{QStringLiteral("records"), QStringLiteral("records file"), {}, {}};
    if (t.UserUpdate)
        file.Values.append({QStringLiteral("userid"), QStringLiteral("owner"), TValueKind::Owner});
    for (size_t i = 2; i < t.Fields.size(); ++i) {
        const TBField& f = t.Fields[i];
        file.Values.append({f.FieldName, f.Name, kindOf(f), &f});
        if (hasSecondColumn(f)) {
            const TValueKind second =
                f.FieldType == FieldTypes::ImageLink ? TValueKind::PictureRef : TValueKind::Text;
            file.Values.append(
                {f.FieldName2, f.Name + QStringLiteral(" (") + f.FieldName2 + u')', second, &f});
        }
        if (RecordsCarryLocks(t))
            file.LockColumns.append(f.FieldName + QStringLiteral("_USEREDIT"));
    }
    return file;
}

} // namespace

QStringList TTransferFile::StageColumns() const {
    QStringList columns;
    if (Kind == QLatin1String("records"))
        columns.append(QStringLiteral("recordid"));
    for (const TTransferValue& v : Values)
        columns.append(v.Column);
    return columns + LockColumns;
}

bool SiteHasMembers(const TBTable& t) {
    return t.MembersRule() || (t.UserUpdate && t.UserMode == QLatin1String("Join"));
}

bool RecordsCarryLocks(const TBTable& t) {
    return t.UserUpdate && t.UserMode == QLatin1String("Login");
}

QList<TTransferFile> TransferLayout(const TBTable& t) {
    QList<TTransferFile> files;
    if (SiteHasMembers(t))
        files.append(
            {QStringLiteral("users"),
             QStringLiteral("users file"),
             {{QStringLiteral("userid"), QStringLiteral("id"), TValueKind::Id},
              {QStringLiteral("username"), QStringLiteral("name"), TValueKind::Text},
              {QStringLiteral("userpassword"), QStringLiteral("password"), TValueKind::Text}},
             {}});
    files.append(
        {QStringLiteral("images"),
         QStringLiteral("images file"),
         {{QStringLiteral("imageid"), QStringLiteral("id"), TValueKind::Id},
          {QStringLiteral("userid"), QStringLiteral("owner"), TValueKind::Owner},
          {QStringLiteral("image_data"), QStringLiteral("picture"), TValueKind::PictureData},
          {QStringLiteral("image_type"), QStringLiteral("type"), TValueKind::Text}},
         {}});
    files.append(recordsFile(t));
    return files;
}
