#include "Field.h"

TBField TBField::StoredDefaults() {
    TBField f;
    f.TextLength = 30;
    f.ImageWidth = 50;
    f.ImageHeight = 50;
    f.TextAreaColumns = 30;
    f.TextAreaLines = 20;
    return f;
}

TBField TBField::NewField() {
    TBField f;
    f.MaxLength = 100;
    f.Visible = true;
    f.Searchable = true;
    f.Editable = true;
    f.TextLength = 30;
    f.ImageWidth = 50;
    f.ImageHeight = 50;
    f.TextAreaColumns = 30;
    f.TextAreaLines = 1;
    return f;
}

void TBField::AssignEditable(const TBField& from) {
    FieldType = from.FieldType;
    MaxLength = from.MaxLength;
    DecimalSymbol = from.DecimalSymbol;
    NoDuplicates = from.NoDuplicates;
    Required = from.Required;
    Key = from.Key;
    Name = from.Name;
    Visible = from.Visible;
    Searchable = from.Searchable;
    Hidden = from.Hidden;
    Editable = from.Editable;
    InputType = from.InputType;
    TextLength = from.TextLength;
    EnumValues = from.EnumValues;
    DateTimeFormat = from.DateTimeFormat;
    ImageWidth = from.ImageWidth;
    ImageHeight = from.ImageHeight;
    TextAreaColumns = from.TextAreaColumns;
    TextAreaLines = from.TextAreaLines;
}

QString FieldKey(qint32 seqNo) { return (QStringLiteral("00000") + QString::number(seqNo)).right(6); }

QStringList FieldTypes::All() {
    return {Text, Integer, Real, YesNo, DateTime, Image, ImageLink, Mailto, Hyperlink};
}

QStringList InputTypes::All() {
    return {Text, Radio, Select, Checkbox, TextArea, DateTime, Image, ImageLink, Mailto, Hyperlink};
}

QStringList DateTimeFormats() {
    return {QStringLiteral("DD/MM/YYYY hh:mm:ss"), QStringLiteral("MM/DD/YYYY hh:mm:ss"),
            QStringLiteral("DD/MM/YYYY hh:mm"),    QStringLiteral("MM/DD/YYYY hh:mm"),
            QStringLiteral("DD/MM/YYYY"),          QStringLiteral("MM/DD/YYYY"),
            QStringLiteral("hh:mm:ss"),            QStringLiteral("hh:mm")};
}
