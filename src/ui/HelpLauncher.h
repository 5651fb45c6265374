#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class TStore;
class TUserPort;

// "Show help": the manual is a folder of HTML pages, one per topic, opened in
// the browser. The folder is the store's HelpPath when set, else the one
// shipped with the program; when the page is not there the user is asked to
// locate the manual, and the folder found is kept in the store.
class THelpLauncher {
public:
    static inline const QString DefaultTopic = QStringLiteral("Intro.htm");

    // Reads HelpPath from the store once, as the program does at start.
    THelpLauncher(TStore& store, TUserPort& port);

    // The folder in use (empty: the shipped manual).
    QString HelpFolder() const { return helpFolder_; }
    // The folder pages are looked up in now.
    QString EffectiveFolder() const;

    // Opens the page of the topic ("Intro.htm", or a section of a page,
    // "Support.htm#faq"); an empty topic opens the introduction.
    void Show(const QString& topic = {});

    // The file dialog of the locate question (preset name, filter) and
    // opening a page; tests replace them.
    std::function<QString(const QString& presetName, const QString& filter)> LocateFile;
    std::function<void(const QUrl&)> OpenUrl;

    // Writes a page into the user's data folder that leads the browser on to
    // target, a page with its "#section"; its path, or empty when it cannot
    // be written.
    static QString ForwardingPage(const QUrl& target);

private:
    TStore& store_;
    TUserPort& port_;
    QString helpFolder_;
};
