#pragma once

#include <QBoxLayout>
#include <QDialog>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

// Small layout helpers shared by the settings and visitor options dialogs.
namespace SettingsUi {

// Dialogs centre themselves on the screen, leaving room for a title bar.
inline void CentreDialog(QWidget* dialog) {
    const QScreen* screen = dialog->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    dialog->move(area.left() + (area.width() - dialog->width()) / 2,
                 area.top() + (area.height() - (dialog->height() + 28)) / 2);
}

// A page's bold heading line.
inline QLabel* Heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    label->setFont(font);
    return label;
}

// A wrapped explanatory text.
inline QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// A form row's caption, with its tooltip when it has one.
inline QLabel* Caption(const QString& text, QWidget* parent, const QString& tooltip = {}) {
    auto* label = new QLabel(text, parent);
    label->setToolTip(tooltip);
    return label;
}

// A named line edit; `width` > 0 gives a fixed width for short entries.
inline QLineEdit* Edit(const QString& name, QWidget* parent, int width = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (width > 0)
        edit->setFixedWidth(width);
    return edit;
}

inline QPushButton* Button(const QString& name, const QString& caption, QWidget* parent,
                           const QString& tooltip = {}) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tooltip);
    return button;
}

// Widgets side by side, left-aligned.
inline QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    if (stretch)
        row->addStretch(1);
    return row;
}

// A form of caption | entry | "?" rows.
class TForm {
public:
    explicit TForm(QGridLayout* grid) : grid_(grid) { grid_->setColumnStretch(1, 1); }

    void Add(QWidget* caption, QWidget* entry, QToolButton* howTo = nullptr) {
        Add(caption, Row({entry}, false), howTo);
    }
    void Add(QWidget* caption, QLayout* entry, QToolButton* howTo = nullptr) {
        // A caption leads to its entry: Alt and its letter go there.
        auto* label = qobject_cast<QLabel*>(caption);
        for (int i = 0; label && !label->buddy() && i < entry->count(); ++i)
            if (QWidget* w = entry->itemAt(i)->widget(); w && w->focusPolicy() != Qt::NoFocus)
                label->setBuddy(w);
        if (caption)
            grid_->addWidget(caption, row_, 0);
        grid_->addLayout(entry, row_, 1);
        if (howTo)
            grid_->addWidget(howTo, row_, 2);
        ++row_;
    }
    // A line below the entries, in the entry column.
    void Below(QWidget* widget) { grid_->addWidget(widget, row_++, 1); }

private:
    QGridLayout* grid_;
    int row_ = 0;
};

// The folder a chooser opens in: the one of the given file, if any.
inline QString FolderOf(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

// Width of the number edits.
constexpr int NumberWidth = 70;

} // namespace SettingsUi
