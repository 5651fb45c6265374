#pragma once

#include "model/Store.h"
#include "ui/Main.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TBField;

// A store file in a temporary folder, also named by CORVANTA_STORE so that
// code opening the default store finds it.
class TTempStore {
public:
    TTempStore();
    QString Folder() const { return dir_.path(); }
    TStore& Store() { return *store_; }

private:
    QTemporaryDir dir_;
    std::unique_ptr<TStore> store_;
};

// Answers the modal dialogs a window runs, in order: each step gets the
// shown dialog and works on it like a user (fills controls, clicks OK). A
// dialog still open after its step counts as cancelled; a dialog without a
// step is cancelled and counted as unexpected.
class TDialogScript {
public:
    void Then(std::function<void(QDialog&)> step) { steps_.append(std::move(step)); }
    TMainF::TDialogRunner Runner();
    QStringList Titles() const { return titles_; }
    int Unexpected() const { return unexpected_; }
    int Pending() const { return steps_.size(); }

private:
    QList<std::function<void(QDialog&)>> steps_;
    QStringList titles_;
    int unexpected_ = 0;
};

// A field as the field details dialog enters it.
TBField EnteredField(const QString& name, const QString& fieldType, const QString& inputType);
