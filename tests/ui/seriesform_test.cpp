// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/seriesform.h"

#include "engine/realtext.h"
#include "numedit/SaNumEditExCX.h"
#include "ui/constform.h"
#include "ui/furtherform.h"
#include "ui/main.h"
#include "ui/seriesview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <memory>

namespace {

class SeriesFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMainFormOptions options;
        options.IniFileName = Dir.filePath(QStringLiteral("quelix.INI")).toStdString();
        options.MessageSink = [this](QWidget*, TMessageKind, const QString& text) {
            Messages.push_back(text);
        };
        Main = std::make_unique<TMainForm>(std::move(options));
        Main->findChild<QAction*>(QStringLiteral("miSeries"))->trigger();
        Form = Main->SeriesForm();
        ASSERT_NE(Form, nullptr);
    }

    template <typename T>
    T* Child(QObject* parent, const char* name)
    {
        auto* child = parent->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    TSaNumEditExCX* MainField(const char* name) { return Child<TSaNumEditExCX>(Main.get(), name); }
    TSaNumEditExCX* SeriesField(const char* name) { return Child<TSaNumEditExCX>(Form, name); }

    // The main window calculates a stock in mode 6 at `pCa` with `totalMg`.
    void CalculateStock(const char* freeCa, const char* totalMg)
    {
        Main->SetModeIndex(6);
        Main->RadioGroup1Click();
        for (const auto& [name, text] :
             std::initializer_list<std::pair<const char*, const char*>> {{"pHEdit", "7"},
                                                                         {"IonStrEdit", "0.15"},
                                                                         {"tEGTAEdit", "7"},
                                                                         {"tATPEdit", "5"},
                                                                         {"tMgEdit", totalMg},
                                                                         {"fCaEdit", freeCa}})
            MainField(name)->SetText(QString::fromLatin1(text));
        Main->Calculate();
        ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    }

    // The fibre stocks taken from the main window: A at pCa 9, B just below pCa 4.5.
    void TakeFibreStocks()
    {
        CalculateStock("0.000001", "5.4");
        Child<QPushButton>(Form, "TakeABtn")->click();
        CalculateStock("0.03163", "5.1");
        Child<QPushButton>(Form, "TakeBBtn")->click();
    }

    void SetTargets(const char* from, const char* to, const char* step, const char* extra)
    {
        SeriesField("FromEdit")->SetText(QString::fromLatin1(from));
        SeriesField("ToEdit")->SetText(QString::fromLatin1(to));
        SeriesField("StepEdit")->SetText(QString::fromLatin1(step));
        Child<QLineEdit>(Form, "ExtraEdit")->setText(QString::fromLatin1(extra));
    }

    void ComputeAndWait()
    {
        QSignalSpy done(Form, &TSeriesForm::Computed);
        Child<QPushButton>(Form, "ComputeBtn")->click();
        ASSERT_TRUE(done.wait(60000));
        ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    }

    // quelix-cli's output for the same inputs; standard error must stay empty.
    static QByteArray Cli(const QStringList& args)
    {
        QProcess cli;
        cli.start(QStringLiteral(QUELIX_CLI_PATH), args);
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.readAllStandardError(), QByteArray());
        return cli.readAllStandardOutput();
    }

    // "total_egta=7,..." from a stock column of the series window: the numbers its fields
    // hold, which may have more digits than they show, written out in full.
    QString Spec(const char* column)
    {
        QStringList items;
        for (const auto& [field, name] :
             std::initializer_list<std::pair<const char*, const char*>> {
                 {"tEGTAEdit", "total_egta"},
                 {"tEDTAEdit", "total_edta"},
                 {"tMgEdit", "total_mg"},
                 {"tCaEdit", "total_ca"},
                 {"tATPEdit", "total_atp"},
                 {"tADPEdit", "total_adp"},
                 {"tPOivEdit", "total_po4"}}) {
            const std::string edit = std::string(column) + field;
            char digits[64];
            const auto end = std::to_chars(digits, digits + sizeof digits,
                                           SeriesField(edit.c_str())->GetValue(),
                                           std::chars_format::general, 21);
            items << QString::fromLatin1(name) + QLatin1Char('=')
                    + QString::fromLatin1(digits, end.ptr - digits);
        }
        return items.join(QLatin1Char(','));
    }

    QString ReadAll(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir Dir;
    std::vector<QString> Messages;
    std::unique_ptr<TMainForm> Main;
    TSeriesForm* Form = nullptr;
};

TEST_F(SeriesFormTest, MixingTableOfStocksFromTheMainWindowIsTheCommandLinesTable)
{
    TakeFibreStocks();
    // A stock holds the main window's last totals as the main window shows them.
    EXPECT_EQ(SeriesField("StockB_tCaEdit")->GetValue(), MainField("tCaEdit")->GetValue());
    EXPECT_EQ(SeriesField("StockB_tMgEdit")->GetValue(), 5.1L);
    EXPECT_EQ(SeriesField("StockA_pHEdit")->GetValue(), 7);
    EXPECT_GT(SeriesField("StockA_tCaEdit")->GetValue(), 0.02L);
    // The extra values take their places in the ladder; one given twice makes one row.
    SetTargets("9", "4.5", "0.5", "6.25, 4, 7");
    SeriesField("VolumeEdit")->SetText(QStringLiteral("500"));
    ComputeAndWait();

    const QStringList args {QStringLiteral("--ph"),
                            QStringLiteral("7"),
                            QStringLiteral("--ionic-strength"),
                            QStringLiteral("0.15"),
                            QStringLiteral("--stock-a"),
                            Spec("StockA_"),
                            QStringLiteral("--stock-b"),
                            Spec("StockB_"),
                            QStringLiteral("--pca"),
                            QStringLiteral("9:6.5:0.5,6.25,6:4:0.5"),
                            QStringLiteral("--volume"),
                            QStringLiteral("500")};
    const QString csvPath = Dir.filePath(QStringLiteral("series.csv"));
    ASSERT_TRUE(Form->ExportCsv(csvPath));
    EXPECT_EQ(ReadAll(csvPath).toUtf8(),
              Cli(args + QStringList {QStringLiteral("--format"), QStringLiteral("csv")}));

    // The table shows the cells of the command line's readable table, row by row.
    const QStringList report = QString::fromUtf8(Cli(args)).split(QLatin1Char('\n'));
    const TSeriesTableModel& model = Form->Model();
    ASSERT_EQ(model.rowCount(), 12);
    for (int row = 0; row < model.rowCount(); ++row) {
        SCOPED_TRACE(row);
        const QString line = report.at(row + 6);
        const QStringList cells = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        EXPECT_EQ(model.data(model.index(row, 0), Qt::DisplayRole).toString(), cells.at(0));
        const QString message =
            model.data(model.index(row, model.columnCount() - 1), Qt::DisplayRole).toString();
        if (!message.isEmpty()) {
            EXPECT_TRUE(line.endsWith(message)) << line.toStdString();
            continue;
        }
        for (int col = 1; col < model.columnCount() - 1; ++col)
            EXPECT_EQ(model.data(model.index(row, col), Qt::DisplayRole).toString(), cells.at(col));
    }
    EXPECT_TRUE(model.data(model.index(11, model.columnCount() - 1), Qt::DisplayRole)
                    .toString()
                    .startsWith(QStringLiteral("pCa 4 is outside the range")));
}

TEST_F(SeriesFormTest, PerPointSeriesInTheChosenModeIsTheCommandLinesToo)
{
    // Without a further ligand, then with creatine phosphate, an input of every point.
    for (const bool withCrP : {false, true}) {
        SCOPED_TRACE(withCrP ? "with CrP" : "five ligands");
        if (withCrP) {
            TFurtherForm* dialog = Main->FurtherForm();
            auto* box = Child<QComboBox>(dialog, "LigandBox1");
            box->setCurrentIndex(box->findText(QStringLiteral("CrP")));
            Child<TSaNumEditExCX>(dialog, "TotalEdit1")->SetText(QStringLiteral("14.5"));
            Child<QPushButton>(dialog, "BtnOK")->click();
        }
        CalculateStock("0.000001", "5.4");
        Child<QPushButton>(Form, "TakeABtn")->click();
        Child<QRadioButton>(Form, "PerPointRadio")->click();
        // Mode 6: total Mg is an input, total Ca a result, stock B is not used.
        EXPECT_TRUE(SeriesField("StockA_tMgEdit")->isEnabled());
        EXPECT_FALSE(SeriesField("StockA_tCaEdit")->isEnabled());
        EXPECT_FALSE(SeriesField("StockB_tMgEdit")->isEnabled());
        EXPECT_FALSE(SeriesField("StockA_fMgEdit")->isEnabled());
        EXPECT_EQ(SeriesField("StockA_Further1")->isHidden(), !withCrP);
        EXPECT_TRUE(SeriesField("StockA_Further1")->isEnabled());
        EXPECT_FALSE(SeriesField("StockB_Further1")->isEnabled());
        SetTargets("8", "5", "1", "");
        ComputeAndWait();
        const QString csvPath = Dir.filePath(QStringLiteral("perpoint.csv"));
        ASSERT_TRUE(Form->ExportCsv(csvPath));
        QStringList args {QStringLiteral("--mode"),
                          QStringLiteral("6"),
                          QStringLiteral("--ph"),
                          QStringLiteral("7"),
                          QStringLiteral("--ionic-strength"),
                          QStringLiteral("0.15"),
                          QStringLiteral("--total-egta"),
                          QStringLiteral("7"),
                          QStringLiteral("--total-mg"),
                          QStringLiteral("5.4"),
                          QStringLiteral("--total-atp"),
                          QStringLiteral("5"),
                          QStringLiteral("--pca"),
                          QStringLiteral("8:5:1"),
                          QStringLiteral("--format"),
                          QStringLiteral("csv")};
        if (withCrP)
            args << QStringLiteral("--ligand") << QStringLiteral("CrP=14.5");
        EXPECT_EQ(ReadAll(csvPath).toStdString(), Cli(args).toStdString());
        // Copy puts the same records on the clipboard, tab-separated.
        Child<QPushButton>(Form, "CopyBtn")->click();
        const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        const QStringList csv = ReadAll(csvPath).split(QLatin1Char('\n'));
        ASSERT_EQ(copied.size(), csv.size());
        for (qsizetype i = 0; i < csv.size(); ++i)
            EXPECT_EQ(copied[i], QString(csv[i]).replace(QLatin1Char(','), QLatin1Char('\t')));
    }
}

TEST_F(SeriesFormTest, BenchSheetIsAnA4PdfWithTheRecipesTableAndConstants)
{
    TakeFibreStocks();
    SetTargets("9", "5", "1", "");
    ComputeAndWait();
    const QString pdf = Dir.filePath(QStringLiteral("sheet.pdf"));
    ASSERT_TRUE(Form->SaveSheet(pdf));
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    EXPECT_TRUE(info.readAllStandardOutput().contains("(A4)"));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString sheet = QString::fromUtf8(text.readAllStandardOutput());
    const TSeriesTableModel& model = Form->Model();
    QStringList expected {QStringLiteral("Stock A"),
                          QStringLiteral("Stock B"),
                          QStringLiteral("Quelix " QUELIX_VERSION),
                          QStringLiteral("EGTA-Ca"),
                          QStringLiteral("10.970"),
                          QStringLiteral("Final volume of each mixture: 1000")};
    for (int row = 0; row < model.rowCount(); ++row)
        for (int col = 1; col <= 3; ++col) // fraction of B and the volumes
            expected << model.data(model.index(row, col), Qt::DisplayRole).toString();
    for (const QString& part : expected)
        EXPECT_TRUE(sheet.contains(part)) << part.toStdString() << "\n" << sheet.toStdString();
}

// A relaxing solution's recipe: its calculation is the base of a per-point series.
constexpr const char* RelaxingRecipe = R"json({"format": "quelix-recipe", "version": 1,
 "name": "relaxing", "volume_ml": 100,
 "calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                 "mgatp": 4.5, "free_mg": 1, "free_ca": 1e-6},
 "ligands": {"CrP": 14.5}, "temperature_c": 22, "contaminating_ca_mM": 0.01,
 "buffer": {"name": "imidazole", "total_mM": 20}, "stock_solutions": {"titrant": 4000}})json";

TEST_F(SeriesFormTest, ASeriesMadeWithARecipeIsTheCommandLinesRecipeSeries)
{
    const QString path = Dir.filePath(QStringLiteral("relax.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RelaxingRecipe);
    }
    ASSERT_TRUE(Form->UseRecipeFile(path));
    EXPECT_TRUE(Child<QCheckBox>(Form, "RecipeCheck")->isChecked());
    EXPECT_TRUE(Child<QLabel>(Form, "ConditionsLabel")
                    ->text()
                    .startsWith(QStringLiteral("Made with the recipe relaxing: constants Built-in, "
                                               "22 \u00B0C")));
    // The stocks carry the recipe's further ligand with its total.
    EXPECT_FALSE(SeriesField("StockA_Further1")->isHidden());
    EXPECT_EQ(SeriesField("StockA_Further1")->GetValue(), 14.5L);

    // The recipe's calculation as the per-point inputs, every value of it.
    Child<QRadioButton>(Form, "PerPointRadio")->click();
    Child<QComboBox>(Form, "ModeCombo")->setCurrentIndex(0); // mode 2
    for (const auto& [name, text] :
         std::initializer_list<std::pair<const char*, const char*>> {{"StockA_pHEdit", "7.1"},
                                                                     {"StockA_IonStrEdit", "0.18"},
                                                                     {"StockA_tEGTAEdit", "7"},
                                                                     {"StockA_tMgEdit", "2.2"},
                                                                     {"StockA_tCaEdit", "0.5"},
                                                                     {"StockA_tATPEdit", "0.22"},
                                                                     {"StockA_fMgEdit", "1"},
                                                                     {"StockA_MgATPEdit", "4.5"}})
        SeriesField(name)->SetText(QString::fromLatin1(text));
    SetTargets("9", "5", "1", "");
    ComputeAndWait();

    const QStringList recipe {
        QStringLiteral("--recipe"), path, QStringLiteral("--pca"), QStringLiteral("9:5:1")};
    const QString csvPath = Dir.filePath(QStringLiteral("series.csv"));
    ASSERT_TRUE(Form->ExportCsv(csvPath));
    EXPECT_EQ(ReadAll(csvPath).toUtf8(),
              Cli(recipe + QStringList {QStringLiteral("--format"), QStringLiteral("csv")}));

    // Each row's titrant, filler, real ionic strength and charge balance, as the command
    // line's table of the solutions as made shows them.
    const QStringList report = QString::fromUtf8(Cli(recipe)).split(QLatin1Char('\n'));
    const auto made = std::ranges::find_if(
                          report,
                          [](const QString& line) {
                              return line.startsWith(QStringLiteral("Each solution as made"));
                          })
        - report.begin();
    ASSERT_GT(made, 0);
    const TSeriesTableModel& model = Form->Model();
    ASSERT_EQ(model.rowCount(), 5);
    const int first = model.columnCount() - 5;
    EXPECT_EQ(model.headerData(first, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Titrant\nmM"));
    for (int row = 0; row < model.rowCount(); ++row) {
        SCOPED_TRACE(row);
        const QStringList cells =
            report.at(made + 2 + row).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(model.data(model.index(row, first + col), Qt::DisplayRole).toString(),
                      cells.at(col + 1));
    }

    // Without the recipe the series is the plain one again, with the main window's ligands.
    Form->SetRecipeUsed(false);
    EXPECT_TRUE(SeriesField("StockA_Further1")->isHidden());
    EXPECT_FALSE(Child<QLabel>(Form, "ConditionsLabel")->text().startsWith(QStringLiteral("Made")));
    ComputeAndWait();
    EXPECT_EQ(Form->Model().columnCount(), first + 1);
}

TEST_F(SeriesFormTest, ARecipeForAMixingTableMakesBothStocksAndShowsTheDrift)
{
    const QString path = Dir.filePath(QStringLiteral("relax.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RelaxingRecipe);
    }
    TakeFibreStocks();
    ASSERT_TRUE(Form->UseRecipeFile(path));
    // The recipe's CrP and temperature move stock A to pCa 8.86.
    SetTargets("8.5", "5", "0.5", "");
    ComputeAndWait();
    const TSeriesTableModel& model = Form->Model();
    ASSERT_EQ(model.rowCount(), 8);
    ASSERT_EQ(model.Solutions().size(), 8U);
    const int drift = model.columnCount() - 2;
    EXPECT_EQ(model.headerData(drift, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Drift\nmM"));
    // A mixture's real ionic strength is its own, not the target's: it drifts as Ca moves
    // from one chelator to the other, and the table says by how much.
    bool drifts = false;
    for (int row = 0; row < model.rowCount(); ++row) {
        SCOPED_TRACE(row);
        const TSolution& s = model.Solutions()[static_cast<std::size_t>(row)];
        ASSERT_FALSE(s.Failed()) << s.Error;
        const double shown = model.data(model.index(row, drift), Qt::DisplayRole).toDouble();
        EXPECT_NEAR(shown, static_cast<double>((s.IonStr - 0.15L) * 1000), 5e-4);
        drifts = drifts || std::fabs(shown) > 0.001;
    }
    EXPECT_TRUE(drifts);

    // A recipe that cannot be read leaves the one in use as it was.
    Messages.clear();
    EXPECT_FALSE(Form->UseRecipeFile(Dir.filePath(QStringLiteral("missing.json"))));
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("missing.json")));
    EXPECT_TRUE(Form->RecipeUsed());
}

TEST_F(SeriesFormTest, WhatCannotBeComputedIsSaidAndNothingRuns)
{
    // The menu shows the one series window again rather than a second one.
    Main->findChild<QAction*>(QStringLiteral("miSeries"))->trigger();
    EXPECT_EQ(Main->findChildren<TSeriesForm*>().size(), 1);
    // Nothing to take before the main window has calculated.
    Child<QPushButton>(Form, "TakeABtn")->click();
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("Calculate in the main window first")));
    Messages.clear();
    SeriesField("StockB_pHEdit")->SetText(QStringLiteral("7.2"));
    QSignalSpy done(Form, &TSeriesForm::Computed);
    Form->Compute();
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("Stocks A and B must have the same pH")));
    SetTargets("9", "4.5", "0", "");
    Messages.clear();
    Form->Compute();
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("the step must not be zero")));
    EXPECT_FALSE(Form->Busy());
    EXPECT_EQ(done.count(), 0);
}

TEST_F(SeriesFormTest, CancelStopsALongSeriesAndKeepsTheTableAsItWas)
{
    CalculateStock("0.000001", "5.4");
    Child<QPushButton>(Form, "TakeABtn")->click();
    Child<QRadioButton>(Form, "PerPointRadio")->click();
    SetTargets("9", "4.5", "0.5", "");
    ComputeAndWait();
    ASSERT_EQ(Form->Model().rowCount(), 10);
    SetTargets("0", "19.99", "0.0002", ""); // 99,951 points
    QSignalSpy done(Form, &TSeriesForm::Computed);
    Form->Compute();
    EXPECT_TRUE(Form->Busy());
    Child<QPushButton>(Form, "CancelBtn")->click();
    ASSERT_TRUE(done.wait(60000));
    EXPECT_FALSE(Form->Busy());
    EXPECT_EQ(Form->Model().rowCount(), 10);
    EXPECT_TRUE(Child<QPushButton>(Form, "ComputeBtn")->isEnabled());
}

} // namespace

// The main window's further ligands give both stocks a row; Take copies their totals, every
// mixture holds them mixed, and without them the window is as before.
TEST_F(SeriesFormTest, StocksCarryTheMainWindowsFurtherLigands)
{
    TakeFibreStocks();
    SetTargets("9", "5", "1", "");
    ComputeAndWait();
    const QString before = Dir.filePath(QStringLiteral("before.csv"));
    ASSERT_TRUE(Form->ExportCsv(before));
    EXPECT_TRUE(SeriesField("StockA_Further1")->isHidden());

    // CrP 14.5 mM in both stocks, as in the published relaxing and activating solutions.
    TFurtherForm* dialog = Main->FurtherForm();
    auto* box = Child<QComboBox>(dialog, "LigandBox1");
    box->setCurrentIndex(box->findText(QStringLiteral("CrP")));
    Child<TSaNumEditExCX>(dialog, "TotalEdit1")->SetText(QStringLiteral("14.5"));
    Child<QPushButton>(dialog, "BtnOK")->click();
    EXPECT_FALSE(SeriesField("StockA_Further1")->isHidden());
    EXPECT_TRUE(SeriesField("StockA_Further2")->isHidden());
    EXPECT_EQ(SeriesField("StockB_Further1")->GetValue(), 0); // nothing taken yet
    TakeFibreStocks();
    EXPECT_EQ(SeriesField("StockA_Further1")->GetValue(), 14.5L);
    SeriesField("StockB_Further1")->SetText(QStringLiteral("10"));
    ComputeAndWait();
    const TSeriesTableModel& model = Form->Model();
    ASSERT_EQ(model.Rows().size(), 5U);
    for (const TSeriesRow& row : model.Rows()) {
        SCOPED_TRACE(row.PCaTarget);
        ASSERT_FALSE(row.Failed()) << row.Outcome.Error;
        EXPECT_NEAR(row.Outcome.Input.FurtherTotals[0],
                    (1 - row.FractionB) * 14.5L + row.FractionB * 10, 1e-12L);
        EXPECT_GT(row.Outcome.State.Further[0].Mg, 0);
    }
    // The same table as quelix-cli makes of the same stocks.
    const QString with = Dir.filePath(QStringLiteral("with.csv"));
    ASSERT_TRUE(Form->ExportCsv(with));
    const QStringList args {QStringLiteral("--ph"),
                            QStringLiteral("7"),
                            QStringLiteral("--ionic-strength"),
                            QStringLiteral("0.15"),
                            QStringLiteral("--stock-a"),
                            Spec("StockA_") + QStringLiteral(",total_crp=14.5"),
                            QStringLiteral("--stock-b"),
                            Spec("StockB_") + QStringLiteral(",total_crp=10"),
                            QStringLiteral("--pca"),
                            QStringLiteral("9:5:1"),
                            QStringLiteral("--format"),
                            QStringLiteral("csv")};
    EXPECT_EQ(ReadAll(with).toStdString(), Cli(args).toStdString());

    // Cleared again: the rows go, and the series is the one computed before.
    Child<QPushButton>(dialog, "ClearBtn1")->click();
    Child<QPushButton>(dialog, "BtnOK")->click();
    EXPECT_TRUE(SeriesField("StockA_Further1")->isHidden());
    TakeFibreStocks();
    ComputeAndWait();
    const QString after = Dir.filePath(QStringLiteral("after.csv"));
    ASSERT_TRUE(Form->ExportCsv(after));
    EXPECT_EQ(ReadAll(after), ReadAll(before));
}

TEST_F(SeriesFormTest, TheWindowAndTheBenchSheetNameTheConstantsInForce)
{
    auto* conditions = Child<QLabel>(Form, "ConditionsLabel");
    EXPECT_TRUE(conditions->text().startsWith(QStringLiteral("Constants: Built-in;")));
    TConstForm* constants = Main->ConstForm();
    auto* setBox = Child<QComboBox>(constants, "SetBox");
    setBox->setCurrentIndex(1);
    Q_EMIT setBox->activated(1);
    Child<QLineEdit>(constants, "TemperatureEdit")->setText(QStringLiteral("37"));
    Child<QPushButton>(constants, "BtnApply")->click();
    EXPECT_TRUE(conditions->text().contains(QStringLiteral("temperature 37 \u00B0C")))
        << conditions->text().toStdString();

    TakeFibreStocks();
    SetTargets("9", "5", "1", "");
    ComputeAndWait();
    const QString pdf = Dir.filePath(QStringLiteral("sheet.pdf"));
    ASSERT_TRUE(Form->SaveSheet(pdf));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString sheet = QString::fromUtf8(text.readAllStandardOutput());
    // EGTA-Ca as a calculation at 37 degrees uses it, and the set's value beside it.
    TEngine at01 = Main->Engine();
    at01.SetIonStr(0.1L);
    at01.AdjustConstants();
    const QString egtaCa = QStringLiteral("EGTA-Ca\\s+")
        + QString::fromStdString(
              FormatFixed(at01.CorrConst()[TLigand::ligEGTA][TPartner::ptCa][0], 0, 3))
              .replace(QLatin1Char('.'), QStringLiteral("\\."))
        + QStringLiteral("\\s+")
        + QString::fromStdString(
              FormatFixed(Main->Engine().BaseConst()[TLigand::ligEGTA][TPartner::ptCa][0], 0, 3))
              .replace(QLatin1Char('.'), QStringLiteral("\\."));
    EXPECT_TRUE(sheet.contains(QRegularExpression(egtaCa))) << egtaCa.toStdString() << "\n"
                                                            << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("ref."))) << sheet.toStdString();
}
