#pragma once

#include "model/Field.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TBTable;
class TUserPort;

// Creates or changes one field: every property of a TBField on two pages.
// Controls that do not apply to the chosen field and input type are switched
// off, the special field types force their input type, and OK is refused
// until the combination is one the generated site can show.
class TFieldDetailsF : public QDialog {
    Q_OBJECT
public:
    // Messages go through port.
    explicit TFieldDetailsF(TUserPort& port, QWidget* parent = nullptr);

    // Fills the controls from a stored field (the modify use); lists whose
    // item is not the stored text select nothing.
    void SetField(const TBField& field);
    // The entered field (column names and sequence number empty). Raises
    // EConvertError when a number box that applies does not hold a whole
    // number (OK refuses that before the dialog closes).
    TBField Field() const;
    // The project the field goes into and its sequence number (0 for a new
    // field): OK then also runs the project checks on the field there.
    void SetProject(const TBTable& table, qint32 seqNo);
    // Anything was altered since the dialog was shown.
    bool Changed() const { return changed_; }
    // The message of the first OK check that fails, or an empty string.
    // When a number box holds no whole number, box (if given) names it.
    QString FailedCheck(QLineEdit** box = nullptr) const;
    // Whether a control is painted as not applying (the memo and the text
    // area edits stay editable but are painted so).
    static bool PaintedInactive(const QWidget* control);

    QTabWidget* Pages;
    // Page "Database"
    QLineEdit* NameEdit;
    QComboBox* FieldTypeCombo;
    QLineEdit* MaxLengthEdit;
    QLabel* MaxLengthNote; // "no limit" while the maximum length is 0
    QComboBox* DecimalSymbolCombo;
    QCheckBox* NoDuplCh;
    QCheckBox* ReqCh;
    QCheckBox* KeyCh;
    // Page "Appearance on the web"
    QLineEdit* NameEdit2;
    QCheckBox* VisibleCh;
    QCheckBox* SearchCh;
    QCheckBox* HiddenCh;
    QCheckBox* UmodCh;
    QComboBox* InputTypeCombo;
    QLineEdit* TextLengthEdit;
    QPlainTextEdit* EnumValuesMemo;
    QComboBox* DateTimeFormatCombo;
    QLineEdit* ImageWidthEdit;
    QLineEdit* ImageHeightEdit;
    QLineEdit* TextareaCols;
    QLineEdit* TextareaLines;

    QPushButton* OKBtn;
    QPushButton* CancelBtn;

public slots:
    void OKBtnClick();
    // Escape, Cancel and the close button ask before edits are lost.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildDatabasePage();
    void buildAppearancePage();
    void watchChanges();
    void fieldTypeChange();
    // Fills the input type list with the types the field type allows.
    void offerInputTypes();
    void applyEnablingRules();
    void showMaxLength();
    void markChanged();
    // The project checks on the entered field: false after the refusal was
    // shown at the control concerned.
    bool checkInProject();

    TUserPort& port_;
    bool changed_ = false;
    bool filling_ = false; // the controls are being filled, not edited
    const TBTable* project_ = nullptr;
    qint32 seqNo_ = 0;
};
