#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Decodes a "Transfer-Encoding: chunked" body as it arrives, in pieces of
// any size, and hands on only the data: the size lines, chunk ends and the
// trailer never reach the records.
class TChunkDecoder {
public:
    using TSink = std::function<void(const char* data, qint64 size)>;
    explicit TChunkDecoder(TSink sink) : sink_(std::move(sink)) {}

    // Raises ESockError for a size line that is no hexadecimal number.
    void Feed(const char* data, qint64 size);
    // The last chunk (size 0) has come.
    bool Finished() const { return state_ == State::Trailer || state_ == State::Done; }
    // The trailer has ended too: nothing more belongs to the body.
    bool Done() const { return state_ == State::Done; }
    // The server and address named when the body is broken.
    QString Where;

private:
    enum class State { Size, Data, DataEnd, Trailer, Done };
    void sizeLine();

    TSink sink_;
    State state_ = State::Size;
    QByteArray line_;
    qint64 left_ = 0;
};
