// The settings dialog's part of the project checks: the values as OK would
// take them back must make a project that can be generated and sent.
#include "Settings.h"

#include "InputNote.h"
#include "PageOf.h"

#include "deploy/ProblemText.h"

#include "model/Convert.h"
#include "model/ProjectCheck.h"
#include "model/TableFields.h"

#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

bool TSettingsF::CheckDefinition() {
    if (!loaded_)
        return true;
    TBTable candidate = *loaded_;
    try {
        StoreTo(candidate);
    } catch (const EConvertError&) {
        // Taking the values back reports the bad number itself.
        return true;
    }
    const TDefinitionCheck problem = CheckSettings(candidate);
    if (!problem)
        return true;

    const QHash<QString, QWidget*> controls = {
        {QStringLiteral("TableName"), TableName},
        {QStringLiteral("MenuHeight"), MenuHeightEdit},
        {QStringLiteral("LinesPerPage"), LinesPerPageEdit},
        {QStringLiteral("NumOfFilterFields"), NumOfFilterFieldsEdit},
        {QStringLiteral("NumOfSortFields"), NumOfSortFieldsEdit},
        {QStringLiteral("FieldDelimiter"), FieldDelimiterEdit},
        {QStringLiteral("RecordDelimiter"), RecordDelimiterCombo->currentIndex() > 0 // "Other"
                                                ? static_cast<QWidget*>(RecordDelimiterEdit)
                                                : RecordDelimiterCombo},
        {QStringLiteral("ReplaceDelimiterWith"), ReplaceDelimiterWithEdit},
        {QStringLiteral("URL"), URL},
        {QStringLiteral("PHPPath"), PHPPath},
        {QStringLiteral("TrustedProxies"), TrustedProxiesEdit},
        {QStringLiteral("LocalPath"), Button2},
    };
    QWidget* control = controls.value(problem->Setting);
    ShowPageOf(PageControl, control);
    ShowMessage(ShownProblem(*problem));
    if (control) {
        control->setFocus();
        InputNote::Mark(*control);
    }
    return false;
}
