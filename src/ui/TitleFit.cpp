#include "TitleFit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QWidget>

#include <algorithm>

namespace {

// Room for the window icon and the minimise, maximise and close buttons.
constexpr int kFrameButtons = 150;

} // namespace

QString ShownTitle(const QWidget& window) {
    const QString title = window.windowTitle();
    const QString name = QGuiApplication::applicationDisplayName();
    if (name.isEmpty() || title == name || title.endsWith(name))
        return title;
    return title + QStringLiteral(" \u2014 ") + name;
}

int TitleBarWidth(const QString& shownTitle) {
    // Title bars usually show the title in a bold variant of the desktop font.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(shownTitle) + kFrameButtons;
}

void FitTitle(QWidget& window) {
    // Such windows ignore a minimum width; an item of the needed width in
    // their layout is what widens them.
    QLayout* layout = window.layout();
    if (!layout)
        return;
    const QMargins margins = layout->contentsMargins();
    const int width = TitleBarWidth(ShownTitle(window)) - margins.left() - margins.right();
    auto* spacer = new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    if (auto* grid = qobject_cast<QGridLayout*>(layout))
        grid->addItem(spacer, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    else if (auto* box = qobject_cast<QBoxLayout*>(layout))
        box->addItem(spacer);
    else
        delete spacer;
}
