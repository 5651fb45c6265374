#pragma once

#include "model/RecordLayout.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

class TBTable;

// A value that cannot be stored exactly as written, or a line that does not
// fit the table: where it is and why.
struct TRefusal {
    int File = 0;    // position of its file in TransferLayout (users, images, records)
    QString Title;   // "records file"
    qint64 Line = 0; // from 1
    QString Field;   // how the field is called; empty for the whole line
    QString Reason;

    // records file, line 3, field "Price": not a number
    QString Text() const;
    bool operator<(const TRefusal& other) const {
        return File != other.File ? File < other.File : Line < other.Line;
    }
};

// A line of a record file as a row of its staging table.
struct TStagedRow {
    QByteArray Values;             // "(v1, v2, ...)" in SQL
    qint64 PictureId = 0;          // pictures: the number it is staged under
    QList<QByteArray> MorePicture; // pictures: Base64 pieces that follow
    qint64 PictureBytes = -1;      // pictures in pieces: the size they make
};

// What the lines of one file may refer to in the others.
struct TTransferRefs {
    QHash<qint64, qint64> Members;  // member number -> line of the users file
    QHash<qint64, qint64> Pictures; // picture number -> line of the images file
    qint64 NextPicture = 1;         // for pictures without a number
    bool MembersKnown = false;      // the site has members: owners must be among them
};

// Checks the values of one line and writes them as SQL values, so the
// server stores them exactly or not at all.
class TRowEncoder {
public:
    // dbCharset: the MySQL name of the connection's character set (as the
    // server told it), for the values that need more than plain ASCII.
    TRowEncoder(const TBTable& t, const TTransferFile& file, int fileIndex,
                const QByteArray& dbCharset, TTransferRefs& refs);

    // False when the line is refused; the reasons are appended.
    bool Encode(qint64 line, const QList<QByteArray>& values, TStagedRow& row,
                QList<TRefusal>& refusals);

    // SQL text of a value for a text column: 'plain' or _charset X'hex'.
    QByteArray TextLiteral(const QByteArray& value) const;

    // Base64 pieces are at most this long (a multiple of 4).
    static constexpr qsizetype kPictureChunk = 192 * 1024;

private:
    QByteArray value(const TTransferValue& v, qint64 line, const QByteArray& text, TStagedRow& row,
                     QString& why);
    QByteArray yesNo(const QByteArray& text, QString& why) const;

    const TTransferFile& file_;
    int fileIndex_;
    QByteArray charset_;
    TTransferRefs& refs_;
    bool utf8_ = false;
    QString siteCharSet_;
    QStringList yes_, no_;
};
