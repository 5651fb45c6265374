#include "Keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QMap>
#include <QSet>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabWidget>

#include <functional>

namespace Keyboard {

QString Shown(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i; // "&&" shows one ampersand, "&x" shows x
        shown += text.at(i);
    }
    return shown;
}

QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != u'&')
            continue;
        if (text.at(i + 1) != u'&')
            return text.at(i + 1).toLower();
        ++i;
    }
    return {};
}

namespace {

bool usable(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Where a mark may go in text, best first: first letters of words, then
// the other letters and digits.
QList<qsizetype> candidates(const QString& text) {
    QList<qsizetype> starts;
    QList<qsizetype> others;
    bool wordStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'&') { // only "&&" reaches here: a literal ampersand
            ++i;
            wordStart = true;
            continue;
        }
        if (usable(c))
            (wordStart ? starts : others).append(i);
        wordStart = !c.isLetterOrNumber();
    }
    return starts + others;
}

// A control whose text can take a mnemonic, with the means to change it.
struct TMarkable {
    QWidget* widget; // decides the page it belongs to
    QString text;
    std::function<void(const QString&)> set;
};

// The page of a stacked container the widget lies on, or nullptr.
QWidget* pageOf(QWidget* widget, QWidget* window) {
    for (QWidget* w = widget; w && w != window; w = w->parentWidget())
        if (qobject_cast<QStackedWidget*>(w->parentWidget()))
            return w;
    return nullptr;
}

// Gives each text a letter of its own, none of them blocked: a matching
// that tries each text's letters best first and moves an earlier text to
// another of its letters where that frees one (so a crowded page still
// gets a letter for every control). Returns the index of the letter chosen
// in each text, or -1.
QList<qsizetype> match(const QStringList& texts, const QSet<QChar>& blocked) {
    QList<QList<qsizetype>> options;
    for (const QString& text : texts)
        options << candidates(text);
    QList<qsizetype> chosen(texts.size(), -1);
    QHash<QChar, int> owner;
    std::function<bool(int, QSet<QChar>&)> place = [&](int t, QSet<QChar>& tried) {
        for (qsizetype i : options.at(t)) {
            const QChar letter = texts.at(t).at(i).toLower();
            if (blocked.contains(letter) || tried.contains(letter))
                continue;
            tried.insert(letter);
            if (!owner.contains(letter) || place(owner.value(letter), tried)) {
                owner.insert(letter, t);
                chosen[t] = i;
                return true;
            }
        }
        return false;
    };
    for (int t = 0; t < texts.size(); ++t) {
        QSet<QChar> tried;
        place(t, tried);
    }
    return chosen;
}

} // namespace

void GiveMnemonics(QWidget& window) {
    // A dialog opened from this window has letters of its own.
    const auto own = [&window](const QWidget* w) { return w->window() == window.window(); };
    QList<TMarkable> markables;
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty() || !own(button))
            continue;
        markables.append(
            {button, button->text(), [button](const QString& t) { button->setText(t); }});
    }
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->buddy() && label->textFormat() != Qt::RichText && own(label))
            markables.append(
                {label, label->text(), [label](const QString& t) { label->setText(t); }});
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
        for (int i = 0; own(tabs) && i < tabs->count(); ++i)
            markables.append(
                {tabs, tabs->tabText(i), [tabs, i](const QString& t) { tabs->setTabText(i, t); }});

    // Letters written by hand stay, and no other control of their page (or
    // of any page, for those outside the pages) takes them.
    QSet<QChar> fixedCommon;
    QSet<QChar> fixedAnywhere;
    QMap<QWidget*, QSet<QChar>> fixedOnPage;
    QMap<QWidget*, QList<int>> open; // page (nullptr: outside) -> markables without a letter
    for (int m = 0; m < markables.size(); ++m) {
        QWidget* page = pageOf(markables.at(m).widget, &window);
        const QChar letter = Mnemonic(markables.at(m).text);
        if (letter.isNull()) {
            open[page].append(m);
            continue;
        }
        fixedAnywhere.insert(letter);
        (page ? fixedOnPage[page] : fixedCommon).insert(letter);
    }
    const auto give = [&](const QList<int>& group, const QSet<QChar>& blocked) {
        QStringList texts;
        for (int m : group)
            texts << markables.at(m).text;
        const QList<qsizetype> chosen = match(texts, blocked);
        QSet<QChar> taken;
        for (int i = 0; i < group.size(); ++i) {
            if (chosen.at(i) < 0)
                continue;
            taken.insert(texts.at(i).at(chosen.at(i)).toLower());
            QString text = texts.at(i);
            text.insert(chosen.at(i), u'&');
            markables.at(group.at(i)).set(text);
        }
        return taken;
    };
    // Outside the pages first: their letters count on every page.
    const QSet<QChar> common = fixedCommon + give(open.value(nullptr), fixedAnywhere);
    for (auto it = open.begin(); it != open.end(); ++it)
        if (it.key())
            give(it.value(), common + fixedOnPage.value(it.key()));
}

namespace {

void focusInto(QWidget* page) {
    QWidget* focus = QApplication::focusWidget();
    if (!page || (focus && focus->isVisible() && page->isAncestorOf(focus)))
        return;
    for (QWidget* w : page->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
}

void addKeys(QWidget& dialog, const std::function<int()>& count,
             const std::function<int()>& current, const std::function<QWidget*(int)>& show) {
    const auto turn = [=](int step) {
        const int n = count();
        if (n > 0)
            focusInto(show(((current() + step) % n + n) % n));
    };
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), &dialog);
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), &dialog);
    QObject::connect(next, &QShortcut::activated, &dialog, [turn] { turn(1); });
    QObject::connect(previous, &QShortcut::activated, &dialog, [turn] { turn(-1); });
}

} // namespace

void AddPageKeys(QWidget& dialog, QTabWidget& pages) {
    addKeys(
        dialog, [&pages] { return pages.count(); }, [&pages] { return pages.currentIndex(); },
        [&pages](int page) {
            pages.setCurrentIndex(page);
            return pages.currentWidget();
        });
}

void AddPageKeys(QWidget& dialog, QStackedWidget& pages) {
    addKeys(
        dialog, [&pages] { return pages.count(); }, [&pages] { return pages.currentIndex(); },
        [&pages](int page) {
            pages.setCurrentIndex(page);
            return pages.currentWidget();
        });
}

} // namespace Keyboard
