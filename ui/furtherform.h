// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The "Further ligands" dialog: up to four rows of a ligand and its total in mM. The ligands
// offered are those known under the constant set in force (the set's own, then the bundled
// library's), each marked where its constants include estimates. Apply and OK put the chosen
// ligands into the main window's engine (their definitions) and state (their totals), so
// that the next calculation computes with them and its report shows their blocks. The
// dialog is modeless and created once; closing only hides it.
//
// The functions before the class keep the engine's ligands in step with the constants in
// force: a ligand always carries the definition of the set in force, and one the set no
// longer knows is dropped, never computed with stale constants.

#include "constsets/constset.h"
#include "settings/ligandkeys.h"
#include "ui/messages.h"

#include <QDialog>

#include <array>
#include <span>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class TSaNumEditExCX;

/// A further ligand as the window uses it: its engine definition and its total in M.
struct TLigandChoice {
    TFurtherLigand Ligand;
    TReal TotalM = 0;
};

/// The engine's further ligands with their totals in `state`, in order.
std::vector<TLigandChoice> WindowLigands(const TEngine& engine, const TCalcState& state);

/// Puts `choices` into the engine (their definitions) and the state (their totals; their
/// species cleared, as they belong to no calculation yet). Throws std::invalid_argument as
/// SetFurtherLigands does, leaving both unchanged.
void SetWindowLigands(TEngine& engine, TCalcState& state, std::span<const TLigandChoice> choices);

/// Gives each of the engine's further ligands the definition `set` knows for it (its own,
/// else the library's) and drops those it knows under no definition, with their totals.
/// Returns the names dropped.
std::vector<std::string> FollowConstantSet(TEngine& engine, TCalcState& state,
                                           const TConstSet& set);

/// What the user is told when FollowConstantSet dropped `dropped` under `set`.
std::string DroppedLigandsMessage(const TConstSet& set, const std::vector<std::string>& dropped);

/// The further ligands of the settings file's lines into the engine and the state, each by
/// the definition `set` knows for it. A line naming a ligand `set` does not know (one a set
/// opened last time defined), one given twice or a negative total is not used: its slot is
/// marked in `kept`, so that Save leaves the line alone, and it is listed in the text
/// returned ("\nFurtherLigand2: Foo is not a known further ligand ... "), empty when every
/// line was used.
std::string UseStoredLigandLines(TEngine& engine, TCalcState& state, const TConstSet& set,
                                 std::span<const TStoredLigand> stored, TKeptLigandLines& kept);

/// The text of a ligand in the dialog's chooser: its name, marked when its constants
/// include estimates.
std::string LigandChoiceText(const TKnownLigand& known);

class TFurtherForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = static_cast<int>(MaxFurtherLigands);

    TFurtherForm(TEngine& engine, TCalcState& state, QWidget* parent = nullptr);

    void SetMessageSink(TMessageSink sink) { FMessageSink = std::move(sink); }

    /// Offers the ligands known under `set` and shows the engine's ligands and totals.
    void Load(const TConstSet& set);

    /// The rows' ligands and totals, in row order, empty rows skipped. Throws TCalcError for
    /// a total that is not a number or is negative, and for a ligand chosen twice.
    std::vector<TLigandChoice> Choices() const;

    /// Clears row `row`: no ligand, no total.
    void ClearRow(int row);

Q_SIGNALS:
    /// The engine's further ligands or their totals changed (Apply, OK).
    void LigandsApplied();

private:
    void BtnOKClick();
    void BtnApplyClick();
    bool ApplyLigands();
    void ShowNote(int row);

    TEngine& FEngine;
    TCalcState& FState;
    TMessageSink FMessageSink = MessageBoxSink();
    TConstSet FSet;
    std::vector<TKnownLigand> FKnown; // item i + 1 of every chooser
    QLabel* SetLabel;
    std::array<QComboBox*, MaxFurtherLigands> FLigandBoxes {};
    std::array<TSaNumEditExCX*, MaxFurtherLigands> FTotalEdits {};
    std::array<QLabel*, MaxFurtherLigands> FNotes {};
    QPushButton* BtnOK;
    QPushButton* BtnApply;
    QPushButton* BtnCancel;
};
