// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/furtherform.h"

#include "engine/calcerror.h"
#include "numedit/SaNumEditExCX.h"
#include "request/runconditions.h"
#include "ui/look.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString Numbered(const char* name, int row)
{
    return QString::fromLatin1(name) + QString::number(row + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::vector<TLigandChoice> WindowLigands(const TEngine& engine, const TCalcState& state)
{
    std::vector<TLigandChoice> choices;
    const auto ligands = engine.FurtherLigands();
    for (std::size_t i = 0; i < ligands.size(); ++i)
        choices.push_back({ligands[i], state.Further[i].Total});
    return choices;
}

void SetWindowLigands(TEngine& engine, TCalcState& state, std::span<const TLigandChoice> choices)
{
    std::vector<TFurtherLigand> ligands;
    for (const TLigandChoice& choice : choices)
        ligands.push_back(choice.Ligand);
    engine.SetFurtherLigands(ligands);
    state.Further = {};
    for (std::size_t i = 0; i < choices.size(); ++i)
        state.Further[i].Total = choices[i].TotalM;
}

std::vector<std::string> FollowConstantSet(TEngine& engine, TCalcState& state, const TConstSet& set)
{
    std::vector<TLigandChoice> kept;
    std::vector<std::string> dropped;
    for (const TLigandChoice& choice : WindowLigands(engine, state)) {
        if (const auto known = FindLigand(set, choice.Ligand.Name))
            kept.push_back({EngineLigand(*known), choice.TotalM});
        else
            dropped.push_back(choice.Ligand.Name);
    }
    if (!kept.empty() || !engine.FurtherLigands().empty())
        SetWindowLigands(engine, state, kept);
    return dropped;
}

std::string DroppedLigandsMessage(const TConstSet& set, const std::vector<std::string>& dropped)
{
    std::string names;
    for (const std::string& name : dropped)
        names += (names.empty() ? "" : ", ") + name;
    const bool one = dropped.size() == 1;
    return "The constant set \"" + set.Name + "\" does not know the further ligand"
        + (one ? " " : "s ") + names + ", so the calculations no longer include "
        + (one ? "it." : "them.");
}

std::string UseStoredLigandLines(TEngine& engine, TCalcState& state, const TConstSet& set,
                                 std::span<const TStoredLigand> stored, TKeptLigandLines& kept)
{
    std::vector<TLigandChoice> choices;
    std::string unusable;
    for (const TStoredLigand& line : stored) {
        const auto known = FindLigand(set, line.Name);
        const bool twice = known && std::ranges::any_of(choices, [&](const TLigandChoice& c) {
                               return c.Ligand.Name == known->Def->Name;
                           });
        if (!known || twice || !(line.TotalM >= 0)) {
            kept[line.Slot] = true;
            unusable += "\n" + std::string(FurtherLigandKeys[line.Slot]) + ": " + line.Name
                + (!known      ? " is not a known further ligand"
                       : twice ? " is given twice"
                               : " has a negative total");
            continue;
        }
        choices.push_back({EngineLigand(*known), line.TotalM});
    }
    if (!choices.empty())
        SetWindowLigands(engine, state, choices);
    if (!unusable.empty())
        unusable += "\nKnown further ligands: " + KnownLigandNames(set)
            + ". Save leaves these lines in the file as they are.";
    return unusable;
}

std::string LigandChoiceText(const TKnownLigand& known)
{
    return HasEstimates(*known.Def) ? known.Def->Name + " (estimates)" : known.Def->Name;
}

TFurtherForm::TFurtherForm(TEngine& engine, TCalcState& state, QWidget* parent)
    : QDialog(parent)
    , FEngine(engine)
    , FState(state)
{
    setObjectName(QStringLiteral("FurtherForm"));
    setWindowTitle(QStringLiteral("Further Ligands"));
    setFont(DesignFont(font()));
    auto* layout = new QVBoxLayout(this);
    SetLabel = new QLabel(this);
    SetLabel->setObjectName(QStringLiteral("SetLabel"));
    SetLabel->setWordWrap(true);
    layout->addWidget(SetLabel);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Ligand"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Total (mM)"), this), 0, 1);
    for (int row = 0; row < RowCount; ++row) {
        const auto i = static_cast<std::size_t>(row);
        auto* box = new QComboBox(this);
        box->setObjectName(Numbered("LigandBox", row));
        box->setMinimumContentsLength(16);
        auto* total = new TSaNumEditExCX(this);
        total->setObjectName(Numbered("TotalEdit", row));
        total->setFixedSize(81, 24);
        total->SetDecimalLength(8);
        total->setCursor(Qt::IBeamCursor);
        auto* clear = new QPushButton(QStringLiteral("Clear"), this);
        clear->setObjectName(Numbered("ClearBtn", row));
        clear->setAutoDefault(false);
        auto* note = new QLabel(this);
        note->setObjectName(Numbered("NoteLabel", row));
        note->setMinimumWidth(120);
        grid->addWidget(box, row + 1, 0);
        grid->addWidget(total, row + 1, 1);
        grid->addWidget(clear, row + 1, 2);
        grid->addWidget(note, row + 1, 3);
        FLigandBoxes[i] = box;
        FTotalEdits[i] = total;
        FNotes[i] = note;
        connect(box, &QComboBox::currentIndexChanged, this, [this, row] { ShowNote(row); });
        connect(clear, &QPushButton::clicked, this, [this, row] { ClearRow(row); });
    }
    layout->addLayout(grid);
    auto* note = new QLabel(QStringLiteral("Each total is an input in every mode. Apply or OK "
                                           "takes the ligands into the next calculation."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BtnOK = new QPushButton(QStringLiteral("&OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BtnOK->setDefault(true);
    BtnApply = new QPushButton(QStringLiteral("&Apply"), this);
    BtnApply->setObjectName(QStringLiteral("BtnApply"));
    BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    for (QPushButton* button : {BtnOK, BtnApply, BtnCancel})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(BtnOK, &QPushButton::clicked, this, &TFurtherForm::BtnOKClick);
    connect(BtnApply, &QPushButton::clicked, this, &TFurtherForm::BtnApplyClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFurtherForm::reject);
    Load(BuiltInSet());
}

void TFurtherForm::Load(const TConstSet& set)
{
    FSet = set;
    FKnown = KnownLigands(FSet);
    SetLabel->setText(QStringLiteral("Up to %1 further ligands, from the constant set \"%2\" "
                                     "and the bundled library:")
                          .arg(RowCount)
                          .arg(Q(FSet.Name)));
    const std::vector<TLigandChoice> current = WindowLigands(FEngine, FState);
    for (int row = 0; row < RowCount; ++row) {
        const auto i = static_cast<std::size_t>(row);
        QComboBox* box = FLigandBoxes[i];
        box->clear();
        box->addItem(QStringLiteral("(none)"));
        for (const TKnownLigand& known : FKnown)
            box->addItem(Q(LigandChoiceText(known)));
        int index = 0;
        TReal totalM = 0;
        if (i < current.size()) {
            const auto at = std::ranges::find_if(FKnown, [&](const TKnownLigand& known) {
                return SameName(known.Def->Name, current[i].Ligand.Name);
            });
            if (at != FKnown.end()) {
                index = static_cast<int>(at - FKnown.begin()) + 1;
                totalM = current[i].TotalM;
            }
        }
        box->setCurrentIndex(index);
        FTotalEdits[i]->SetValue(totalM * 1000);
        ShowNote(row);
    }
}

void TFurtherForm::ShowNote(int row)
{
    const auto i = static_cast<std::size_t>(row);
    const int index = FLigandBoxes[i]->currentIndex();
    QLabel* note = FNotes[i];
    if (index < 1 || static_cast<std::size_t>(index) > FKnown.size()) {
        note->clear();
        note->setToolTip(QString());
        return;
    }
    const TKnownLigand& known = FKnown[static_cast<std::size_t>(index - 1)];
    QString text = known.FromLibrary ? QStringLiteral("library") : QStringLiteral("set");
    if (HasEstimates(*known.Def))
        text += QStringLiteral(", estimates");
    note->setText(text);
    note->setToolTip(Q(known.Def->Description));
}

void TFurtherForm::ClearRow(int row)
{
    const auto i = static_cast<std::size_t>(row);
    FLigandBoxes[i]->setCurrentIndex(0);
    FTotalEdits[i]->SetValue(0);
}

std::vector<TLigandChoice> TFurtherForm::Choices() const
{
    std::vector<TLigandChoice> choices;
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        const int index = FLigandBoxes[i]->currentIndex();
        if (index < 1 || static_cast<std::size_t>(index) > FKnown.size())
            continue;
        const TKnownLigand& known = FKnown[static_cast<std::size_t>(index - 1)];
        const TReal totalMM = FTotalEdits[i]->GetValue();
        if (!(totalMM >= 0))
            RaiseCalcError("The total of " + known.Def->Name + " must not be negative.");
        for (const TLigandChoice& earlier : choices)
            if (SameName(earlier.Ligand.Name, known.Def->Name))
                RaiseCalcError(known.Def->Name + " is chosen twice.");
        choices.push_back({EngineLigand(known), totalMM / 1000});
    }
    return choices;
}

bool TFurtherForm::ApplyLigands()
{
    const bool applied = RunCommand(this, FMessageSink, [this] {
        const std::vector<TLigandChoice> choices = Choices();
        SetWindowLigands(FEngine, FState, choices);
    });
    if (applied) {
        Load(FSet); // the rows as the engine holds them: filled from the top
        Q_EMIT LigandsApplied();
    }
    return applied;
}

void TFurtherForm::BtnOKClick()
{
    if (ApplyLigands())
        accept();
}

void TFurtherForm::BtnApplyClick()
{
    ApplyLigands();
}
