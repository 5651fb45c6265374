#pragma once

#include "model/RecordFiles.h"

#include <QByteArray>
#include <QIODevice>

#include <array>

// Reads the answer of import_db.php block by block as it arrives and writes
// the lines of its three sections (records, members, pictures) into their
// files unchanged.
//
// Markers count only where the answer's format puts them: a section's end
// marker, or the script's error paragraph, at the beginning of a line; the
// next start marker, or an error, between sections. Values are escaped so
// that no line begins with "<", so the text of a record can never end a
// section, start another or pass for an error.
class TDownloadReader {
public:
    // A null sink drops its section (the users of a site without members).
    TDownloadReader(const TRecordFormat& format, std::array<QIODevice*, 3> sinks);

    void Feed(const QByteArray& block);

    // Every section arrived whole.
    bool Complete() const { return phase_ == Phase::Done; }
    // The script reported an error: its text (at most 100 characters, cut
    // before "</P>"), possibly empty.
    bool ScriptError() const { return phase_ == Phase::Error; }
    QByteArray ErrorText() const { return error_; }
    // Writing into sink `n` failed (-1: none).
    int SinkFailed() const { return sinkFailed_; }
    // Lines of each section so far.
    qint64 Lines(int section) const { return lines_[size_t(section)]; }

private:
    enum class Phase { Outside, Section, Done, Error };
    void process();
    bool outside();
    bool section();
    bool atLineStart();
    void write(const char* data, qsizetype n);
    void takeError(qsizetype textStart);

    TRecordFormat format_;
    std::array<QIODevice*, 3> sinks_;
    Phase phase_ = Phase::Outside;
    int section_ = 0;
    bool lineStart_ = true;
    qsizetype escapes_ = 0; // escapes that ended the part of the line written so far
    QByteArray buffer_;
    qsizetype pos_ = 0;
    QByteArray error_;
    bool errorPending_ = false;
    qsizetype errorStart_ = 0;
    int sinkFailed_ = -1;
    std::array<qint64, 3> lines_{};
};
