// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriesform.h"

#include "engine/realtext.h"
#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"
#include "recipe/recipeseries.h"
#include "report/conditions.h"
#include "series/seriesrecord.h"
#include "ui/conditionsbar.h"
#include "ui/look.h"
#include "ui/main.h"
#include "ui/seriesinputs.h"
#include "ui/seriessheet.h"
#include "ui/seriesview.h"

#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Intervals of the fraction of B at which the plot draws the titration curve.
constexpr int CurveIntervals = 200;

} // namespace

TSeriesForm::TSeriesForm(TMainForm& mainForm, TMessageSink sink, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , FMainForm(mainForm)
    , FSink(std::move(sink))
{
    setObjectName(QStringLiteral("SeriesForm"));
    setWindowTitle(QStringLiteral("pCa series"));
    setFont(DesignFont(font()));
    auto* inputs = new QVBoxLayout;
    // One line as wide as the inputs below, however long the set's name; whole in its tip.
    FConditions = MakeElidedLabel();
    FConditions->setObjectName(QStringLiteral("ConditionsLabel"));
    inputs->addWidget(FConditions);
    FInputs = new TSeriesInputs;
    inputs->addWidget(FInputs);
    inputs->addWidget(CreateRecipeRow());
    inputs->addWidget(CreateButtons());
    inputs->addStretch();

    FModel = new TSeriesTableModel(this);
    FView = new QTableView;
    FView->setObjectName(QStringLiteral("ResultsView"));
    FView->setModel(FModel);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->horizontalHeader()->setStretchLastSection(true);
    // Column widths from the first rows only: a long series must not hold up the GUI thread.
    FView->horizontalHeader()->setResizeContentsPrecision(100);
    FView->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    FChart = new QChart;
    FChart->legend()->setAlignment(Qt::AlignBottom);
    auto* chartView = new QChartView(FChart);
    chartView->setObjectName(QStringLiteral("ChartView"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(260);
    auto* results = new QSplitter(Qt::Vertical);
    results->addWidget(FView);
    results->addWidget(chartView);
    results->setSizes({330, 400});

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(results, 1);
    resize(1180, 760);

    FWatcher = new QFutureWatcher<TSeriesResult>(this);
    connect(
        FWatcher, &QFutureWatcherBase::progressValueChanged, FProgress, &QProgressBar::setValue);
    connect(FWatcher, &QFutureWatcherBase::finished, this, &TSeriesForm::SeriesFinished);
    connect(FInputs, &TSeriesInputs::TakeRequested, this, &TSeriesForm::TakeStock);
    FurtherLigandsChanged();
}

void TSeriesForm::ShowConditions()
{
    if (RecipeUsed()) {
        const TRecipe& r = *FRecipe;
        const QString text =
            QStringLiteral(
                "Made with the recipe %1: constants %2%3, pH as %4; titrant %5, filler %6")
                .arg(Q(r.Name.empty() ? std::string("(unnamed)") : r.Name), Q(r.Constants.Set.Name),
                     r.Calculation.TemperatureC
                         ? QStringLiteral(", %1 \u00B0C")
                               .arg(Q(RealToText(*r.Calculation.TemperatureC)))
                         : QString(),
                     r.Calculation.pHScale == TpHScale::psActivity
                         ? QStringLiteral("activity")
                         : QStringLiteral("concentration"),
                     Q(r.Titrant.Name), Q(r.Filler.Name));
        FConditions->setText(text);
        FConditions->setToolTip(text);
        return;
    }
    const TEngine& engine = FMainForm.Engine();
    std::string text;
    try {
        text = ConditionsLine(engine);
    } catch (const TCalcError&) {
        // pcH has no value at a negative ionic strength; the series says why when it runs.
        text = "Constants: " + engine.Origin().SetName;
    }
    FConditions->setText(Q(text));
    FConditions->setToolTip(Q(text));
}

void TSeriesForm::FurtherLigandsChanged()
{
    // A series made with a recipe carries the recipe's further ligands, else the main
    // window's.
    std::vector<std::string> names;
    for (const TFurtherLigand& ligand : RecipeUsed()
             ? std::span<const TFurtherLigand>(FRecipe->Constants.Ligands)
             : FMainForm.Engine().FurtherLigands())
        names.push_back(ligand.Name);
    FInputs->SetFurtherLigands(names);
    ShowConditions();
}

TSeriesForm::~TSeriesForm()
{
    // The worker holds copies of everything it reads; it only has to stop soon.
    if (FWatcher->isRunning()) {
        FWatcher->cancel();
        FWatcher->waitForFinished();
    }
}

QWidget* TSeriesForm::CreateButtons()
{
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto add = [&](const char* name, const char* caption, int row, int col) {
        auto* button = new QPushButton(QString::fromUtf8(caption));
        button->setObjectName(QString::fromLatin1(name));
        grid->addWidget(button, row, col);
        return button;
    };
    ComputeBtn = add("ComputeBtn", "&Compute", 0, 0);
    CancelBtn = add("CancelBtn", "Cancel", 0, 1);
    ExportBtn = add("ExportBtn", "&Export CSV...", 2, 0);
    CopyBtn = add("CopyBtn", "Co&py", 2, 1);
    SheetBtn = add("SheetBtn", "&Save bench sheet...", 3, 0);
    ComputeBtn->setDefault(true);
    FProgress = new QProgressBar;
    FProgress->setObjectName(QStringLiteral("Progress"));
    FStatus = new QLabel;
    FStatus->setObjectName(QStringLiteral("StatusLabel"));
    FStatus->setWordWrap(true);
    grid->addWidget(FProgress, 1, 0, 1, 2);
    grid->addWidget(FStatus, 4, 0, 1, 2);
    connect(ComputeBtn, &QPushButton::clicked, this, &TSeriesForm::Compute);
    connect(CancelBtn, &QPushButton::clicked, this, &TSeriesForm::Cancel);
    connect(ExportBtn, &QPushButton::clicked, this, &TSeriesForm::ExportClicked);
    connect(CopyBtn, &QPushButton::clicked, this, &TSeriesForm::CopyTable);
    connect(SheetBtn, &QPushButton::clicked, this, &TSeriesForm::SheetClicked);
    CancelBtn->setEnabled(false);
    FProgress->setVisible(false);
    for (QPushButton* b : {ExportBtn, CopyBtn, SheetBtn})
        b->setEnabled(false);
    return panel;
}

QWidget* TSeriesForm::CreateRecipeRow()
{
    auto* panel = new QWidget;
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    RecipeCheck = new QCheckBox(QStringLiteral("Make with a &recipe:"));
    RecipeCheck->setObjectName(QStringLiteral("RecipeCheck"));
    RecipeCheck->setToolTip(QStringLiteral(
        "Each solution (or both stocks) made with the recipe's salts, pH buffer, titrant and "
        "filler, under its constants, temperature and pH scale"));
    RecipeBtn = new QPushButton(QStringLiteral("Recipe &file..."));
    RecipeBtn->setObjectName(QStringLiteral("RecipeBtn"));
    FRecipeLabel = MakeElidedLabel();
    FRecipeLabel->setObjectName(QStringLiteral("RecipeLabel"));
    FRecipeLabel->setText(QStringLiteral("(none)"));
    row->addWidget(RecipeCheck);
    row->addWidget(RecipeBtn);
    row->addWidget(FRecipeLabel, 1);
    connect(RecipeCheck, &QCheckBox::toggled, this, &TSeriesForm::RecipeToggled);
    connect(RecipeBtn, &QPushButton::clicked, this, &TSeriesForm::ChooseRecipeClicked);
    return panel;
}

bool TSeriesForm::UseRecipeFile(const QString& path)
{
    try {
        FRecipe = ReadRecipeFile(path.toStdString());
    } catch (const std::exception& e) {
        FSink(this, TMessageKind::mkError, QString::fromUtf8(e.what()));
        return false;
    }
    FRecipeLabel->setText(QFileInfo(path).fileName());
    FRecipeLabel->setToolTip(path);
    SetRecipeUsed(true);
    // Both stocks start with the recipe's totals of its further ligands.
    FurtherLigandsChanged();
    for (std::size_t i = 0; i < FRecipe->Constants.Ligands.size(); ++i)
        for (int column = 0; column < 2; ++column)
            FInputs->SetFurtherTotal(column, i, FRecipe->Calculation.FurtherTotals[i]);
    return true;
}

void TSeriesForm::SetRecipeUsed(bool used)
{
    RecipeCheck->setChecked(used && FRecipe);
    FurtherLigandsChanged();
}

bool TSeriesForm::RecipeUsed() const
{
    return RecipeCheck->isChecked() && FRecipe;
}

void TSeriesForm::RecipeToggled(bool checked)
{
    // Checked with no recipe read yet: choose one, or stay unchecked.
    if (checked && !FRecipe) {
        ChooseRecipeClicked();
        if (!FRecipe) {
            const QSignalBlocker blocker(RecipeCheck);
            RecipeCheck->setChecked(false);
        }
    }
    FurtherLigandsChanged();
}

void TSeriesForm::ChooseRecipeClicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Recipe for the series"), QString(),
        QStringLiteral("Recipe files (*.json);;All files (*)"));
    if (!path.isEmpty())
        UseRecipeFile(path);
}

void TSeriesForm::TakeStock(int column)
{
    const auto& last = FMainForm.LastCalculation();
    if (!last) {
        FSink(this, TMessageKind::mkInformation,
              QStringLiteral("Calculate in the main window first: a stock takes the totals of "
                             "its last calculation."));
        return;
    }
    FInputs->TakeStock(column, *last, FMainForm.LastLigands());
}

TSeriesDesign TSeriesForm::Design() const
{
    return FInputs->Design();
}

bool TSeriesForm::Busy() const
{
    return FWatcher->isRunning();
}

void TSeriesForm::Compute()
{
    if (Busy())
        return;
    TSeriesDesign design;
    const std::optional<TRecipe> recipe = RecipeUsed() ? FRecipe : std::nullopt;
    const bool ready = RunCommand(this, FSink, [&] {
        design = Design();
        if (design.Kind == TSeriesKind::skMixing)
            CheckMixingInput(design.Mixing);
        if (recipe)
            CheckRecipe(*recipe);
    });
    if (!ready)
        return;
    FRunningRecipe = recipe;
    if (recipe) {
        ComputeWithRecipe(design, *recipe);
        return;
    }
    // The worker calculates on its own copy of the main window's engine: the binding
    // constants, temperature and pH scale as the main window uses them, untouched by
    // anything done meanwhile. The inputs carry the same temperature and scale, as a
    // calculation hands them to its engine.
    TEngine engine = FMainForm.Engine();
    for (TCalcInput* input : {&design.Base, &design.Mixing.StockA, &design.Mixing.StockB}) {
        input->TemperatureC = engine.TemperatureC();
        input->pHScale = engine.pHScale();
    }
    StartProgress(design);
    FWatcher->setFuture(
        QtConcurrent::run([engine, design](QPromise<TSeriesResult>& promise) mutable {
            promise.setProgressRange(0, static_cast<int>(design.Targets.size()));
            TSeriesResult result;
            result.Rows = RunSeries(engine, design, [&promise](std::size_t done, std::size_t) {
                promise.setProgressValue(static_cast<int>(done));
                return !promise.isCanceled();
            });
            // The whole titration curve for the plot: a few hundred calculations.
            if (design.Kind == TSeriesKind::skMixing && !promise.isCanceled())
                result.Curve = SampleMixtures(engine, design.Mixing, CurveIntervals);
            result.Engine = engine;
            promise.addResult(std::move(result));
        }));
}

void TSeriesForm::StartProgress(const TSeriesDesign& design)
{
    FRunning = design;
    FProgress->setRange(0, static_cast<int>(design.Targets.size()));
    FProgress->setValue(0);
    FProgress->setVisible(true);
    ComputeBtn->setEnabled(false);
    CancelBtn->setEnabled(true);
    FStatus->setText(QStringLiteral("Computing..."));
}

void TSeriesForm::ComputeWithRecipe(TSeriesDesign design, const TRecipe& recipe)
{
    // An engine of its own with the recipe's constants, as quelix-cli --recipe computes a
    // series; the inputs carry the recipe's temperature and pH scale.
    for (TCalcInput* input : {&design.Base, &design.Mixing.StockA, &design.Mixing.StockB}) {
        input->TemperatureC = recipe.Calculation.TemperatureC;
        input->pHScale = recipe.Calculation.pHScale;
    }
    StartProgress(design);
    FWatcher->setFuture(QtConcurrent::run([design, recipe](QPromise<TSeriesResult>& promise) {
        promise.setProgressRange(0, static_cast<int>(design.Targets.size()));
        TEngine engine;
        TSeriesResult result;
        try {
            TRecipeSeries made = RunRecipeSeries(
                engine, recipe, design, [&promise](std::size_t done, std::size_t) {
                    promise.setProgressValue(static_cast<int>(done));
                    return !promise.isCanceled();
                });
            if (design.Kind == TSeriesKind::skMixing && !promise.isCanceled()) {
                // The curve of the stocks as the series mixes them: with the Ca the
                // water and salts bring.
                TMixingInput mixing = design.Mixing;
                for (TCalcInput* input : {&mixing.StockA, &mixing.StockB}) {
                    input->Mode = TCalcMode::cmEveryGiven;
                    *input = SolutionInput(WithCalculation(recipe, *input));
                }
                const TToleranceScope tolerance(engine, RecipeTolerance);
                result.Curve = SampleMixtures(engine, mixing, CurveIntervals);
            }
            result.Rows = std::move(made.Rows);
            result.Solutions = std::move(made.Solutions);
            result.StockA = std::move(made.StockA);
            result.StockB = std::move(made.StockB);
        } catch (const std::exception& e) {
            result.Error = e.what();
        }
        result.Engine = engine;
        promise.addResult(std::move(result));
    }));
}

void TSeriesForm::Cancel()
{
    FWatcher->cancel();
}

void TSeriesForm::SeriesFinished()
{
    ComputeBtn->setEnabled(true);
    CancelBtn->setEnabled(false);
    FProgress->setVisible(false);
    QFuture<TSeriesResult> future = FWatcher->future();
    if (future.isCanceled() || future.resultCount() == 0) {
        FStatus->setText(QStringLiteral("Cancelled; the table shows the previous series."));
        Q_EMIT Computed();
        return;
    }
    TSeriesResult result = future.takeResult();
    if (!result.Error.empty()) {
        FStatus->setText(QStringLiteral("Not computed; the table shows the previous series."));
        FSink(this, TMessageKind::mkError, QString::fromUtf8(result.Error));
        Q_EMIT Computed();
        return;
    }
    std::vector<TSeriesRow>& rows = result.Rows;
    auto failed = std::ranges::count_if(rows, &TSeriesRow::Failed);
    // With a recipe, a row whose solution cannot be made has no result either.
    for (std::size_t i = 0; i < result.Solutions.size(); ++i)
        failed += !rows[i].Failed() && result.Solutions[i].Failed();
    FStatus->setText(
        QStringLiteral("%1 rows%2.")
            .arg(rows.size())
            .arg(failed > 0 ? QStringLiteral(", %1 without a result (see Message)").arg(failed)
                            : QString()));
    ShowSeriesChart(*FChart, FRunning, rows, result.Curve);
    FMadeRecipe = FRunningRecipe;
    FMadeStockA = std::move(result.StockA);
    FMadeStockB = std::move(result.StockB);
    FModel->SetRows(FRunning, std::move(rows), result.Engine, std::move(result.Solutions));
    FView->resizeColumnsToContents();
    for (QPushButton* b : {ExportBtn, CopyBtn, SheetBtn})
        b->setEnabled(FModel->rowCount() > 0);
    Q_EMIT Computed();
}

bool TSeriesForm::ExportCsv(const QString& path)
{
    std::string csv;
    if (FMadeRecipe && !FModel->Solutions().empty())
        csv = RecipeSeriesText(
            FModel->Engine(), *FMadeRecipe, FModel->Design(),
            TRecipeSeries {FModel->Rows(), FModel->Solutions(), FMadeStockA, FMadeStockB},
            TOutputFormat::ofCsv);
    else
        csv = SeriesCsv(FModel->Design().Kind, FModel->Rows(), FModel->Conditions(),
                        FModel->Engine().FurtherLigands());
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly)
        && file.write(csv.data(), static_cast<qint64>(csv.size()))
            == static_cast<qint64>(csv.size())
        && file.flush();
    if (!written)
        FSink(this, TMessageKind::mkError, Q(CalcMessage::CannotWrite(path.toStdString())));
    return written;
}

void TSeriesForm::CopyTable()
{
    QGuiApplication::clipboard()->setText(FModel->TabSeparated());
}

bool TSeriesForm::SaveSheet(const QString& path)
{
    const bool saved = SaveBenchSheet(
        path, FModel->Design(), FModel->Rows(), FModel->Engine(), QDateTime::currentDateTime());
    if (!saved)
        FSink(this, TMessageKind::mkError, Q(CalcMessage::CannotWrite(path.toStdString())));
    return saved;
}

void TSeriesForm::ExportClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"),
                                                      QStringLiteral("pca-series.csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        ExportCsv(path);
}

void TSeriesForm::SheetClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save bench sheet"),
                                                      QStringLiteral("pca-series.pdf"),
                                                      QStringLiteral("PDF files (*.pdf)"));
    if (!path.isEmpty())
        SaveSheet(path);
}

void TSeriesForm::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window: its fields and results wait for the next opening.
    Cancel();
    QWidget::closeEvent(event);
}
