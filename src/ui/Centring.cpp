#include "Centring.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

void centre(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize area = screen->geometry().size();
    const QSize size = window.frameGeometry().size();
    const int left = (area.width() - size.width()) / 2;
    const int top = (area.height() - (size.height() + 28)) / 2;
    window.move(screen->geometry().topLeft() + QPoint(left, top));
}

} // namespace

void CentreOnScreen(QWidget& window) {
    centre(window);
    // The frame is known only once the window is on the screen: centre again
    // then, with the frame counted.
    QTimer::singleShot(0, &window, [w = QPointer<QWidget>(&window)] {
        if (w && w->isVisible())
            centre(*w);
    });
}
