#pragma once

#include <QWidget>

// Shows the page of a stacked or tabbed container that holds the control.
template <typename TPages> void ShowPageOf(TPages* pages, const QWidget* control) {
    for (const QWidget* w = control; w; w = w->parentWidget()) {
        const int page = pages->indexOf(w);
        if (page >= 0) {
            pages->setCurrentIndex(page);
            return;
        }
    }
}
