#pragma once

#include <QDialog>

class TBTable;

// The settings dialog: every project setting on its page. Created once and
// reused; each opening loads the controls from the table definition.
class TSettingsF : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsF(QWidget* parent = nullptr);

    // Page indexes, in page order.
    enum Page { AppearancePage = 0 };
    // Selects a page before the dialog is shown (the deployment commands open
    // the settings on the page their failed check concerns).
    void SelectPage(int page);
};

// Fills the dialog from the table, shows it modally and on OK takes the values
// back into the table. Returns true when the values were taken back.
bool EditSettings(TSettingsF& dialog, TBTable& table);
