#include "DownloadReader.h"

#include <cstring>

namespace {

const std::array<QByteArray, 3> kStart = {QByteArrayLiteral("<P CLASS=\"start_of_data\">"),
                                          QByteArrayLiteral("<P CLASS=\"start_of_users\">"),
                                          QByteArrayLiteral("<P CLASS=\"start_of_images\">")};
const std::array<QByteArray, 3> kEnd = {QByteArrayLiteral("<P CLASS=\"end_of_data\">"),
                                        QByteArrayLiteral("<P CLASS=\"end_of_users\">"),
                                        QByteArrayLiteral("<P CLASS=\"end_of_images\">")};
const QByteArray kError = QByteArrayLiteral("<P CLASS=\"corvanta_error\">");
// Enough of the error paragraph for its first 100 characters in any charset.
constexpr qsizetype kErrorBytes = 1000;

} // namespace

TDownloadReader::TDownloadReader(const TRecordFormat& format, std::array<QIODevice*, 3> sinks)
    : format_(format), sinks_(sinks) {}

void TDownloadReader::Feed(const QByteArray& block) {
    if (phase_ == Phase::Done)
        return;
    if (phase_ == Phase::Error) {
        if (errorPending_) {
            error_ += block.left(kErrorBytes - error_.size());
            errorPending_ = error_.size() < kErrorBytes && !error_.contains("</P>");
        }
        return;
    }
    buffer_ += block;
    process();
    buffer_.remove(0, pos_);
    pos_ = 0;
}

void TDownloadReader::process() {
    for (;;) {
        bool more = false;
        if (phase_ == Phase::Outside)
            more = outside();
        else if (phase_ == Phase::Section)
            more = section();
        if (!more)
            return;
    }
}

void TDownloadReader::takeError(qsizetype textStart) {
    phase_ = Phase::Error;
    error_ = buffer_.mid(textStart, kErrorBytes);
    errorPending_ = error_.size() < kErrorBytes && !error_.contains("</P>");
    pos_ = buffer_.size();
}

bool TDownloadReader::outside() {
    const QByteArray& start = kStart[size_t(section_)];
    const qsizetype at = buffer_.indexOf(start, pos_);
    const qsizetype error = buffer_.indexOf(kError, pos_);
    if (error >= 0 && (at < 0 || error < at)) {
        takeError(error + kError.size());
        return false;
    }
    if (at >= 0) {
        pos_ = at + start.size();
        phase_ = Phase::Section;
        lineStart_ = true;
        return true;
    }
    // Keep only what may be the beginning of a marker.
    const qsizetype keep = std::max(start.size(), kError.size()) - 1;
    pos_ = std::max(pos_, buffer_.size() - keep);
    return false;
}

// At the beginning of a line: does a marker start here? False when the
// bytes so far could still become one.
bool TDownloadReader::atLineStart() {
    const qsizetype remaining = buffer_.size() - pos_;
    const char* here = buffer_.constData() + pos_;
    for (const QByteArray* marker : {&kEnd[size_t(section_)], &kError}) {
        const qsizetype n = std::min(remaining, marker->size());
        if (std::memcmp(here, marker->constData(), size_t(n)) != 0)
            continue;
        if (n < marker->size())
            return false; // wait for more
        if (marker == &kError) {
            takeError(pos_ + kError.size());
            return true;
        }
        pos_ += marker->size();
        ++section_;
        phase_ = section_ == 3 ? Phase::Done : Phase::Outside;
        return true;
    }
    lineStart_ = false;
    return true;
}

bool TDownloadReader::section() {
    const QByteArray terminator =
        format_.LineRecords() ? QByteArray("\n") : format_.RecordDelimiter;
    while (pos_ < buffer_.size()) {
        if (lineStart_) {
            const Phase before = phase_;
            if (!atLineStart())
                return false;
            if (phase_ != before)
                return phase_ == Phase::Outside;
        }
        const qsizetype end = FindRecordEnd(format_, buffer_, pos_, pos_, escapes_);
        if (end < 0) {
            // Write what surely belongs to the line; keep a cut terminator.
            const qsizetype n = buffer_.size() - pos_ - (terminator.size() - 1);
            if (n > 0) {
                qsizetype trailing = 0;
                while (trailing < n && buffer_[pos_ + n - 1 - trailing] == format_.Escape)
                    ++trailing;
                escapes_ = trailing == n ? escapes_ + n : trailing;
                write(buffer_.constData() + pos_, n);
                pos_ += n;
            }
            return false;
        }
        write(buffer_.constData() + pos_, end + terminator.size() - pos_);
        pos_ = end + terminator.size();
        ++lines_[size_t(section_)];
        lineStart_ = true;
        escapes_ = 0;
    }
    return false;
}

void TDownloadReader::write(const char* data, qsizetype n) {
    QIODevice* sink = sinks_[size_t(section_)];
    if (!sink || sinkFailed_ >= 0)
        return;
    if (sink->write(data, n) != n)
        sinkFailed_ = section_;
}
