// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The input panel of the series window: the design (a mixing table of two stocks, or one
// solution per pCa in a mode that takes free Ca++), the two stock columns of the program's
// numeric fields (column A also holds the per-point inputs, with the values a mode may
// prescribe), the target pCa values and the final volume. Fields that are no input of the
// chosen design are disabled, as the main window does it for its modes. The main window's
// further ligands add a row each to both stock columns: their totals are mixed as the
// others are, and are inputs of every per-point calculation.

#include "series/series.h"
#include "ui/furtherform.h"

#include <QWidget>

#include <array>
#include <span>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class TSaNumEditExCX;

class TSeriesInputs : public QWidget {
    Q_OBJECT
public:
    explicit TSeriesInputs(QWidget* parent = nullptr);

    /// Column 0 (stock A, or the per-point inputs) or 1 (stock B) takes the pH, the ionic
    /// strength and the totals (column 0 also the prescribed values) of `values` (M), and
    /// the totals of the further ligands from `ligands` by name (0 for one not there).
    void TakeStock(int column, const TValueSet& values,
                   std::span<const TLigandChoice> ligands = {});

    /// The further ligands whose totals the stocks carry, in the order of the calculations'
    /// FurtherTotals. A ligand kept from before keeps its totals; a new one starts at 0.
    void SetFurtherLigands(const std::vector<std::string>& names);
    /// The total (mM) of further ligand `index` in column 0 or 1.
    void SetFurtherTotal(int column, std::size_t index, TReal mM);
    /// The further ligands whose totals the stocks carry.
    const std::vector<std::string>& FurtherLigands() const { return FFurtherNames; }

    /// The series the fields describe. Throws TCalcError for a field that holds no number
    /// or a target list that cannot be used.
    TSeriesDesign Design() const;

Q_SIGNALS:
    /// A stock column's Take button was pressed.
    void TakeRequested(int column);

private:
    QWidget* CreateDesignBox();
    QWidget* CreateStockBox();
    QWidget* CreateTargetBox();
    void DesignChanged();
    TSaNumEditExCX* Field(int column, TValueField field) const;
    TSaNumEditExCX* NewField(const char* name, QWidget* parent);
    void SetFieldEnabled(TSaNumEditExCX* field, bool enabled);
    bool Mixing() const;

    // [column][TValueField]; column 1 has no prescribed values.
    std::array<std::array<TSaNumEditExCX*, ValueFieldCount>, 2> FFields {};
    // [column][ligand], the first FFurtherNames.size() rows shown.
    std::array<std::array<TSaNumEditExCX*, MaxFurtherLigands>, 2> FFurtherFields {};
    std::array<QLabel*, MaxFurtherLigands> FFurtherLabels {};
    std::vector<std::string> FFurtherNames;
    QButtonGroup* FDesignButtons = nullptr;
    QComboBox* FModeCombo = nullptr;
    QLabel* FColumnA = nullptr;
    TSaNumEditExCX* FromEdit = nullptr;
    TSaNumEditExCX* ToEdit = nullptr;
    TSaNumEditExCX* StepEdit = nullptr;
    QLineEdit* ExtraEdit = nullptr;
    TSaNumEditExCX* VolumeEdit = nullptr;
};
