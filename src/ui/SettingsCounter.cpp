// The "Counter" page: the site's hit counter and its sample.
#include "Settings.h"
#include "SettingsColors.h"
#include "SettingsLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace SettingsUi;

namespace {

// The sample shows the stored sizes as point sizes; 0 means "as it comes".
QFont SampleFont(const TCounterFont& font, QFont base) {
    if (!font.Name.isEmpty())
        base.setFamily(font.Name);
    if (font.Size > 0)
        base.setPointSize(font.Size);
    base.setBold(font.Bold);
    base.setItalic(font.Italic);
    base.setUnderline(font.Underline);
    base.setStrikeOut(font.StrikeOut);
    return base;
}

void ShowSample(QLabel* label, const QString& text, const TCounterFont& font, const QFont& base) {
    label->setFont(SampleFont(font, base));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(font.Color));
    label->setPalette(palette);
    label->setText(text);
    label->adjustSize();
}

} // namespace

QWidget* TSettingsF::BuildCounterPage() {
    auto* page = new QWidget;
    CreateCounterCh = new QCheckBox(QStringLiteral("Create hit counter"), page);
    CreateCounterCh->setObjectName(QStringLiteral("CreateCounterCh"));
    CounterPositionCombo = new QComboBox(page);
    CounterPositionCombo->setObjectName(QStringLiteral("CounterPositionCombo"));
    CounterPositionCombo->addItems({QStringLiteral("Menu"), QStringLiteral("Search Form")});
    CounterAlignmentCombo = new QComboBox(page);
    CounterAlignmentCombo->setObjectName(QStringLiteral("CounterAlignmentCombo"));
    CounterAlignmentCombo->addItems(
        {QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")});
    CounterTextBeforeEdit = Edit(QStringLiteral("CounterTextBeforeEdit"), page);
    CounterTextBehindEdit = Edit(QStringLiteral("CounterTextBehindEdit"), page);
    CounterBorderEdit = Edit(QStringLiteral("CounterBorderEdit"), page, NumberWidth);
    StartCounterCh = new QCheckBox(QStringLiteral("Set counter to:"), page);
    StartCounterCh->setObjectName(QStringLiteral("StartCounterCh"));
    SetCounter = Edit(QStringLiteral("SetCounter"), page, 100);
    ColorBtn =
        Button(QStringLiteral("ColorBtn"), QStringLiteral("Select background color..."), page);
    CounterTextFontBtn =
        Button(QStringLiteral("CounterTextFontBtn"), QStringLiteral("Select text font..."), page);
    CounterNumberFontBtn = Button(QStringLiteral("CounterNumberFontBtn"),
                                  QStringLiteral("Select counter font..."), page);

    SampleColor = new QFrame(page);
    SampleColor->setObjectName(QStringLiteral("SampleColor"));
    SampleColor->setAutoFillBackground(true);
    SampleTextBefore = new QLabel(SampleColor);
    SampleTextBefore->setObjectName(QStringLiteral("SampleTextBefore"));
    SampleNumber = new QLabel(SampleColor);
    SampleNumber->setObjectName(QStringLiteral("SampleNumber"));
    SampleTextBehind = new QLabel(SampleColor);
    SampleTextBehind->setObjectName(QStringLiteral("SampleTextBehind"));

    auto* grid = new QGridLayout;
    TForm form(grid);
    form.Add(nullptr, Row({CreateCounterCh}));
    form.Add(Caption(QStringLiteral("Position:"), page), Row({CounterPositionCombo}));
    form.Add(Caption(QStringLiteral("Alignment:"), page), Row({CounterAlignmentCombo}));
    form.Add(Caption(QStringLiteral("Text before the counter:"), page), CounterTextBeforeEdit);
    form.Add(Caption(QStringLiteral("Text behind the counter:"), page), CounterTextBehindEdit);
    form.Add(Caption(QStringLiteral("Border:"), page), Row({CounterBorderEdit}));
    form.Add(StartCounterCh, Row({SetCounter}));
    form.Add(nullptr, Row({ColorBtn, CounterTextFontBtn, CounterNumberFontBtn}));
    auto* sampleRow = Row({SampleColor});
    form.Add(Caption(QStringLiteral("Sample:"), page), sampleRow);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Heading(QStringLiteral("Hit counter of the site"), page));
    layout->addLayout(grid);
    layout->addStretch(1);

    connect(StartCounterCh, &QCheckBox::clicked, this, &TSettingsF::StartCounterChClick);
    connect(ColorBtn, &QPushButton::clicked, this, &TSettingsF::ColorBtnClick);
    connect(CounterTextFontBtn, &QPushButton::clicked, this, &TSettingsF::CounterTextFontBtnClick);
    connect(CounterNumberFontBtn, &QPushButton::clicked, this,
            &TSettingsF::CounterNumberFontBtnClick);
    for (QComboBox* combo : {CounterPositionCombo, CounterAlignmentCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, &TSettingsF::UpdateSample);
    for (QLineEdit* edit : {CounterTextBeforeEdit, CounterTextBehindEdit, CounterBorderEdit})
        connect(edit, &QLineEdit::textChanged, this, &TSettingsF::UpdateSample);
    return page;
}

void TSettingsF::StartCounterChClick() {
    if (!StartCounterCh->isChecked())
        SetCounter->clear();
    SetCounter->setEnabled(StartCounterCh->isChecked());
}

void TSettingsF::ColorBtnClick() {
    if (const auto chosen = ChooseColor(ToQColor(counterColor_))) {
        counterColor_ = FromQColor(*chosen);
        UpdateSample();
    }
}

// The font choosers open at the stored size plus 8 and store the chosen size
// minus 8, so confirming without a change keeps the size.
void TSettingsF::CounterTextFontBtnClick() {
    TCounterFont font = textFont_;
    font.Size += 8;
    if (!ChooseFont(font))
        return;
    font.Size -= 8;
    textFont_ = font;
    UpdateSample();
}

void TSettingsF::CounterNumberFontBtnClick() {
    TCounterFont font = numberFont_;
    font.Size += 8;
    if (!ChooseFont(font))
        return;
    font.Size -= 8;
    numberFont_ = font;
    UpdateSample();
}

void TSettingsF::UpdateSample() {
    QPalette palette = SampleColor->palette();
    palette.setColor(QPalette::Window, ToQColor(counterColor_));
    SampleColor->setPalette(palette);

    const QFont base = font();
    ShowSample(SampleTextBefore, CounterTextBeforeEdit->text(), textFont_, base);
    ShowSample(SampleNumber, QStringLiteral(" 12345 "), numberFont_, base);
    ShowSample(SampleTextBehind, CounterTextBehindEdit->text(), textFont_, base);

    const QSize before = SampleTextBefore->size();
    const QSize number = SampleNumber->size();
    const QSize behind = SampleTextBehind->size();
    const int width = before.width() + number.width() + behind.width() + 16;
    const int height = std::max(before.height(), number.height()) + 24;
    SampleColor->setFixedSize(width, height);

    // Each label sits with its bottom 8 pixels above the panel's bottom edge.
    const int left = 2;
    const auto place = [height](QLabel* label, int x) {
        label->move(x, height - 8 - label->height());
    };
    place(SampleTextBefore, left);
    place(SampleNumber, left + before.width() + 10);
    place(SampleTextBehind, left + before.width() + number.width() + 12);
}
