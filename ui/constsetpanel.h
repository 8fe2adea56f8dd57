// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The constant-set side of the binding constants dialog: which set the grid shows (a
// chooser of the bundled sets and of sets opened from files), Open set... and Save set
// as..., the source of the selected value, the temperature and the pH scale. Choosing or
// opening a set fills the grid; like every edit of the grid it reaches the calculations
// with Apply or OK, which also take the temperature and the pH scale. Where the chosen set
// is not the built-in one, the values it takes from the built-in table are shown in
// italics, and every cell names its source in its tool tip.

#include "constsets/constset.h"
#include "ui/messages.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

class TConstSetPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelWidth = 330;
    /// The height the panel needs; the dialog grows to it below the designed controls.
    static constexpr int PanelHeight = 450;

    /// Asks for a set file to open (`save` false) or to save to; empty for none.
    using TFileChooser = std::function<QString(QWidget* parent, bool save)>;
    /// Writes a table into the grid, as the dialog shows BaseConst.
    using TTableShower = std::function<void(const TConstTable&)>;

    /// The conditions the panel's fields hold.
    struct TConditions {
        std::optional<TReal> TemperatureC;
        TpHScale pHScale = TpHScale::psConcentration;
    };

    TConstSetPanel(TEngine& engine, QTableWidget* grid, TTableShower showTable,
                   const TMessageSink& sink, QWidget* parent);

    void SetFileChooser(TFileChooser chooser) { FFileChooser = std::move(chooser); }

    /// The temperature and pH scale of the fields. Throws TCalcError for a temperature that
    /// is not a number or lies outside 0 to 100 degrees C.
    TConditions ReadConditions() const;

    /// After the grid was read into BaseConst: the chosen set, with the entries whose grid
    /// value differs from it as edited by the user, becomes the engine's origin; the
    /// conditions go to the engine.
    void ApplyTo(const TConditions& conditions);

    /// The built-in set becomes the chosen one (the dialog's Default, which loads its table).
    void ChooseBuiltIn();

    /// The counts and pcH of the engine, and the set, temperature and pH scale in force,
    /// after an Apply.
    void ShowEngineState();

    /// The set the grid was filled from, as chosen, opened or saved.
    const TConstSet& Chosen() const { return FChosen; }
    /// The set in force: the one chosen at the last Apply, OK or Default (the built-in set
    /// before any). Its further ligands are the ones the calculations know.
    const TConstSet& Applied() const { return FApplied; }

    /// The set that Save set as... writes: the chosen one with the grid's values.
    TConstSet GridSet() const;

    void OpenSet();
    void SaveSetAs();

private:
    void CreateSetControls(QVBoxLayout* layout);
    void CreateConditionControls(QVBoxLayout* layout);
    void ChooseSet(const TConstSet& set, bool fillGrid);
    void AddSetItem(const TConstSet& set, const QString& text);
    void SetBoxActivated(int index);
    void MarkCells();
    void ShowSource();
    /// "\nIn force at 37 °C: log10 K ..." for an entry of BaseConst, with a temperature set.
    QString InForceText(TLigand lig, TPartner pt, std::size_t step) const;
    std::optional<TReal> CellValue(int row, int col) const;
    bool CellEdited(int row, int col) const;

    TEngine& FEngine;
    QTableWidget* FGrid;
    TTableShower FShowTable;
    const TMessageSink& FMessageSink;
    TFileChooser FFileChooser;
    TConstSet FChosen;
    TConstSet FApplied;
    std::vector<TConstSet> FSets; // one per item of SetBox
    QComboBox* SetBox;
    QLabel* SetInfo;
    QPushButton* OpenSetBtn;
    QPushButton* SaveSetBtn;
    QPlainTextEdit* SourceText;
    QLineEdit* TemperatureEdit;
    QLabel* UncorrectedLabel;
    QComboBox* pHScaleBox;
    QLabel* pcHLabel;
    QLabel* InForceLabel;
};
