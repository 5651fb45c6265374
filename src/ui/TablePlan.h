#pragma once

#include "deploy/TablePlan.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Upload's question about the tables: the plan in words and one button per
// answer it offers. The default answer has the focus, so Enter takes it;
// Escape and the close button leave the tables as they are.
class TTablePlanF : public QDialog {
    Q_OBJECT
public:
    explicit TTablePlanF(QWidget* parent = nullptr);

    TTablesChoice Ask(const TTablePlan& plan);

    QLabel* Heading;
    QPlainTextEdit* PlanText;
    QPushButton* UpdateBtn;
    QPushButton* CreateBtn;
    QPushButton* LeaveBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* button(TTablesChoice choice) const;

    QPushButton* preferred_ = nullptr;
    TTablesChoice chosen_;
};
