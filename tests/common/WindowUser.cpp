#include "WindowUser.h"

#include <QAbstractButton>
#include <QDir>
#include <QMessageBox>

TUser::TUser() {
    connect(&timer_, &QTimer::timeout, this, &TUser::tick);
    timer_.start(50);
}

void TUser::Then(const QString& what, TFind find, TDo look, TDo act) {
    steps_.append({what, std::move(find), std::move(look), std::move(act)});
}

void TUser::tick() {
    if (looking_ || steps_.isEmpty())
        return;
    QWidget* window = steps_.first().find();
    if (!window || !window->isVisible()) {
        if (++idle_ % 200 == 0) {
            QWidget* modal = QApplication::activeModalWidget();
            auto* box = qobject_cast<QMessageBox*>(modal);
            qWarning("still waiting for %s; in front: %s %s", qPrintable(steps_.first().what),
                     modal ? modal->metaObject()->className() : "no modal window",
                     box ? qPrintable(box->text()) : "");
        }
        return;
    }
    idle_ = 0;
    TStep step = steps_.takeFirst();
    looking_ = true;
    QTimer::singleShot(0, this, [this, step, window] {
        step.look(window);
        done_.append(step.what);
        looking_ = false;
        if (step.act)
            step.act(window);
    });
}

TUser::TFind messageBox(const QString& text) {
    return [text]() -> QWidget* {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->text().contains(text) ? box : nullptr;
    };
}

TBoxAnswers::TBoxAnswers(int button) {
    connect(&timer_, &QTimer::timeout, this, [this, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        Texts << box->text();
        if (QAbstractButton* b = box->button(QMessageBox::StandardButton(button)))
            b->click();
        else
            box->reject();
    });
    timer_.start(20);
}

QString ShotPath(const QString& prefix, const QString& name) {
    QString dir = qEnvironmentVariable("CORVANTA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    return QDir(dir).filePath(prefix + name + QStringLiteral(".png"));
}
