// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/constsetpanel.h"

#include "constsets/setfile.h"
#include "engine/asciitext.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "ui/constform.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A value as the grid shows it: what Apply reads back, so that a value shown unchanged is
// never taken for an edit.
std::string Shown(TReal value)
{
    return value > 0 ? FormatFixed(value, 10, 3) : std::string();
}

QString DefaultFileChoice(QWidget* parent, bool save)
{
    const QString filter = QStringLiteral("Constant sets (*.json);;All files (*)");
    if (!save)
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Open set"), QString(), filter);
    QFileDialog dialog(parent, QStringLiteral("Save set as"), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QLabel* Caption(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}

} // namespace

TConstSetPanel::TConstSetPanel(TEngine& engine, QTableWidget* grid, TTableShower showTable,
                               const TMessageSink& sink, QWidget* parent)
    : QWidget(parent)
    , FEngine(engine)
    , FGrid(grid)
    , FShowTable(std::move(showTable))
    , FMessageSink(sink)
    , FFileChooser(DefaultFileChoice)
    , FChosen(BuiltInSet())
    , FApplied(BuiltInSet())
{
    setObjectName(QStringLiteral("ConstSetPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    CreateSetControls(layout);
    CreateConditionControls(layout);

    connect(SetBox, &QComboBox::activated, this, &TConstSetPanel::SetBoxActivated);
    connect(OpenSetBtn, &QPushButton::clicked, this, &TConstSetPanel::OpenSet);
    connect(SaveSetBtn, &QPushButton::clicked, this, &TConstSetPanel::SaveSetAs);
    connect(FGrid, &QTableWidget::currentCellChanged, this, [this] { ShowSource(); });
    connect(FGrid, &QTableWidget::cellChanged, this, [this] { ShowSource(); });
    ChooseSet(FChosen, false);
    ShowEngineState();
}

void TConstSetPanel::CreateSetControls(QVBoxLayout* layout)
{
    layout->addWidget(Caption("Constant set:", this));
    SetBox = new QComboBox(this);
    SetBox->setObjectName(QStringLiteral("SetBox"));
    for (const TBundledSet& bundled : BundledSets())
        AddSetItem(bundled.Set, Q(bundled.Set.Name));
    layout->addWidget(SetBox);
    SetInfo = new QLabel(this);
    SetInfo->setObjectName(QStringLiteral("SetInfo"));
    SetInfo->setWordWrap(true);
    SetInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(SetInfo);

    auto* files = new QHBoxLayout;
    OpenSetBtn = new QPushButton(QStringLiteral("O&pen set..."), this);
    OpenSetBtn->setObjectName(QStringLiteral("OpenSetBtn"));
    SaveSetBtn = new QPushButton(QStringLiteral("Sa&ve set as..."), this);
    SaveSetBtn->setObjectName(QStringLiteral("SaveSetBtn"));
    for (QPushButton* button : {OpenSetBtn, SaveSetBtn}) {
        button->setAutoDefault(false);
        files->addWidget(button);
    }
    layout->addLayout(files);

    layout->addWidget(Caption("Selected value:", this));
    SourceText = new QPlainTextEdit(this);
    SourceText->setObjectName(QStringLiteral("SourceText"));
    SourceText->setReadOnly(true);
    SourceText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    SourceText->setFixedHeight(84);
    layout->addWidget(SourceText);
}

void TConstSetPanel::CreateConditionControls(QVBoxLayout* layout)
{
    auto* temperature = new QHBoxLayout;
    temperature->addWidget(Caption("Temperature (\u00B0C):", this));
    TemperatureEdit = new QLineEdit(this);
    TemperatureEdit->setObjectName(QStringLiteral("TemperatureEdit"));
    TemperatureEdit->setPlaceholderText(QStringLiteral("none"));
    temperature->addWidget(TemperatureEdit);
    layout->addLayout(temperature);
    UncorrectedLabel = new QLabel(this);
    UncorrectedLabel->setObjectName(QStringLiteral("UncorrectedLabel"));
    UncorrectedLabel->setWordWrap(true);
    layout->addWidget(UncorrectedLabel);

    layout->addWidget(Caption("pH scale:", this));
    pHScaleBox = new QComboBox(this);
    pHScaleBox->setObjectName(QStringLiteral("pHScaleBox"));
    pHScaleBox->addItem(Q(ConcentrationScaleText));
    pHScaleBox->addItem(Q(ActivityScaleText));
    layout->addWidget(pHScaleBox);
    pcHLabel = new QLabel(this);
    pcHLabel->setObjectName(QStringLiteral("pcHLabel"));
    layout->addWidget(pcHLabel);
    // What the fields above hold reaches the calculations only with Apply; this says what
    // the calculations use now.
    InForceLabel = new QLabel(this);
    InForceLabel->setObjectName(QStringLiteral("InForceLabel"));
    InForceLabel->setWordWrap(true);
    InForceLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(InForceLabel);
    layout->addStretch(1);
}

TConstSetPanel::TConditions TConstSetPanel::ReadConditions() const
{
    TConditions conditions;
    const std::string text = TemperatureEdit->text().toStdString();
    if (!TrimBlanks(text).empty()) {
        const std::optional<TReal> celsius = TextToReal(text);
        if (!celsius)
            RaiseCalcError(CalcMessage::NotAFloat(text));
        if (!IsTemperatureInRange(*celsius))
            RaiseCalcError(TemperatureRangeMessage(text));
        conditions.TemperatureC = celsius;
    }
    conditions.pHScale = pHScaleBox->currentIndex() == 1 ? TpHScale::psActivity
                                                         : TpHScale::psConcentration;
    return conditions;
}

void TConstSetPanel::ApplyTo(const TConditions& conditions)
{
    TConstSet applied = FChosen;
    for (int row = 0; row < TConstForm::RowCount; ++row)
        for (int col = 1; col < TConstForm::ColCount; ++col) {
            const auto [lig, pt, step] = GridEntry(row, col);
            const TReal value = FEngine.BaseConst()[lig][pt][step];
            if (Shown(value) != Shown(EntryInForce(FChosen, lig, pt, step).Log10K))
                EditEntry(applied, lig, pt, step, value);
        }
    FEngine.SetOrigin(SetOrigin(applied, CountEdited(FChosen, applied)));
    FApplied = FChosen;
    FEngine.SetTemperatureC(conditions.TemperatureC);
    FEngine.SetpHScale(conditions.pHScale);
}

void TConstSetPanel::ChooseBuiltIn()
{
    SetBox->setCurrentIndex(0);
    ChooseSet(BuiltInSet(), false);
    FEngine.SetOrigin(SetOrigin(BuiltInSet()));
    FApplied = BuiltInSet();
}

void TConstSetPanel::ShowEngineState()
{
    const int uncorrected = FEngine.UncorrectedEntries();
    UncorrectedLabel->setText(
        FEngine.TemperatureC()
            ? QStringLiteral("%1 values have no enthalpy and stay as they are.").arg(uncorrected)
            : QString());
    QString pcH;
    if (FEngine.pHScale() == TpHScale::psActivity && FEngine.IonStr() >= 0)
        pcH = QStringLiteral("pcH = %1 at pH %2 and %3 M")
                  .arg(Q(FormatFixed(FEngine.pcH(), 0, 3)), Q(FormatFixed(FEngine.pH(), 0, 2)),
                       Q(FormatFixed(FEngine.IonStr(), 0, 3)));
    pcHLabel->setText(pcH);
    std::string inForce;
    try {
        inForce = ConditionsLine(FEngine);
    } catch (const TCalcError&) {
        inForce = "Constants: " + FEngine.Origin().SetName;
    }
    InForceLabel->setText(QStringLiteral("In force: ") + Q(inForce));
    ShowSource();
}

std::optional<TReal> TConstSetPanel::CellValue(int row, int col) const
{
    const std::optional<TReal> value = CellToReal(FGrid->item(row, col)->text().toStdString());
    return value && *value > 0 ? value : std::nullopt;
}

bool TConstSetPanel::CellEdited(int row, int col) const
{
    const auto [lig, pt, step] = GridEntry(row, col);
    return Shown(CellValue(row, col).value_or(0))
        != Shown(EntryInForce(FChosen, lig, pt, step).Log10K);
}

TConstSet TConstSetPanel::GridSet() const
{
    TConstSet set = FChosen;
    for (int row = 0; row < TConstForm::RowCount; ++row)
        for (int col = 1; col < TConstForm::ColCount; ++col)
            if (CellEdited(row, col)) {
                const auto [lig, pt, step] = GridEntry(row, col);
                EditEntry(set, lig, pt, step, CellValue(row, col).value_or(0));
            }
    return set;
}

void TConstSetPanel::OpenSet()
{
    const QString path = FFileChooser(this, false);
    if (path.isEmpty())
        return;
    RunCommand(this, FMessageSink, [&] {
        // A file that does not read changes nothing: not the grid, not the list.
        const TConstSet set = ReadConstSetFile(path.toStdString());
        AddSetItem(
            set,
            Q(set.Name) + QStringLiteral(" (") + QFileInfo(path).fileName() + QStringLiteral(")"));
        SetBox->setCurrentIndex(SetBox->count() - 1);
        ChooseSet(set, true);
    });
}

void TConstSetPanel::SaveSetAs()
{
    const QString path = FFileChooser(this, true);
    if (path.isEmpty())
        return;
    RunCommand(this, FMessageSink, [&] {
        TConstSet set = GridSet();
        const int edited = CountEdited(FChosen, set);
        // A set with the user's edits is a new set, named after its file; so is a copy of
        // the built-in table, whose name stands for the program's own.
        if (edited > 0 || FChosen.Name == BuiltInSetName) {
            set.Name = QFileInfo(path).completeBaseName().toStdString();
            if (edited > 0)
                set.Description = "Made from the set \"" + FChosen.Name + "\" with "
                    + std::to_string(edited) + (edited == 1 ? " entry" : " entries")
                    + " edited by the user.";
        }
        WriteConstSetFile(path.toStdString(), set);
        AddSetItem(
            set,
            Q(set.Name) + QStringLiteral(" (") + QFileInfo(path).fileName() + QStringLiteral(")"));
        SetBox->setCurrentIndex(SetBox->count() - 1);
        ChooseSet(set, false);
    });
}

void TConstSetPanel::ChooseSet(const TConstSet& set, bool fillGrid)
{
    FChosen = set;
    if (fillGrid)
        FShowTable(SetTable(set));
    QString info = Q(set.Description);
    if (GivesEntries(set)) {
        info += QStringLiteral("\nValues at %1; entries in italics come from the built-in table.")
                    .arg(set.ReferenceC
                             ? Q(FormatReal(*set.ReferenceC)) + QStringLiteral(" \u00B0C")
                             : QStringLiteral("an unstated temperature"));
    }
    SetInfo->setText(info);
    MarkCells();
    ShowSource();
}

void TConstSetPanel::AddSetItem(const TConstSet& set, const QString& text)
{
    const QSignalBlocker blocker(SetBox);
    FSets.push_back(set);
    SetBox->addItem(text);
}

void TConstSetPanel::SetBoxActivated(int index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < FSets.size())
        ChooseSet(FSets[static_cast<std::size_t>(index)], true);
}

void TConstSetPanel::MarkCells()
{
    // The built-in set keeps the grid's own look; another set marks what it does not give.
    const bool plain = !GivesEntries(FChosen);
    const QSignalBlocker blocker(FGrid);
    for (int row = 0; row < TConstForm::RowCount; ++row)
        for (int col = 1; col < TConstForm::ColCount; ++col) {
            QTableWidgetItem* item = FGrid->item(row, col);
            const auto [lig, pt, step] = GridEntry(row, col);
            const TEntryInForce entry = EntryInForce(FChosen, lig, pt, step);
            QFont font = FGrid->font();
            font.setItalic(entry.FromBuiltIn);
            item->setData(Qt::FontRole, plain ? QVariant() : QVariant(font));
            item->setData(Qt::ToolTipRole, plain ? QVariant() : QVariant(Q(entry.Source)));
        }
}

QString TConstSetPanel::InForceText(TLigand lig, TPartner pt, std::size_t step) const
{
    // The value a calculation uses at the temperature in force, beside the table's.
    const auto celsius = FEngine.TemperatureC();
    const TReal table = FEngine.BaseConst()[lig][pt][step];
    if (!celsius || !(table > 0))
        return QString();
    try {
        const TReal inForce = ConstantsInForce(FEngine).Table[lig][pt][step];
        return QStringLiteral("\nIn force at %1 \u00B0C: log10 K %2 (table %3)")
            .arg(Q(FormatReal(*celsius)), Q(FormatFixed(inForce, 0, 3)),
                 Q(FormatFixed(table, 0, 3)));
    } catch (const TCalcError&) {
        // A table that cannot be brought to the temperature: the next Apply says why.
        return QString();
    }
}

void TConstSetPanel::ShowSource()
{
    const int row = FGrid->currentRow();
    const int col = FGrid->currentColumn();
    if (row < 0 || col < 1) {
        SourceText->clear();
        return;
    }
    const auto [lig, pt, step] = GridEntry(row, col);
    QString text = Q(RowLabel(lig, pt)) + QStringLiteral(", step %1: ").arg(step);
    const QString inForce = InForceText(lig, pt, step);
    if (CellEdited(row, col)) {
        const std::optional<TReal> value = CellValue(row, col);
        text += value ? QStringLiteral("log10 K ") + Q(TrimBlanks(Shown(*value)))
                      : QStringLiteral("removed");
        text += inForce + QStringLiteral("\nSource: ") + Q(EditedSource);
    } else {
        const TEntryInForce entry = EntryInForce(FChosen, lig, pt, step);
        if (!(entry.Log10K > 0)) {
            text += QStringLiteral("no such step") + inForce;
        } else {
            text += QStringLiteral("log10 K ") + Q(FormatReal(entry.Log10K));
            if (entry.Enthalpy)
                text += QStringLiteral(", enthalpy ") + Q(FormatReal(*entry.Enthalpy))
                    + QStringLiteral(" ") + Q(EnthalpyUnitText(entry.EnthalpyUnit));
            text += inForce + QStringLiteral("\nSource: ") + Q(entry.Source);
        }
    }
    SourceText->setPlainText(text);
}
