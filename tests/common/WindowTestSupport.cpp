#include "WindowTestSupport.h"

#include "model/Field.h"

#include <QCoreApplication>

TTempStore::TTempStore() {
    const QString path = dir_.filePath(QStringLiteral("store.json"));
    qputenv("CORVANTA_STORE", path.toLocal8Bit());
    store_ = std::make_unique<TStore>(path);
}

TMainF::TDialogRunner TDialogScript::Runner() {
    return [this](QDialog& dialog) {
        titles_.append(dialog.windowTitle());
        dialog.show();
        QCoreApplication::processEvents();
        // A dialog left open is closed as Cancel would close it, without the
        // question a dialog with edits asks first.
        if (steps_.isEmpty()) {
            ++unexpected_;
            dialog.done(QDialog::Rejected);
        } else {
            steps_.takeFirst()(dialog);
        }
        if (dialog.isVisible())
            dialog.done(QDialog::Rejected);
        return dialog.result();
    };
}

TBField EnteredField(const QString& name, const QString& fieldType, const QString& inputType) {
    TBField f;
    f.Name = name;
    f.FieldType = fieldType;
    f.InputType = inputType;
    f.MaxLength = 30;
    f.TextLength = 30;
    f.ImageWidth = 50;
    f.ImageHeight = 50;
    f.TextAreaColumns = 30;
    f.TextAreaLines = 1;
    return f;
}
