// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The "pCa series" window, opened modeless from the main window's Main menu. The user
// sets up a series in the fields (two stocks, or the inputs of a per-point series in its
// mode; the target pCa values; the final volume), takes a stock's totals from the main
// window's last calculation, and computes. The series runs off the GUI thread on a copy
// of the main window's engine (its binding constants), with a progress bar and Cancel;
// the rows go to a table and a plot, and from there to a CSV file (as quelix-cli writes
// it), the clipboard (tab-separated) or a bench sheet (PDF).
//
// A recipe file may make the stocks: then every solution of the series (per point) or both
// stocks (mixing table) are made with its salts, pH buffer, titrant and filler, on an engine
// with its constants, temperature and pH scale, and with its further ligands; the table and
// the CSV show each row's titrant, filler and real ionic strength, as quelix-cli --recipe
// writes them.

#include "engine/bindconst.h"
#include "recipe/recipe.h"
#include "series/series.h"
#include "ui/messages.h"

#include <QFuture>
#include <QWidget>

#include <optional>

class QChart;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
template <typename T>
class QFutureWatcher;
class TMainForm;
class TSeriesInputs;
class TSeriesTableModel;
struct TSeriesResult;

class TSeriesForm : public QWidget {
    Q_OBJECT
public:
    TSeriesForm(TMainForm& mainForm, TMessageSink sink, QWidget* parent = nullptr);
    ~TSeriesForm() override;

    /// Column 0 (stock A, or the per-point inputs) or 1 (stock B) takes the pH, the ionic
    /// strength and the totals (column 0 also the prescribed values) of the main window's
    /// last calculation.
    void TakeStock(int column);
    /// The series the fields describe. Throws TCalcError for a field that holds no number
    /// or a target list that cannot be used.
    TSeriesDesign Design() const;
    /// Starts the series off the GUI thread; Computed follows when its rows are shown.
    void Compute();
    void Cancel();
    bool Busy() const;
    /// Writes the rows as quelix-cli's CSV; reports a file that cannot be written.
    bool ExportCsv(const QString& path);
    void CopyTable();
    bool SaveSheet(const QString& path);

    const TSeriesTableModel& Model() const { return *FModel; }

    /// Reads the recipe file at `path` and makes the next series with it; a file that
    /// cannot be used goes to the message sink with the reader's message.
    bool UseRecipeFile(const QString& path);
    /// Whether the next series is made with the recipe read last (the check box).
    void SetRecipeUsed(bool used);
    bool RecipeUsed() const;

    /// Shows the constant set, temperature and pH scale of the main window's engine, which
    /// the next series uses.
    void ShowConditions();
    /// The stocks take the main window's further ligands, and the conditions line is shown
    /// again.
    void FurtherLigandsChanged();

Q_SIGNALS:
    /// A series ended: its rows are in the table, or it failed or was cancelled.
    void Computed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* CreateButtons();
    QWidget* CreateRecipeRow();
    void RecipeToggled(bool checked);
    void ChooseRecipeClicked();
    void ComputeWithRecipe(TSeriesDesign design, const TRecipe& recipe);
    // The series in progress is `design`: the progress bar, the buttons and the status say so.
    void StartProgress(const TSeriesDesign& design);
    void SeriesFinished();
    void ExportClicked();
    void SheetClicked();

    TMainForm& FMainForm;
    TMessageSink FSink;
    TSeriesInputs* FInputs = nullptr;
    QPushButton* ComputeBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* ExportBtn = nullptr;
    QPushButton* CopyBtn = nullptr;
    QPushButton* SheetBtn = nullptr;
    QProgressBar* FProgress = nullptr;
    QLabel* FStatus = nullptr;
    QLabel* FConditions = nullptr;
    TSeriesTableModel* FModel = nullptr;
    QTableView* FView = nullptr;
    QChart* FChart = nullptr;
    QFutureWatcher<TSeriesResult>* FWatcher = nullptr;
    TSeriesDesign FRunning; // the design of the series in progress
    QCheckBox* RecipeCheck = nullptr;
    QPushButton* RecipeBtn = nullptr;
    QLabel* FRecipeLabel = nullptr;
    std::optional<TRecipe> FRecipe;        // read from a recipe file
    std::optional<TRecipe> FRunningRecipe; // of the series in progress
    std::optional<TRecipe> FMadeRecipe;    // of the rows shown
    TRecipeOutcome FMadeStockA, FMadeStockB;
};
