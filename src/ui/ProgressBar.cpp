#include "ProgressBar.h"

#include "Centring.h"
#include "TitleFit.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TProgressBarF::TProgressBarF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Corvanta Generator"));
    ProgressLabel = new QLabel(this);
    ProgressLabel->setAlignment(Qt::AlignCenter);
    ProgressLabel->setWordWrap(true);
    ProgressLabel->setMinimumWidth(360);
    // A busy bar says the program is working although nothing can be counted.
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(ProgressLabel);
    layout->addWidget(busy);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(*this);
}

void TProgressBarF::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TProgressBarF::closeEvent(QCloseEvent* event) {
    event->ignore();
}
