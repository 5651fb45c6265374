#pragma once

// Pieces the record pages share: the user fields, the six parts of a date,
// texts for the templates.
#include "PHPgenerator.h"

#include <span>

namespace RecordParts {

// The fields after the built-in "recordid" and "userid".
inline std::span<const TBField> UserFields(const TBTable& t) {
    if (t.Fields.size() <= 2)
        return {};
    return std::span<const TBField>(t.Fields).subspan(2);
}

// A field the page does not show: hidden fields on the visitor site.
inline bool Left(const TBField& f, bool admin) {
    return !admin && f.Hidden;
}

// The column that holds a field's picture number, or empty for a field
// without a picture.
inline QString PictureColumn(const TBField& f) {
    if (f.FieldType == FieldTypes::Image)
        return f.FieldName;
    if (f.FieldType == FieldTypes::ImageLink)
        return f.FieldName2;
    return {};
}

inline bool HasSecondColumn(const TBField& f) {
    return f.FieldType == FieldTypes::ImageLink || f.FieldType == FieldTypes::Mailto ||
           f.FieldType == FieldTypes::Hyperlink;
}

// One part of a stored date: posted as {FieldName}{suffix}, held in {var},
// stored at {offset} with {width} digits.
struct TDatePart {
    QString suffix;
    QString var;
    int width;
    int offset;
    QString zero;
    QString pattern;    // its pattern in a DateTimeFormat
    QString requiredBy; // the pattern the required check looks for
    QString labelKey;   // the message of its hint
    QChar letter;       // the letter that starts it in a DateTimeFormat
};

const std::vector<TDatePart>& DateParts();
// The part a DateTimeFormat letter starts, or nullptr for a literal.
const TDatePart* DatePartOf(QChar letter);

// A message (the owner's markup) with every "#" replaced by the field's label
// escaped for HTML.
QString FieldMessage(const TBTable& t, const QString& key, const TBField& f);

// Text for a PHP here-document: backslash and dollar sign escaped.
QString HeredocText(QStringView text);

// The PHP expression of a posted date as its 14 stored digits, each part
// padded with zeros on the left.
QString PostedDate(const TBField& f);
// The letters ("YMDhms") of the parts a date field's form shows.
QString ShownDateParts(const TBField& f);

// What the visitor site lets a visitor do (the administrator may do all).
inline bool MaySearch(const TBTable& t, bool admin) {
    return admin || !t.UserUpdate || t.AllowSearch;
}
inline bool MayAddModify(const TBTable& t, bool admin) {
    return admin || t.AllowAddModify;
}
inline bool MayDelete(const TBTable& t, bool admin) {
    return admin || t.AllowDelete;
}

// A PHP array literal: the name the database gives each unique key of the
// record table => the message that a refused record gets for it.
QString RefusalKeys(const TBTable& t);

// The end of a record change: the statement in $req runs unless a picture
// failed; the pictures the change took or replaced are settled with it; then
// COMMIT and `success`, or ROLLBACK and the message of the refusal (its key,
// or `failureKey`), leaving $fieldsarevalid FALSE so the form is shown
// again. The caller began the transaction.
void StoreOrRefuse(TPHPGenerator& g, const QString& indent, const QString& successKey,
                   const QString& failureKey);

// The head of a picture upload on `column` (at `indent` blanks): stores a
// picture that came, or takes the one kept from a refused post of the same
// form, leaving its number in $imageid, then opens the block run when there
// is one. The caller writes the rest of the block. `keep`: for a refused
// form, whose pictures wait for its form session. A picture the database
// refuses sets $picturefailed to its message.
void UploadHead(TPHPGenerator& g, const TBField& f, const QString& column, int indent, bool keep);

// On a refused post: stores the pictures that came with it and notes them
// in $keptpictures (column => number), so the form offers them again.
void KeepPictures(TPHPGenerator& g, const TBTable& t, bool admin);

// The ordering and paging lines of the modify and delete selections, with
// the message of a failed query.
void SelectionPaging(TPHPGenerator& g, const TBTable& t, const QString& errorKey);

// The filter and ordering tables of the search form, written as PHP
// here-documents; `offered` are the fields the rows offer.
void SearchFormTables(TPHPGenerator& g, bool admin, const std::vector<const TBField*>& offered);

} // namespace RecordParts
