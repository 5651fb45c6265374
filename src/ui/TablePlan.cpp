#include "TablePlan.h"

#include "Centring.h"
#include "deploy/TablePlan.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTablePlanF::TTablePlanF(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Upload: the tables"));
    Heading = new QLabel(this);
    Heading->setWordWrap(true);
    QFont bold = Heading->font();
    bold.setBold(true);
    Heading->setFont(bold);
    PlanText = new QPlainTextEdit(this);
    PlanText->setReadOnly(true);
    PlanText->setMinimumSize(520, 180);
    // Column names and SQL types line up as they are written.
    PlanText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    UpdateBtn = new QPushButton(this);
    CreateBtn = new QPushButton(this);
    LeaveBtn = new QPushButton(this);
    for (const TTablesChoice choice :
         {TTablesChoice::Update, TTablesChoice::Create, TTablesChoice::Leave})
        connect(button(choice), &QPushButton::clicked, this, [this, choice] {
            chosen_ = choice;
            accept();
        });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(Heading);
    layout->addWidget(PlanText, 1);
    layout->addSpacing(8);
    for (QPushButton* b : {UpdateBtn, CreateBtn, LeaveBtn})
        layout->addWidget(b);
}

QPushButton* TTablePlanF::button(TTablesChoice choice) const {
    switch (choice) {
    case TTablesChoice::Update:
        return UpdateBtn;
    case TTablesChoice::Create:
        return CreateBtn;
    case TTablesChoice::Leave:
        break;
    }
    return LeaveBtn;
}

TTablesChoice TTablePlanF::Ask(const TTablePlan& plan) {
    const QStringList lines = plan.Lines();
    Heading->setText(lines.first());
    PlanText->setPlainText(lines.mid(1).join(u'\n'));
    const QList<TTablesChoice> offered = plan.Choices();
    for (const TTablesChoice choice :
         {TTablesChoice::Update, TTablesChoice::Create, TTablesChoice::Leave}) {
        QPushButton* b = button(choice);
        b->setText(u'&' + plan.Caption(choice));
        b->setVisible(offered.contains(choice));
        b->setDefault(false);
        b->setAutoDefault(false);
    }
    preferred_ = button(plan.Default());
    preferred_->setAutoDefault(true);
    preferred_->setDefault(true);
    chosen_ = TTablesChoice::Leave;
    return exec() == Accepted ? chosen_ : TTablesChoice::Leave;
}

void TTablePlanF::showEvent(QShowEvent* event) {
    adjustSize();
    CentreOnScreen(*this);
    QDialog::showEvent(event);
    if (preferred_)
        preferred_->setFocus();
}
