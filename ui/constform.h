// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The "Binding Constants" dialog. It shows the engine's BaseConst (log10 K at 0.1 M) as a
// grid of 15 rows (ligand x partner, ATP-H ... PO4-Ca) and 4 steps, and edits that one
// table in place: Apply and OK read the grid back (SetConst), rebuild the corrected and
// apparent tables for the engine's current pH and ionic strength and show the table again;
// Default reloads the built-in constants. The dialog is modeless and created once; closing
// only hides it, and the grid keeps whatever it showed, applied or not.

#include "engine/bindconst.h"
#include "ui/messages.h"

#include <QDialog>

#include <optional>
#include <string_view>
#include <utility>

class QLabel;
class QPushButton;
class QTableWidget;
class TConstSetPanel;
class TEngine;

/// A cell's text as a binding constant: blanks may lead, then an optional sign, digits with
/// an optional point and fraction, an optional exponent, and nothing after the number (a
/// trailing blank is refused too). std::nullopt when the text is not such a number.
std::optional<TReal> CellToReal(std::string_view text);

/// The table entry of a step cell of the constants grid: row r is ligand r / 3 with partner
/// r % 3, in the table's own index order; column c (1 to 4) holds step c - 1.
struct TGridEntry {
    TLigand Ligand;
    TPartner Partner;
    std::size_t Step;
};
TGridEntry GridEntry(int row, int col);

class TConstForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 15;
    static constexpr int ColCount = 5; // the label column and the steps 0..3

    explicit TConstForm(TEngine& engine, QWidget* parent = nullptr);

    /// Writes the whole grid from BaseConst: "%10.3f" for a present step, empty otherwise.
    void ShowConst();
    /// Reads all 60 step cells back into BaseConst; a cell that is not a positive number
    /// removes its step (0). Never reports anything.
    void SetConst();

    void SetMessageSink(TMessageSink sink) { FMessageSink = std::move(sink); }

    /// Writes `table` into the grid as ShowConst writes BaseConst.
    void ShowTable(const TConstTable& table);
    /// The constant set, temperature and pH scale beside the grid.
    TConstSetPanel* SetPanel() const { return FSetPanel; }

Q_SIGNALS:
    /// The constants, their set, the temperature or the pH scale in force have changed
    /// (Apply, OK, Default).
    void ConstantsApplied();

private:
    void BtnOKClick();
    void BtnApplyClick();
    void BtnDefaultClick();
    void BtnCancelClick();
    bool ApplyConst();

    TEngine& FEngine;
    TMessageSink FMessageSink = MessageBoxSink();
    QLabel* Label1;
    QTableWidget* ConstGrid;
    QLabel* Label2;
    QPushButton* BtnOK;
    QPushButton* BtnApply;
    QPushButton* BtnDefault;
    QPushButton* BtnCancel;
    QPushButton* BtnHelp;
    TConstSetPanel* FSetPanel;
};
