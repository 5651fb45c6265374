#include "Steps.h"

#include "TitleFit.h"

#include <QGridLayout>
#include <QLabel>

TStepsF::TStepsF(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Steps of Database Creation"));
    struct Step {
        const char* text;
        const char* topic;
        bool indented;
    };
    const Step steps[] = {
        {"1. Create the fields (Ctrl+C)", "FieldsWin.htm", false},
        {"2. Change settings (Ctrl+T):", nullptr, false},
        {"Appearance", "PropAppearance.htm", true},
        {"Connection", "PropConnection.htm", true},
        {"Database", "PropDatabase.htm", true},
        {"Administrator", "PropAdministrator.htm", true},
        {"E-mail", "PropEmail.htm", true},
        {"Import/Export", "PropImportExport.htm", true},
        {"Logo and text", "PropLogoText.htm", true},
        {"3. Saving your project (Ctrl+S)", "Database.htm", false},
        {"4a. Generate (Ctrl+G)", "GenerateUpload.htm", false},
        {"4b. Upload changes (Ctrl+U)", "GenerateUpload.htm", false},
        {"5. Security information", "Security.htm", false},
    };
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->setColumnStretch(0, 1);
    int row = 0;
    for (const Step& step : steps) {
        auto* label = new QLabel(QString::fromLatin1(step.text), this);
        if (step.indented)
            label->setIndent(20);
        else {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        grid->addWidget(label, row, 0);
        if (step.topic) {
            const QString topic = QString::fromLatin1(step.topic);
            auto* link =
                new QLabel(QStringLiteral("<a href=\"%1\">More info &gt;</a>").arg(topic), this);
            connect(link, &QLabel::linkActivated, this, &TStepsF::HelpRequested);
            grid->addWidget(link, row, 1);
        }
        ++row;
    }
    grid->setRowStretch(row, 1);
    // Always as large as its lines need, also once the style has set the fonts.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(*this);
}
