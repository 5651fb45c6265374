#pragma once

#include <QApplication>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

// Plays the user. Each step waits until its window is the one in front,
// then looks at it and works on it (look), and finally does what may open
// the next window and wait for it (act): the following steps then run inside
// that window's own event loop.
class TUser : public QObject {
public:
    using TFind = std::function<QWidget*()>;
    using TDo = std::function<void(QWidget*)>;

    TUser();
    void Then(const QString& what, TFind find, TDo look, TDo act = {});
    bool Finished() const { return steps_.isEmpty() && !looking_; }
    QStringList Done() const { return done_; }
    QString Waiting() const { return steps_.isEmpty() ? QString() : steps_.first().what; }

private:
    struct TStep {
        QString what;
        TFind find;
        TDo look;
        TDo act;
    };

    void tick();

    QTimer timer_;
    QList<TStep> steps_;
    QStringList done_;
    bool looking_ = false;
    int idle_ = 0;
};

// The modal window in front when it is a T.
template <class T> TUser::TFind modal() {
    return []() -> QWidget* { return qobject_cast<T*>(QApplication::activeModalWidget()); };
}

// A message box in front showing text.
TUser::TFind messageBox(const QString& text);

// Answers the message boxes that show while it lives with one button, and
// keeps their texts: for the questions a step asks inside a dialog.
class TBoxAnswers : public QObject {
public:
    explicit TBoxAnswers(int button);
    QStringList Texts;

private:
    QTimer timer_;
};

// Where a picture of the windows goes: <build>/screenshots/<prefix><name>.png.
QString ShotPath(const QString& prefix, const QString& name);
