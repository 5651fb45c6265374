#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The texts of the generated web site: the character set its pages declare
// and 149 messages, English by default, replaceable per language from the
// shipped Language.ini.
class TWebLanguage {
public:
    TWebLanguage();

    // Starts again from the English texts, then reads section `name` of
    // Language.ini when the file and the section exist. Never fails.
    void Load(const QString& name);
    // As Load, from an explicit language file (tests, tools).
    void LoadFrom(const QString& iniPath, const QString& name);

    const QString& Name() const { return name_; }
    // The text of the entry `key` ("CharSet", "MainTitle", ...); an unknown
    // key is a programming error and gives an empty text.
    QString Text(const QString& key) const;
    void SetText(const QString& key, const QString& text);

    // Every key in table order, beginning with "CharSet" (150 entries).
    static const QStringList& Keys();
    static QString English(const QString& key);
    static bool IsKey(const QString& key);

    // The section names of Language.ini in file order; empty without the file.
    static QStringList Languages();
    static QStringList LanguagesFrom(const QString& iniPath);
    // Where Language.ini is looked up.
    static QString IniPath();

private:
    QString name_;
    QStringList texts_;
};
