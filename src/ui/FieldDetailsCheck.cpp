// The field details dialog's part of the project checks: the entered field
// must fit the table it goes into.
#include "FieldDetails.h"

#include "InputNote.h"
#include "PageOf.h"

#include "deploy/ProblemText.h"

#include "deploy/UserPort.h"
#include "model/ProjectCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

void TFieldDetailsF::SetProject(const TBTable& table, qint32 seqNo) {
    project_ = &table;
    seqNo_ = seqNo;
}

bool TFieldDetailsF::checkInProject() {
    if (!project_)
        return true;
    const TDefinitionCheck problem = CheckFieldInTable(*project_, Field(), seqNo_);
    if (!problem)
        return true;
    const QHash<QString, QWidget*> controls = {
        {QStringLiteral("Name"), NameEdit},
        {QStringLiteral("FieldType"), FieldTypeCombo},
        {QStringLiteral("MaxLength"), MaxLengthEdit},
        {QStringLiteral("DecimalSymbol"), DecimalSymbolCombo},
        {QStringLiteral("NoDuplicates"), NoDuplCh},
        {QStringLiteral("Key"), KeyCh},
        {QStringLiteral("InputType"), InputTypeCombo},
        {QStringLiteral("TextLength"), TextLengthEdit},
        {QStringLiteral("EnumValues"), EnumValuesMemo},
        {QStringLiteral("DateTimeFormat"), DateTimeFormatCombo},
        {QStringLiteral("ImageWidth"), ImageWidthEdit},
        {QStringLiteral("ImageHeight"), ImageHeightEdit},
        {QStringLiteral("TextAreaColumns"), TextareaCols},
        {QStringLiteral("TextAreaLines"), TextareaLines},
    };
    QWidget* control = controls.value(problem->Setting);
    ShowPageOf(Pages, control);
    port_.ShowInformation(ShownProblem(*problem));
    if (control) {
        control->setFocus();
        InputNote::Mark(*control);
    }
    return false;
}
