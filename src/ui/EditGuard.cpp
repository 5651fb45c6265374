#include "EditGuard.h"

#include "TitleFit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <map>

namespace EditGuard {

QStringList State(const QWidget& root) {
    // Keyed by the control itself: showing a page reorders the children.
    std::map<const QWidget*, QString> values;
    for (const QWidget* w : root.findChildren<QWidget*>()) {
        // A dialog opened from this one keeps its own edits.
        if (w->window() != root.window())
            continue;
        if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            // A list's own entry is read with the list.
            if (!qobject_cast<const QComboBox*>(w->parentWidget()))
                values[w] = edit->text();
        } else if (const auto* memo = qobject_cast<const QPlainTextEdit*>(w)) {
            if (!memo->isReadOnly())
                values[w] = memo->toPlainText();
        } else if (const auto* rich = qobject_cast<const QTextEdit*>(w)) {
            if (!rich->isReadOnly())
                values[w] = rich->toPlainText();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            if (button->isCheckable())
                values[w] = QString::number(button->isChecked());
        } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
            values[w] = QString::number(combo->currentIndex()) + u':' + combo->currentText();
        }
    }
    QStringList state;
    for (const auto& [widget, value] : values)
        state << value;
    return state;
}

bool ConfirmDiscard(QWidget& dialog) {
    QMessageBox box(QMessageBox::Question, dialog.windowTitle(), DiscardQuestion,
                    QMessageBox::Yes | QMessageBox::No, &dialog);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    FitTitle(box);
    return box.exec() == QMessageBox::Yes;
}

} // namespace EditGuard
