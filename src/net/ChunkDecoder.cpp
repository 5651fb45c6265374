#include "net/ChunkDecoder.h"

#include "net/NetErrors.h"

namespace {

// A size line or trailer line longer than this is no chunked body.
constexpr qsizetype kMaxLine = 4096;

} // namespace

void TChunkDecoder::sizeLine() {
    QByteArray text = line_.trimmed();
    line_.clear();
    // Extensions after ";" carry nothing for us.
    const qsizetype semicolon = text.indexOf(';');
    if (semicolon >= 0)
        text.truncate(semicolon);
    bool ok = false;
    const qint64 size = text.trimmed().toLongLong(&ok, 16);
    if (!ok || size < 0)
        throw EAnswerError(
            QStringLiteral("%1 sent a broken chunked answer: \"%2\" is no chunk size")
                .arg(Where.isEmpty() ? QStringLiteral("The server") : Where,
                     QString::fromLatin1(text.left(40))));
    left_ = size;
    state_ = size == 0 ? State::Trailer : State::Data;
}

void TChunkDecoder::Feed(const char* data, qint64 size) {
    qint64 at = 0;
    while (at < size && state_ != State::Done) {
        if (state_ == State::Data) {
            const qint64 n = std::min(left_, size - at);
            sink_(data + at, n);
            at += n;
            left_ -= n;
            if (left_ == 0)
                state_ = State::DataEnd;
            continue;
        }
        // Line states: collect up to LF.
        const char c = data[at++];
        if (c != '\n') {
            if (line_.size() >= kMaxLine)
                throw EAnswerError(
                    QStringLiteral("%1 sent a broken chunked answer: a line of more than %2 bytes")
                        .arg(Where.isEmpty() ? QStringLiteral("The server") : Where)
                        .arg(kMaxLine));
            line_ += c;
            continue;
        }
        switch (state_) {
        case State::Size:
            sizeLine();
            break;
        case State::DataEnd:
            // A chunk longer than its size line said is no chunked body.
            if (!line_.trimmed().isEmpty())
                throw EAnswerError(
                    QStringLiteral("%1 sent a broken chunked answer: a chunk is longer than its "
                                   "size")
                        .arg(Where.isEmpty() ? QStringLiteral("The server") : Where));
            line_.clear();
            state_ = State::Size;
            break;
        case State::Trailer:
            // An empty line ends the trailer.
            if (line_.trimmed().isEmpty())
                state_ = State::Done;
            line_.clear();
            break;
        default:
            break;
        }
    }
}
