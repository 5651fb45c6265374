#include "Settings.h"

#include "model/TableFields.h"

// Placeholder until the settings pages exist.
TSettingsF::TSettingsF(QWidget* parent) : QDialog(parent) {}

void TSettingsF::SelectPage(int /*page*/) {}

bool EditSettings(TSettingsF& /*dialog*/, TBTable& /*table*/) { return false; }
