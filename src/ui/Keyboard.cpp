#include "Keyboard.h"

#include <QAbstractButton>
#include <QApplication>
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

// The text with a mark before the first letter not taken: first letters of
// words, then any letter. Unchanged when every letter is taken.
QString marked(const QString& text, QSet<QChar>& taken) {
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
    for (const QList<qsizetype>& list : {starts, others})
        for (qsizetype i : list)
            if (!taken.contains(text.at(i).toLower())) {
                taken.insert(text.at(i).toLower());
                QString result = text;
                result.insert(i, u'&');
                return result;
            }
    return text;
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

} // namespace

void GiveMnemonics(QWidget& window) {
    QList<TMarkable> markables;
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (button->text().isEmpty())
            continue;
        markables.append(
            {button, button->text(), [button](const QString& t) { button->setText(t); }});
    }
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->buddy() && label->textFormat() != Qt::RichText)
            markables.append(
                {label, label->text(), [label](const QString& t) { label->setText(t); }});
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            markables.append(
                {tabs, tabs->tabText(i), [tabs, i](const QString& t) { tabs->setTabText(i, t); }});

    // Letters taken outside the pages count on every page.
    QSet<QChar> common;
    QMap<QWidget*, QSet<QChar>> pages;
    for (const TMarkable& m : markables) {
        const QChar letter = Mnemonic(m.text);
        if (letter.isNull())
            continue;
        QWidget* page = pageOf(m.widget, &window);
        (page ? pages[page] : common).insert(letter);
    }
    const auto give = [&](bool onPages) {
        for (const TMarkable& m : markables) {
            QWidget* page = pageOf(m.widget, &window);
            if ((page != nullptr) != onPages || !Mnemonic(m.text).isNull())
                continue;
            QSet<QChar> taken = common;
            if (page)
                taken += pages[page];
            const QString text = marked(m.text, taken);
            if (text == m.text)
                continue;
            (page ? pages[page] : common).insert(Mnemonic(text));
            m.set(text);
        }
    };
    give(false);
    give(true);
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
