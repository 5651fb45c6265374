#pragma once

#include <QList>
#include <QString>

// A small INI reader: sections in square brackets, "key=value" lines.
// Values are taken verbatim (commas, quotes, '#', markup); only the white
// space around keys and values is dropped. Section and key names match
// without regard to case, as the desktop INI readers do.
class TIniFile {
public:
    // Reads the file; a missing or unreadable file gives an empty reader.
    static TIniFile Read(const QString& path);
    static TIniFile Parse(const QByteArray& bytes);

    bool exists() const { return exists_; }
    QStringList sections() const;
    bool hasSection(const QString& section) const;
    // The value of key in section; nullopt-like: found is set to false when absent.
    QString value(const QString& section, const QString& key, bool* found = nullptr) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    const Section* find(const QString& section) const;

    bool exists_ = false;
    QList<Section> sections_;
};
