#pragma once

#include <QList>
#include <QString>

// One line of a report: the first line is the centred bold title, section
// titles are bold, everything else is plain and left-aligned.
struct TReportLine {
    QString Text;
    bool Bold = false;
    bool Centred = false;

    bool operator==(const TReportLine&) const = default;
};

// The text of a report (Generate, Upload): shown as rich text in the report
// window and saved as plain text.
class TReport {
public:
    QString Title; // the window title
    QList<TReportLine> Lines;

    void AddHeading(const QString& text) { Lines.append({text, true, true}); }
    void AddLine(const QString& text = {}, bool bold = false) { Lines.append({text, bold, false}); }

    // Every line followed by CR LF, as the report files are written.
    QString PlainText() const;
    // Writes PlainText() (UTF-8) to path, replacing an older file. False when
    // the file cannot be written; an older file is then left as it was.
    bool SaveTo(const QString& path) const;
};
