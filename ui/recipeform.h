// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The "Recipe" window, opened modeless from the main window's Main menu: the solution as a
// lab makes it. The user edits a recipe in its fields (the calculation with its target
// ionic strength, further ligands, constants, temperature and pH scale; per component the
// salt, its purity and a stock solution; contaminating Ca; the pH buffer; the titrant and
// the filler; the final volume), calculates, and reads the weighing sheet and the solution
// as made (its ionic strength, ionic equivalent, charge balance, titrant, filler and
// counter-ions). Recipes are opened from and saved to recipe files, and the weighing sheet
// goes to the bench as a PDF. Each calculation runs on an engine of its own, with the
// recipe's constants, as quelix-cli --recipe computes it.

#include "recipe/recipe.h"
#include "ui/messages.h"

#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TMainForm;
class TSaNumEditExCX;

/// The bundled salts CheckRecipe accepts for `key` (a component of `recipe`, "buffer" for
/// its pH buffer's salt, "titrant" or "filler"), in the table's order.
std::vector<const TSalt*> MatchingSalts(const TRecipe& recipe, const std::string& key);

class TRecipeForm : public QWidget {
    Q_OBJECT
public:
    TRecipeForm(TMainForm& mainForm, TMessageSink sink, QWidget* parent = nullptr);
    ~TRecipeForm() override;

    /// Shows `recipe` in the fields; the results are cleared.
    void Load(const TRecipe& recipe);
    /// The recipe the fields describe. Throws TCalcError for a field that holds no number,
    /// TRecipeError or TUsageError for one that cannot be used (a ligand the constants do
    /// not know).
    TRecipe Recipe() const;

    /// Computes the recipe the fields describe and shows the results; a recipe that cannot
    /// be computed or made shows why in the window. Returns true when the solution was made.
    bool Calculate();
    /// Reads a recipe file into the fields; a file that cannot be used goes to the message
    /// sink with the reader's message, and the fields stay as they were.
    bool OpenFile(const QString& path);
    /// Writes the recipe the fields describe as a recipe file; reports what fails.
    bool SaveFile(const QString& path);
    /// Calculates and writes the weighing sheet as a PDF on A4; reports what fails.
    bool SavePdf(const QString& path);
    /// The mode, values, further ligands, temperature and pH scale of the main window's
    /// last calculation (nothing before the first, said to the user).
    void TakeMainWindow();

    /// The last calculation shown, if any.
    const std::optional<TRecipe>& ShownRecipe() const { return FShownRecipe; }
    const std::optional<TRecipeOutcome>& Outcome() const { return FOutcome; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct TSaltRow {
        std::string Key; // the component, "buffer", "titrant" or "filler"; "" while unused
        QLabel* Label = nullptr;
        QComboBox* Salt = nullptr;
        std::vector<std::optional<TSalt>> Options; // as the combo's items; none: the default
        TSaNumEditExCX* Purity = nullptr;
        TSaNumEditExCX* Stock = nullptr; // empty: weighed
    };

    QWidget* CreateCalculationBox();
    QWidget* CreateLigandBox();
    QWidget* CreateComponentBox();
    QWidget* CreateSolutionBox();
    QWidget* CreateButtons();
    QWidget* CreateResults();
    TSaNumEditExCX* NewField(const QString& name, int decimals = 8);
    void ModeChanged();
    void ConstantsChanged();
    void LigandsChanged();
    void BufferChanged();
    void FillSaltRow(TSaltRow& row, const TRecipe& recipe, const std::string& key,
                     const std::optional<TSalt>& chosen);
    void ReadSaltRow(const TSaltRow& row, TRecipe& recipe) const;
    TRunConstants ConstantsOf(const std::string& name) const;
    TRecipe RecipeWithoutSalts() const;
    void ShowOutcome(const TRecipe& recipe, const TRecipeOutcome& outcome);
    void ShowProblem(const QString& text);
    void ClearResults();
    void OpenClicked();
    void SaveClicked();
    void PdfClicked();
    void CopySheet();

    TMainForm& FMainForm;
    TMessageSink FSink;
    TRecipe FRecipe;                // as last loaded: what no field shows is kept from it
    TRunConstants FRecipeConstants; // its constants without ligands, under its name
    bool FLoading = false;          // Load is filling the fields
    std::optional<TRecipe> FShownRecipe;
    std::optional<TRecipeOutcome> FOutcome;

    QLineEdit* NameEdit = nullptr;
    TSaNumEditExCX* VolumeEdit = nullptr;
    QComboBox* ModeCombo = nullptr;
    QComboBox* ConstantsCombo = nullptr;
    QComboBox* ScaleCombo = nullptr;
    TSaNumEditExCX* TemperatureEdit = nullptr; // empty: the constants' own temperature
    std::array<TSaNumEditExCX*, ValueFieldCount> FFields {};
    std::array<QComboBox*, MaxFurtherLigands> FLigandCombos {};
    std::array<TSaNumEditExCX*, MaxFurtherLigands> FLigandTotals {};
    std::array<TSaltRow, BuiltInComponents.size() + MaxFurtherLigands> FComponents {};
    TSaNumEditExCX* ContaminatingEdit = nullptr;
    QComboBox* BufferCombo = nullptr;
    std::vector<TpHBuffer> FBuffers; // the buffer combo's items after "none"
    TSaNumEditExCX* BufferTotalEdit = nullptr;
    TSaltRow FBufferRow, FTitrantRow, FFillerRow;

    QTableWidget* WeighingTable = nullptr;
    QLabel* FStepLabel = nullptr; // the last step: dissolve, titrate, make up
    QTableWidget* SolutionTable = nullptr;
    QLabel* MessageLabel = nullptr;
    QPushButton* CalcBtn = nullptr;
};
