// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriesinputs.h"

#include "engine/realtext.h"
#include "numedit/SaNumEditExCX.h"
#include "request/request.h"
#include "series/pcalist.h"
#include "ui/fieldrows.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

using enum TValueField;

namespace {

// The stock columns: conditions and the seven totals (both columns), then the values a
// per-point series may prescribe (column A only).
constexpr std::array<TFieldRow, 14> FieldRows = [] {
    std::array<TFieldRow, 14> rows {};
    std::size_t n = 0;
    for (const TFieldRow& row : ValueFieldRows)
        if (row.Field != vfFreeCa) // each target sets it
            rows[n++] = row;
    return rows;
}();
constexpr std::size_t StockRowCount = 9;

// mM in the fields, M in a calculation's values; pH and the ionic strength unconverted.
TReal FieldScale(TValueField field)
{
    return IsConcentration(field) ? 1000 : 1;
}

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int FirstPerPointMode = 2;

} // namespace

TSeriesInputs::TSeriesInputs(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CreateDesignBox());
    layout->addWidget(CreateStockBox());
    layout->addWidget(CreateTargetBox());
    DesignChanged();
}

TSaNumEditExCX* TSeriesInputs::NewField(const char* name, QWidget* parent)
{
    auto* edit = new TSaNumEditExCX(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedSize(81, 24);
    edit->SetDecimalLength(8);
    edit->setCursor(Qt::IBeamCursor);
    return edit;
}

QWidget* TSeriesInputs::CreateDesignBox()
{
    auto* box = new QGroupBox(QStringLiteral("Design"));
    auto* grid = new QGridLayout(box);
    FDesignButtons = new QButtonGroup(box);
    auto* mixing = new QRadioButton(QStringLiteral("&Mixing table of stocks A and B"));
    mixing->setObjectName(QStringLiteral("MixingRadio"));
    auto* perPoint = new QRadioButton(QStringLiteral("&One solution per pCa, mode:"));
    perPoint->setObjectName(QStringLiteral("PerPointRadio"));
    FDesignButtons->addButton(mixing, 0);
    FDesignButtons->addButton(perPoint, 1);
    mixing->setChecked(true);
    FModeCombo = new QComboBox;
    FModeCombo->setObjectName(QStringLiteral("ModeCombo"));
    for (int mode = FirstPerPointMode; mode < ModeCount; ++mode)
        FModeCombo->addItem(QString::number(mode) + QStringLiteral("  ")
                            + Q(ModeCaptions[static_cast<std::size_t>(mode)]));
    FModeCombo->setCurrentIndex(ModeCount - 1 - FirstPerPointMode); // Control Ca++
    grid->addWidget(mixing, 0, 0, 1, 2);
    grid->addWidget(perPoint, 1, 0);
    grid->addWidget(FModeCombo, 1, 1);
    connect(FDesignButtons, &QButtonGroup::idClicked, this, &TSeriesInputs::DesignChanged);
    connect(FModeCombo, &QComboBox::currentIndexChanged, this, &TSeriesInputs::DesignChanged);
    return box;
}

QWidget* TSeriesInputs::CreateStockBox()
{
    auto* box = new QGroupBox(QStringLiteral("Stocks (mM)"));
    auto* grid = new QGridLayout(box);
    FColumnA = new QLabel;
    grid->addWidget(FColumnA, 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Stock B")), 0, 2, Qt::AlignHCenter);
    // The further ligands' rows follow the seven totals, hidden until a ligand is used.
    constexpr int FurtherRows = static_cast<int>(MaxFurtherLigands);
    for (std::size_t r = 0; r < FieldRows.size(); ++r) {
        const TFieldRow& row = FieldRows[r];
        const int gridRow = static_cast<int>(r) + (r < StockRowCount ? 1 : 2 + FurtherRows);
        grid->addWidget(new QLabel(QString::fromLatin1(row.Label)), gridRow, 0);
        for (std::size_t c = 0; c < (r < StockRowCount ? 2U : 1U); ++c) {
            const std::string name = std::string(c == 0 ? "StockA_" : "StockB_") + row.Name;
            TSaNumEditExCX* edit = NewField(name.c_str(), box);
            FFields[c][static_cast<std::size_t>(row.Field)] = edit;
            grid->addWidget(edit, gridRow, static_cast<int>(c) + 1);
        }
    }
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        const int gridRow = static_cast<int>(StockRowCount + i) + 1;
        FFurtherLabels[i] = new QLabel;
        FFurtherLabels[i]->hide();
        grid->addWidget(FFurtherLabels[i], gridRow, 0);
        for (std::size_t c = 0; c < 2; ++c) {
            const std::string name = std::string(c == 0 ? "StockA_Further" : "StockB_Further")
                + std::to_string(i + 1);
            TSaNumEditExCX* edit = NewField(name.c_str(), box);
            edit->SetValue(0);
            edit->hide();
            FFurtherFields[c][i] = edit;
            grid->addWidget(edit, gridRow, static_cast<int>(c) + 1);
        }
    }
    auto* note = new QLabel(QStringLiteral("Prescribed (one solution per pCa):"));
    grid->addWidget(note, static_cast<int>(StockRowCount) + FurtherRows + 1, 0, 1, 3);
    for (int c = 0; c < 2; ++c) {
        Field(c, vfpH)->SetValue(7);
        Field(c, vfIonStr)->SetValue(0.15L);
        for (TValueField f : StockTotals)
            Field(c, f)->SetValue(0);
    }
    for (std::size_t r = StockRowCount; r < FieldRows.size(); ++r)
        Field(0, FieldRows[r].Field)->SetValue(0);
    const int buttonRow = static_cast<int>(FieldRows.size()) + 2 + FurtherRows;
    for (int c = 0; c < 2; ++c) {
        auto* take = new QPushButton(c == 0 ? QStringLiteral("Take &A")
                                            : QStringLiteral("Take &B"));
        take->setObjectName(c == 0 ? QStringLiteral("TakeABtn") : QStringLiteral("TakeBBtn"));
        take->setToolTip(QStringLiteral("The pH, ionic strength and totals of the main "
                                        "window's last calculation"));
        connect(take, &QPushButton::clicked, this, [this, c] { Q_EMIT TakeRequested(c); });
        grid->addWidget(take, buttonRow, c + 1);
    }
    return box;
}

QWidget* TSeriesInputs::CreateTargetBox()
{
    auto* box = new QGroupBox(QStringLiteral("Targets"));
    auto* grid = new QGridLayout(box);
    FromEdit = NewField("FromEdit", box);
    ToEdit = NewField("ToEdit", box);
    StepEdit = NewField("StepEdit", box);
    VolumeEdit = NewField("VolumeEdit", box);
    FromEdit->SetValue(9);
    ToEdit->SetValue(4.5L);
    StepEdit->SetValue(0.5L);
    VolumeEdit->SetValue(1000);
    ExtraEdit = new QLineEdit;
    ExtraEdit->setObjectName(QStringLiteral("ExtraEdit"));
    ExtraEdit->setPlaceholderText(QStringLiteral("more pCa values, e.g. 6.25, 5.75"));
    grid->addWidget(new QLabel(QStringLiteral("pCa from")), 0, 0);
    grid->addWidget(FromEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("to")), 0, 2);
    grid->addWidget(ToEdit, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("step")), 1, 0);
    grid->addWidget(StepEdit, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("and")), 2, 0);
    grid->addWidget(ExtraEdit, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Final volume")), 3, 0);
    grid->addWidget(VolumeEdit, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("(any unit, e.g. µl)")), 3, 2, 1, 2);
    return box;
}

TSaNumEditExCX* TSeriesInputs::Field(int column, TValueField field) const
{
    return FFields[static_cast<std::size_t>(column)][static_cast<std::size_t>(field)];
}

bool TSeriesInputs::Mixing() const
{
    return FDesignButtons->checkedId() == 0;
}

void TSeriesInputs::SetFieldEnabled(TSaNumEditExCX* field, bool enabled)
{
    // As in the main window: a field that is no input takes the window's face colour.
    field->setEnabled(enabled);
    field->SetColor(palette().color(enabled ? QPalette::Base : QPalette::Button));
}

void TSeriesInputs::DesignChanged()
{
    const bool mixing = Mixing();
    const auto mode = static_cast<TCalcMode>(FModeCombo->currentIndex() + FirstPerPointMode);
    FModeCombo->setEnabled(!mixing);
    FColumnA->setText(mixing ? QStringLiteral("Stock A") : QStringLiteral("Inputs"));
    for (const TFieldRow& row : FieldRows) {
        const bool always = row.Field == vfpH || row.Field == vfIonStr;
        const bool total = std::ranges::find(StockTotals, row.Field) != StockTotals.end();
        SetFieldEnabled(
            Field(0, row.Field), always || (mixing ? total : IsModeInput(mode, row.Field)));
        if (TSaNumEditExCX* b = Field(1, row.Field))
            SetFieldEnabled(b, mixing);
    }
    // A further ligand's total is an input of every mode.
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i)
        SetFieldEnabled(FFurtherFields[1][i], mixing);
    VolumeEdit->setEnabled(mixing);
}

TSeriesDesign TSeriesInputs::Design() const
{
    TSeriesDesign design;
    design.Kind = Mixing() ? TSeriesKind::skMixing : TSeriesKind::skPerPoint;
    const TReal from = FromEdit->GetValue(), to = ToEdit->GetValue();
    std::string list = RealToText(from) + ":" + RealToText(to) + ":"
        + RealToText(StepEdit->GetValue());
    const std::string extra = ExtraEdit->text().trimmed().toStdString();
    if (!extra.empty())
        list += "," + extra;
    // One ladder: the extra values take their places in the range's direction, and a
    // value given twice makes one row.
    std::vector<TReal>& targets = design.Targets;
    targets = ParsePCaList(list);
    if (from >= to)
        std::ranges::sort(targets, std::greater {});
    else
        std::ranges::sort(targets);
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    const auto read = [this](int column) {
        TCalcInput input = DefaultInput();
        for (const TFieldRow& row : FieldRows)
            if (TSaNumEditExCX* edit = Field(column, row.Field))
                input[row.Field] = edit->GetValue();
        for (std::size_t i = 0; i < FFurtherNames.size(); ++i)
            input.FurtherTotals[i] =
                FFurtherFields[static_cast<std::size_t>(column)][i]->GetValue();
        return input;
    };
    if (design.Kind == TSeriesKind::skMixing) {
        design.Mixing.StockA = read(0);
        design.Mixing.StockB = read(1);
        design.Mixing.Volume = VolumeEdit->GetValue();
    } else {
        design.Base = read(0);
        design.Base.Mode = static_cast<TCalcMode>(FModeCombo->currentIndex() + FirstPerPointMode);
    }
    return design;
}

void TSeriesInputs::TakeStock(int column, const TValueSet& values,
                              std::span<const TLigandChoice> ligands)
{
    for (const TFieldRow& row : FieldRows)
        if (TSaNumEditExCX* edit = Field(column, row.Field))
            edit->SetValue(values[row.Field] * FieldScale(row.Field));
    for (std::size_t i = 0; i < FFurtherNames.size(); ++i) {
        const auto taken = std::ranges::find_if(ligands, [&](const TLigandChoice& choice) {
            return choice.Ligand.Name == FFurtherNames[i];
        });
        FFurtherFields[static_cast<std::size_t>(column)][i]->SetValue(
            taken == ligands.end() ? 0 : taken->TotalM * 1000);
    }
}

void TSeriesInputs::SetFurtherLigands(const std::vector<std::string>& names)
{
    // The texts of the fields as they stand, by ligand name, so that a ligand that stays
    // keeps its totals wherever its row moves.
    std::array<std::array<QString, MaxFurtherLigands>, 2> texts;
    for (std::size_t i = 0; i < names.size() && i < MaxFurtherLigands; ++i) {
        const auto before = std::ranges::find(FFurtherNames, names[i]);
        for (std::size_t c = 0; c < 2; ++c)
            texts[c][i] = before == FFurtherNames.end()
                ? QString()
                : FFurtherFields[c][static_cast<std::size_t>(before - FFurtherNames.begin())]
                      ->GetText();
    }
    FFurtherNames.assign(
        names.begin(),
        names.begin() + static_cast<std::ptrdiff_t>(std::min(names.size(), MaxFurtherLigands)));
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        const bool used = i < FFurtherNames.size();
        FFurtherLabels[i]->setVisible(used);
        if (used)
            FFurtherLabels[i]->setText(QStringLiteral("Total ") + Q(FFurtherNames[i]));
        for (std::size_t c = 0; c < 2; ++c) {
            TSaNumEditExCX* edit = FFurtherFields[c][i];
            edit->setVisible(used);
            if (used && !texts[c][i].isEmpty())
                edit->SetText(texts[c][i]);
            else
                edit->SetValue(0);
        }
    }
}

void TSeriesInputs::SetFurtherTotal(int column, std::size_t index, TReal mM)
{
    if (index < FFurtherNames.size())
        FFurtherFields[static_cast<std::size_t>(column)][index]->SetValue(mM);
}
