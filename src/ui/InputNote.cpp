#include "InputNote.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <algorithm>
#include <functional>

namespace InputNote {

namespace {

const char* const kNote = "inputNote";
const char* const kMarked = "inputMarked";
const char* const kPalette = "inputPalette";

QLabel* noteOf(const QWidget& control) {
    return qobject_cast<QLabel*>(control.property(kNote).value<QObject*>());
}

// Calls done once the control's text changes.
void onTextChange(QWidget& control, QObject* receiver, const std::function<void()>& done) {
    if (auto* edit = qobject_cast<QLineEdit*>(&control))
        QObject::connect(edit, &QLineEdit::textChanged, receiver, done);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(&control))
        QObject::connect(memo, &QPlainTextEdit::textChanged, receiver, done);
}

} // namespace

void Show(QWidget& control, const QString& text) {
    QWidget* window = control.window();
    QLabel* note = noteOf(control);
    if (!note) {
        note = new QLabel(window);
        note->setObjectName(QStringLiteral("InputNote"));
        note->setFrameStyle(QFrame::Box | QFrame::Plain);
        note->setMargin(3);
        note->setAutoFillBackground(true);
        QPalette colours = note->palette();
        colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
        colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
        note->setPalette(colours);
        control.setProperty(kNote, QVariant::fromValue<QObject*>(note));
        QPointer<QWidget> owner(&control);
        onTextChange(control, note, [note] { note->hide(); });
        QObject::connect(qApp, &QApplication::focusChanged, note,
                         [note, owner](QWidget*, QWidget* now) {
                             if (now != owner)
                                 note->hide();
                         });
    }
    note->setText(text);
    note->adjustSize();
    QPoint at = control.mapTo(window, QPoint(0, control.height() + 2));
    at.setX(std::max(0, std::min(at.x(), window->width() - note->width())));
    note->move(at);
    note->raise();
    note->show();
}

QLabel* Shown(const QWidget& control) {
    QLabel* note = noteOf(control);
    return note && note->isVisible() ? note : nullptr;
}

void Mark(QWidget& control) {
    // Lists and boxes show their choice plainly; only entries are marked.
    if (!qobject_cast<QLineEdit*>(&control) && !qobject_cast<QPlainTextEdit*>(&control))
        return;
    if (!Marked(control)) {
        control.setProperty(kPalette, control.palette());
        if (!control.property("inputWatched").toBool()) {
            control.setProperty("inputWatched", true);
            QPointer<QWidget> owner(&control);
            onTextChange(control, &control, [owner] {
                if (owner)
                    Unmark(*owner);
            });
        }
    }
    control.setProperty(kMarked, true);
    QPalette colours = control.property(kPalette).value<QPalette>();
    colours.setColor(QPalette::Base, QColor(0xff, 0xe0, 0xe0));
    control.setPalette(colours);
}

void Unmark(QWidget& control) {
    if (!Marked(control))
        return;
    control.setProperty(kMarked, false);
    control.setPalette(control.property(kPalette).value<QPalette>());
}

bool Marked(const QWidget& control) {
    return control.property(kMarked).toBool();
}

} // namespace InputNote
