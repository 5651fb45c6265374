#include "ProjectJson.h"

#include "ProjectCheck.h"
#include "Settings.h"
#include "Store.h"
#include "TrustedServers.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

[[noreturn]] void refuse(const QString& message) { throw TProjectJsonError(message); }

QString describe(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Bool: return QStringLiteral("true or false");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a text");
    case QJsonValue::Array: return QStringLiteral("a list");
    case QJsonValue::Object: return QStringLiteral("an object");
    default: return QStringLiteral("null");
    }
}

qint32 integerValue(const QJsonValue& v, const QString& where) {
    if (!v.isDouble())
        refuse(QStringLiteral("%1 must be a whole number, not %2.").arg(where, describe(v)));
    const double d = v.toDouble();
    // Colours are often written unsigned (0x8000000D); both halves map to 32 bits.
    if (d != double(qint64(d)) || d < -2147483648.0 || d > 4294967295.0)
        refuse(QStringLiteral("%1 must be a whole number of 32 bits.").arg(where));
    return qint32(quint32(qint64(d)));
}

bool boolValue(const QJsonValue& v, const QString& where) {
    if (!v.isBool())
        refuse(QStringLiteral("%1 must be true or false, not %2.").arg(where, describe(v)));
    return v.toBool();
}

QString stringValue(const QJsonValue& v, const QString& where) {
    if (!v.isString())
        refuse(QStringLiteral("%1 must be a text, not %2.").arg(where, describe(v)));
    return v.toString();
}

TStoreKey fieldKeyFromJson(const QJsonObject& o, const QString& where) {
    TStoreKey key;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString name = it.key();
        const QString what = QStringLiteral("%1: \"%2\"").arg(where, name);
        const TFieldValueInfo* info = nullptr;
        for (const TFieldValueInfo& v : FieldValues())
            if (v.name == name)
                info = &v;
        if (!info)
            refuse(QStringLiteral("%1 is not a field value.").arg(what));
        switch (info->kind) {
        case TFieldValueInfo::Kind::String:
            key.writeString(name, stringValue(it.value(), what));
            break;
        case TFieldValueInfo::Kind::Integer:
            key.writeInteger(name, integerValue(it.value(), what));
            break;
        case TFieldValueInfo::Kind::Bool:
            key.writeInteger(name, boolValue(it.value(), what) ? 1 : 0);
            break;
        case TFieldValueInfo::Kind::Lines: {
            if (!it.value().isArray())
                refuse(QStringLiteral("%1 must be a list of texts.").arg(what));
            QStringList lines;
            for (const QJsonValue& line : it.value().toArray())
                lines.append(stringValue(line, what));
            key.writeString(name, JoinLines(lines));
            break;
        }
        }
    }
    return key;
}

void checkTransfer(const TBTable& table) {
    if (!TransferModes::All().contains(table.Transfer))
        refuse(QStringLiteral("The setting \"Transfer\" must be one of %1, not \"%2\".")
                   .arg(TransferModes::All().join(QStringLiteral(", ")), table.Transfer));
    static const QRegularExpression sha256(QStringLiteral("^([0-9a-f]{64})?$"));
    for (const auto& [name, value] : {std::pair{QStringLiteral("TrustedCertificate"),
                                                table.TrustedCertificate},
                                      std::pair{QStringLiteral("TrustedHostKey"),
                                                table.TrustedHostKey}})
        if (!sha256.match(value).hasMatch())
            refuse(QStringLiteral("The setting \"%1\" must be a SHA-256 fingerprint (64 "
                                  "lower-case hexadecimal digits), not \"%2\".")
                       .arg(name, value));
    if (!TrustedServers::Valid(table.TrustedCertificates))
        refuse(QStringLiteral("The setting \"TrustedCertificates\" must be a list of "
                              "host:port=sha256 entries separated by commas, not \"%1\".")
                   .arg(table.TrustedCertificates));
}

// Fields without column names keep those of the stored field of the same
// Name, so a site made from the stored project still matches its table.
void reuseColumnNames(TBTable& table, const TBTable& stored) {
    QSet<QString> given;
    for (const TBField& f : table.Fields)
        if (f.SeqNo > 0 && !f.FieldName.isEmpty())
            given << f.FieldName << f.FieldName2;
    std::vector<const TBField*> free;
    for (const TBField& s : stored.Fields)
        if (s.SeqNo > 0 && !given.contains(s.FieldName))
            free.push_back(&s);
    for (TBField& f : table.Fields) {
        if (f.SeqNo <= 0 || !f.FieldName.isEmpty())
            continue;
        const auto match = std::find_if(free.begin(), free.end(),
                                        [&](const TBField* s) { return s && s->Name == f.Name; });
        if (match == free.end())
            continue;
        f.FieldName = (*match)->FieldName;
        if (f.FieldName2.isEmpty())
            f.FieldName2 = (*match)->FieldName2;
        *match = nullptr;
    }
}

} // namespace

QJsonObject ProjectToJson(const TBTable& table) {
    TStoreKey key;
    table.SaveToKey(key);
    QJsonObject settings;
    for (const TSettingInfo& s : ProjectSettings()) {
        switch (s.kind) {
        case TSettingInfo::Kind::String:
            settings.insert(s.name, key.readString(s.name).value_or(QString()));
            break;
        case TSettingInfo::Kind::Integer:
            settings.insert(s.name, key.readInteger(s.name).value_or(0));
            break;
        case TSettingInfo::Kind::Bool:
            settings.insert(s.name, key.readInteger(s.name).value_or(0) != 0);
            break;
        }
    }
    QJsonArray fields;
    for (const TBField& f : table.Fields) {
        if (f.SeqNo <= 0)
            continue;
        QJsonObject o;
        const TStoreKey& sub = *key.subkey(FieldKey(f.SeqNo));
        for (const TFieldValueInfo& v : FieldValues()) {
            switch (v.kind) {
            case TFieldValueInfo::Kind::String:
                o.insert(v.name, sub.readString(v.name).value_or(QString()));
                break;
            case TFieldValueInfo::Kind::Integer:
                o.insert(v.name, sub.readInteger(v.name).value_or(0));
                break;
            case TFieldValueInfo::Kind::Bool:
                o.insert(v.name, sub.readInteger(v.name).value_or(0) != 0);
                break;
            case TFieldValueInfo::Kind::Lines:
                o.insert(v.name, QJsonArray::fromStringList(f.EnumValues));
                break;
            }
        }
        fields.append(o);
    }
    return {{QStringLiteral("DbName"), table.DbName},
            {QStringLiteral("Settings"), settings},
            {QStringLiteral("Fields"), fields}};
}

TBTable ProjectFromJson(const QJsonObject& json, const TBTable* stored) {
    for (auto it = json.begin(); it != json.end(); ++it)
        if (it.key() != QLatin1String("DbName") && it.key() != QLatin1String("Settings") &&
            it.key() != QLatin1String("Fields"))
            refuse(QStringLiteral("\"%1\" is not part of a project.").arg(it.key()));

    TStoreKey key;
    const QJsonValue settingsValue = json.value(QStringLiteral("Settings"));
    if (!settingsValue.isUndefined() && !settingsValue.isObject())
        refuse(QStringLiteral("\"Settings\" must be an object."));
    const QJsonObject settings = settingsValue.toObject();
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        const TSettingInfo* info = nullptr;
        for (const TSettingInfo& s : ProjectSettings())
            if (s.name == it.key())
                info = &s;
        const QString what = QStringLiteral("The setting \"%1\"").arg(it.key());
        if (!info)
            refuse(QStringLiteral("\"%1\" is not a setting.").arg(it.key()));
        switch (info->kind) {
        case TSettingInfo::Kind::String:
            key.writeString(it.key(), stringValue(it.value(), what));
            if (it.key() == QLatin1String("Layout") &&
                it.value() != Layouts::OnePage && it.value() != Layouts::Frames)
                refuse(QStringLiteral("%1 must be \"%2\" or \"%3\", not \"%4\".")
                           .arg(what, Layouts::OnePage, Layouts::Frames, it.value().toString()));
            break;
        case TSettingInfo::Kind::Integer:
            key.writeInteger(it.key(), integerValue(it.value(), what));
            break;
        case TSettingInfo::Kind::Bool:
            key.writeInteger(it.key(), boolValue(it.value(), what) ? 1 : 0);
            break;
        }
    }

    const QJsonValue fieldsValue = json.value(QStringLiteral("Fields"));
    if (!fieldsValue.isUndefined() && !fieldsValue.isArray())
        refuse(QStringLiteral("\"Fields\" must be a list."));
    const QJsonArray fields = fieldsValue.toArray();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString where = QStringLiteral("Field %1").arg(i + 1);
        if (!fields.at(i).isObject())
            refuse(QStringLiteral("%1 must be an object.").arg(where));
        TStoreKey field = fieldKeyFromJson(fields.at(i).toObject(), where);
        if (!field.hasValue(QStringLiteral("SeqNo")))
            field.writeInteger(QStringLiteral("SeqNo"), qint32(i + 1));
        const qint32 seqNo = *field.readInteger(QStringLiteral("SeqNo"));
        if (seqNo != i + 1)
            refuse(QStringLiteral("%1 has the sequence number %2; fields must be numbered 1, 2, "
                                  "3, ... in their order.")
                       .arg(where)
                       .arg(seqNo));
        key.createSubkey(FieldKey(seqNo)) = field;
    }

    const QJsonValue name = json.value(QStringLiteral("DbName"));
    if (!name.isUndefined() && !name.isString())
        refuse(QStringLiteral("\"DbName\" must be a text, not %1.").arg(describe(name)));
    TBTable table;
    table.DbName = name.toString();
    table.LoadFromKey(key);
    // As the settings dialog takes them.
    table.URL = WebPath(table.URL);
    table.PHPPath = WebPath(table.PHPPath);
    table.LocalPath = LocalFolderPath(table.LocalPath);
    if (stored)
        reuseColumnNames(table, *stored);
    for (TBField& f : table.Fields) {
        if (f.SeqNo <= 0)
            continue;
        if (f.FieldName.isEmpty())
            f.FieldName = table.MakeColumnName(f.Name, f.FieldName2);
        if (f.FieldName2.isEmpty())
            f.FieldName2 = table.MakeColumnName(f.Name, f.FieldName);
    }
    checkTransfer(table);
    if (const TDefinitionCheck problem = CheckProject(table)) {
        const QStringList places = JsonPlacesOf(table, *problem);
        refuse(places.isEmpty() ? problem->Message
                                : QStringLiteral("%1\n(In the project JSON: %2.)")
                                      .arg(problem->Message, places.join(QStringLiteral(", "))));
    }
    return table;
}

QStringList JsonSettingPlaces(const QStringList& settings) {
    QStringList places;
    for (const QString& s : settings)
        places << QStringLiteral("Settings.") + s;
    return places;
}

QStringList JsonPlacesOf(const TBTable& t, const TDefinitionProblem& problem) {
    if (problem.Setting.isEmpty())
        return {};
    if (problem.Field <= 0)
        return JsonSettingPlaces({problem.Setting});
    // "Fields" lists the user's fields only, in their order.
    qsizetype index = 0;
    for (const TBField& f : t.Fields) {
        if (f.SeqNo <= 0)
            continue;
        if (f.SeqNo == problem.Field)
            return {QStringLiteral("Fields[%1].%2").arg(index).arg(problem.Setting)};
        ++index;
    }
    return {};
}
