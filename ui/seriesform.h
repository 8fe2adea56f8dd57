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

#include "engine/bindconst.h"
#include "series/series.h"
#include "ui/messages.h"

#include <QFuture>
#include <QWidget>

class QChart;
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
};
