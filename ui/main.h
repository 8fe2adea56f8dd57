// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The main window. It owns the one engine and calculation state, the built-in defaults and
// the settings file, its sixteen numeric fields, the console that collects the reports and
// the binding constants dialog (created hidden, shown modeless).
//
// Start-up (FormCreate): Tiny and the convergence tolerance, the settings file (stored mode
// and values, or the defaults written at the first start), the binding constants, the
// values into the fields, the fields enabled for the mode. Calculate: fields -> state
// (GetValues), constants for ionic strength and pH, solve, minor species, report appended
// to the console, state -> fields (ShowValues). A failing step stops its command and its
// message goes to the window's TMessageSink; what was written before stays.
//
// Further ligands (the dialog of that name) live in the engine (their definitions) and the
// state (their totals), are saved with the settings, and follow the constant set in force.

#include "engine/bindconst.h"
#include "settings/defaults.h"
#include "ui/furtherform.h"
#include "ui/messages.h"

#include <QMainWindow>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class TConstForm;
class TFurtherForm;
class TIniFile;
class TSaNumEditExCX;
class TRecipeForm;
class TSeriesForm;

struct TMainFormOptions {
    std::filesystem::path IniFileName; // the settings file (SettingsFileForProgram)
    char DecimalPoint = '.';           // of the settings file's reals
    TMessageSink MessageSink = MessageBoxSink();
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(TMainFormOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    void Calculate();
    void ShowResults();
    /// Empties the console.
    void ClearConsole();
    /// Asks for a file name and saves the console there (SaveReport).
    void SaveReportAs();
    /// Writes the console's text to `path`, every line ending in CRLF, replacing the file only
    /// once it is written in full. A failure goes to the message sink; returns success.
    bool SaveReport(const QString& path);
    void SetAsDefault();
    void ShowConstForm();
    void ShowFurtherForm();
    void ShowSeriesForm();
    void ShowRecipeForm();
    void ShowAbout();
    void miHHelpClick();
    void ExitForm();
    void RadioGroup1Click();
    void SetFieldEnabled(TSaNumEditExCX* field, bool enabled);
    void GetValues();
    void ShowValues();

    /// The selected mode, -1 when none is selected.
    int ModeIndex() const;
    void SetModeIndex(int index);

    const TEngine& Engine() const { return FEngine; }
    const TCalcState& State() const { return FState; }
    TConstForm* ConstForm() const { return FConstForm; }
    TFurtherForm* FurtherForm() const { return FFurtherForm; }
    TSeriesForm* SeriesForm() const { return FSeriesForm; }
    TRecipeForm* RecipeForm() const { return FRecipeForm; }
    /// The fifteen values (pH, ionic strength, concentrations in M) of the last
    /// calculation that completed; nothing before the first.
    const std::optional<TValueSet>& LastCalculation() const { return FLastCalculation; }
    /// The further ligands and their totals of the last calculation that completed.
    const std::vector<TLigandChoice>& LastLigands() const { return FLastLigands; }

    /// The first show centres the window on its screen.
    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormResize();
    void CreateControls(QWidget* client);
    void CreateMenus();
    void AppendReport();
    void UseStoredLigands(const std::vector<TStoredLigand>& stored, std::string& message);
    void ConstantsApplied();
    void LigandsChanged();
    TSaNumEditExCX* Field(TValueField field) const;

    TMainFormOptions FOptions;
    TEngine FEngine;
    TCalcState FState;
    TDefaultSet FDefaultSet;
    std::unique_ptr<TIniFile> FIniFile;
    TUnreadValues FUnreadValues;      // keys start-up could not use: Save leaves them unchanged
    TKeptLigandLines FKeptLigands {}; // ligand lines start-up could not use: Save keeps them

    QWidget* FClient = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* FModeButtons = nullptr;
    QPushButton* CalcBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* ConstBtn = nullptr;
    QPushButton* ExitBtn = nullptr;
    QPlainTextEdit* Console = nullptr;
    std::array<TSaNumEditExCX*, ValueFieldCount> FFields {}; // indexed by TValueField
    TSaNumEditExCX* pCaEdit = nullptr;
    TConstForm* FConstForm = nullptr;
    TFurtherForm* FFurtherForm = nullptr;
    TSeriesForm* FSeriesForm = nullptr; // created when first shown
    TRecipeForm* FRecipeForm = nullptr; // created when first shown
    std::optional<TValueSet> FLastCalculation;
    std::vector<TLigandChoice> FLastLigands;
    bool FpCaTyped = false; // pCa edited by the user after free Ca++ was last shown or typed
    bool FPlaced = false;   // centred on the screen at the first show
};
