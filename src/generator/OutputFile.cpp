#include "OutputFile.h"

#include <QFileInfo>

EInOutError::EInOutError(const QString& path, const QString& reason)
    : std::runtime_error(QStringLiteral("Cannot write %1: %2").arg(path, reason).toStdString()),
      path_(path), reason_(reason) {}

QString EInOutError::Message() const {
    return QStringLiteral("Cannot write %1: %2").arg(path_, reason_);
}

namespace {

bool isLatin1Name(const QString& name) {
    const QString n = name.trimmed().toUpper();
    return n == QLatin1String("ISO-8859-1") || n == QLatin1String("ISO8859-1") ||
           n == QLatin1String("LATIN1") || n == QLatin1String("ISO_8859-1");
}

void appendReference(char32_t c, QByteArray& out) {
    out += "&#";
    out += QByteArray::number(quint32(c));
    out += ';';
}

} // namespace

TCharsetEncoder::TCharsetEncoder(const QString& charSet) {
    if (isLatin1Name(charSet))
        return;
    QStringEncoder encoder(charSet.trimmed().toLatin1().constData());
    if (!encoder.isValid())
        return; // unknown name: bytes as the pages were always written
    latin1_ = false;
    name_ = charSet.trimmed().toLatin1();
}

void TCharsetEncoder::appendCodePoint(char32_t c, QByteArray& out) {
    auto cached = cache_.constFind(c);
    if (cached == cache_.constEnd()) {
        QByteArray bytes;
        if (c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF)) {
            char16_t units[2];
            qsizetype n = 1;
            if (c >= 0x10000) {
                units[0] = char16_t(0xD800 + ((c - 0x10000) >> 10));
                units[1] = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
                n = 2;
            } else {
                units[0] = char16_t(c);
            }
            // A fresh encoder each time: the error flag of a reused one
            // does not always come back.
            QStringEncoder encoder(name_.constData());
            bytes = encoder.encode(QStringView(units, n));
            if (encoder.hasError())
                bytes.clear();
        }
        if (bytes.isEmpty())
            appendReference(c, bytes);
        cached = cache_.insert(c, bytes);
    }
    out += *cached;
}

void TCharsetEncoder::Append(QStringView text, QByteArray& out) {
    const qsizetype n = text.size();
    const char16_t* units = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i];
        if (u < 0x80) {
            // Templates are nearly all ASCII: a run of it is copied at once.
            qsizetype end = i + 1;
            while (end < n && units[end] < 0x80)
                ++end;
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char* to = out.data() + at;
            for (qsizetype k = i; k < end; ++k)
                *to++ = char(units[k]);
            i = end - 1;
            continue;
        }
        char32_t c = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        }
        if (latin1_) {
            if (c < 0x100)
                out += char(c);
            else
                appendReference(c, out);
        } else {
            appendCodePoint(c, out);
        }
    }
}

QByteArray TCharsetEncoder::Encode(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    Append(text, out);
    return out;
}

TOutputFile::TOutputFile(const QString& path, const QString& charSet, bool isPrivate)
    : path_(path), file_(path), encoder_(charSet), private_(isPrivate) {}

TOutputFile::~TOutputFile() {
    // On the way out of a failed operation: the file stays as written so far
    // (and untouched while its bytes still matched).
    if (file_.isOpen()) {
        if (!buffer_.isEmpty() && !comparing_)
            file_.write(buffer_);
        file_.close();
    }
}

bool TOutputFile::Open() {
    // Unbuffered, so a failed write shows at once and not only at close.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
    // A file of an earlier generation is compared as the text comes and
    // only written from its first different byte on: a file whose bytes
    // stay the same keeps its time, so tools that sync by time skip it.
    comparing_ = QFileInfo(path_).isFile();
    if (comparing_)
        mode = QIODevice::ReadWrite | QIODevice::Unbuffered;
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    bool open = private_ ? file_.open(mode, owner) : file_.open(mode);
    if (!open && comparing_) {
        // Writable but not readable: written as before.
        comparing_ = false;
        mode = QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered;
        open = private_ ? file_.open(mode, owner) : file_.open(mode);
    }
    // Created private; an older file is made private too.
    return open && (!private_ || file_.setPermissions(owner));
}

void TOutputFile::fail() {
    const QString reason = file_.errorString();
    buffer_.clear();
    file_.close();
    throw EInOutError(path_, reason);
}

void TOutputFile::flushBuffer() {
    if (buffer_.isEmpty())
        return;
    if (comparing_) {
        if (file_.read(buffer_.size()) == buffer_) {
            done_ += buffer_.size();
            buffer_.clear();
            return;
        }
        // The rest is written, from the start of this block on.
        comparing_ = false;
        if (!file_.seek(done_))
            fail();
    }
    if (file_.write(buffer_) != buffer_.size())
        fail();
    done_ += buffer_.size();
    buffer_.clear();
}

void TOutputFile::Write(QStringView text) {
    encoder_.Append(text, buffer_);
    if (buffer_.size() >= 256 * 1024)
        flushBuffer();
}

void TOutputFile::WriteBytes(const QByteArray& bytes) {
    buffer_ += bytes;
    if (buffer_.size() >= 256 * 1024)
        flushBuffer();
}

void TOutputFile::Close() {
    flushBuffer();
    // A longer old file loses its tail; the same length means the same bytes.
    unchanged_ = comparing_ && file_.size() == done_;
    if (!unchanged_ && file_.size() != done_ && !file_.resize(done_))
        fail();
    if (!file_.flush())
        fail();
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        fail();
}
