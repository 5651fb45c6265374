#include "IniFile.h"

#include <QFile>
#include <QStringDecoder>

namespace {

// UTF-8 when the bytes are valid UTF-8, Latin-1 otherwise: translators save
// Language.ini with whatever editor they have.
QString decode(const QByteArray& bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.mid(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(data);
}

} // namespace

TIniFile TIniFile::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    TIniFile ini = Parse(file.readAll());
    ini.exists_ = true;
    return ini;
}

TIniFile TIniFile::Parse(const QByteArray& bytes) {
    TIniFile ini;
    ini.exists_ = true;
    const QString text = decode(bytes);
    Section* current = nullptr;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';'))
            continue;
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                ini.sections_.append({trimmed.mid(1, close - 1).trimmed().toString(), {}});
                current = &ini.sections_.last();
                continue;
            }
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || current == nullptr)
            continue;
        const QString key = line.left(eq).trimmed().toString();
        if (key.isEmpty())
            continue;
        current->entries.append({key, line.mid(eq + 1).trimmed().toString()});
    }
    return ini;
}

QStringList TIniFile::sections() const {
    QStringList names;
    for (const Section& s : sections_)
        names.append(s.name);
    return names;
}

const TIniFile::Section* TIniFile::find(const QString& section) const {
    for (const Section& s : sections_)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

bool TIniFile::hasSection(const QString& section) const { return find(section) != nullptr; }

QString TIniFile::value(const QString& section, const QString& key, bool* found) const {
    if (found)
        *found = false;
    const Section* s = find(section);
    if (!s)
        return {};
    for (const Entry& e : s->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
            if (found)
                *found = true;
            return e.value;
        }
    }
    return {};
}
