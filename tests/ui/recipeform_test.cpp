// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/recipeform.h"

#include "constsets/constset.h"
#include "numedit/SaNumEditExCX.h"
#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"
#include "ui/furtherform.h"
#include "ui/main.h"
#include "ui/recipesheet.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A relaxing solution as a lab writes it down: a further ligand with its own salt, a
// purity, contaminating Ca, a pH buffer, a stock for the Ca and one for the titrant.
constexpr const char* RelaxingRecipe = R"json({"format": "quelix-recipe", "version": 1,
 "name": "pCa 9 relaxing", "volume_ml": 100,
 "calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                 "mgatp": 4.5, "free_mg": 1, "free_ca": 1e-6},
 "ligands": {"CrP": 14.5}, "temperature_c": 22,
 "salts": {"egta": "EGTA (free acid)", "CrP": "creatine phosphate disodium salt (anhydrous)"},
 "purity": {"atp": 0.95}, "contaminating_ca_mM": 0.01,
 "buffer": {"name": "imidazole", "total_mM": 20},
 "titrant": "KOH", "filler": "KCl", "stock_solutions": {"ca": 100, "titrant": 4000}})json";

class RecipeFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMainFormOptions options;
        options.IniFileName = Dir.filePath(QStringLiteral("quelix.INI")).toStdString();
        options.MessageSink = [this](QWidget*, TMessageKind, const QString& text) {
            Messages.push_back(text);
        };
        Main = std::make_unique<TMainForm>(std::move(options));
        Main->findChild<QAction*>(QStringLiteral("miRecipe"))->trigger();
        Form = Main->RecipeForm();
        ASSERT_NE(Form, nullptr);
    }

    QString Write(const char* name, const char* text)
    {
        const QString path = Dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    template <typename T>
    T* Child(const char* name)
    {
        auto* child = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QString Cell(const char* table, int row, int col)
    {
        const QTableWidgetItem* item = Child<QTableWidget>(table)->item(row, col);
        return item ? item->text() : QString();
    }

    // The value the solution table shows for `name`: its first number.
    TReal Shown(const QString& name)
    {
        auto* table = Child<QTableWidget>("SolutionTable");
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->item(row, 0)->text() == name)
                return std::strtold(table->item(row, 1)->text().toLatin1().constData(), nullptr);
        ADD_FAILURE() << "no row " << name.toStdString();
        return 0;
    }

    QString Message() { return Child<QLabel>("MessageLabel")->text(); }

    QTemporaryDir Dir;
    std::vector<QString> Messages;
    std::unique_ptr<TMainForm> Main;
    TRecipeForm* Form = nullptr;
};

// Agreement to the digits shown.
void ExpectShown(TReal shown, TReal expected, int digits = 6)
{
    EXPECT_NEAR(static_cast<double>(shown), static_cast<double>(expected),
                std::fabs(static_cast<double>(expected)) * std::pow(10.0, 1 - digits));
}

TEST_F(RecipeFormTest, AnOpenedRecipeShowsWhatComputeRecipeMakesOfIt)
{
    const QString path = Write("relax.json", RelaxingRecipe);
    ASSERT_TRUE(Form->OpenFile(path));
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    const TRecipe read = ReadRecipeFile(path.toStdString());
    // The fields hold the file's recipe whole, the further ligand's own salt included.
    EXPECT_EQ(RecipeText(Form->Recipe()), RecipeText(read));
    EXPECT_EQ(Child<QComboBox>("SaltCombo_further1")->currentText(),
              QStringLiteral("creatine phosphate disodium salt (anhydrous)"));

    ASSERT_TRUE(Form->Calculate()) << Message().toStdString();
    TEngine engine;
    const TRecipeOutcome expected = ComputeRecipe(engine, read, TOutputFormat::ofCsv);
    ASSERT_FALSE(expected.Failed());
    const TSolution& s = expected.Solution;
    ExpectShown(Shown(QStringLiteral("Ionic strength")), s.IonStr);
    ExpectShown(Shown(QStringLiteral("Without the filler")), s.IonStrWithoutFiller);
    ExpectShown(Shown(QStringLiteral("Filler")), s.FillermM);
    ExpectShown(Shown(QStringLiteral("Titrant")), s.TitrantmM);
    ExpectShown(Shown(QStringLiteral("Ionic equivalent")), s.IonicEquivalent);
    EXPECT_LT(std::fabs(static_cast<double>(Shown(QStringLiteral("Charge balance")))), 1e-9);

    // Every line but the titrant's, in the sheet's order, with the mass or the volume of
    // stock to take.
    int row = 0;
    for (const TWeighingLine& w : s.Weighing) {
        if (w.Key == "titrant")
            continue;
        SCOPED_TRACE(w.Key);
        EXPECT_EQ(Cell("WeighingTable", row, 2).toStdString(), w.Salt);
        ExpectShown(Cell("WeighingTable", row, 3).toDouble(), w.mM);
        const QString amount = Cell("WeighingTable", row, 4);
        if (w.Ul) {
            EXPECT_TRUE(amount.endsWith(QStringLiteral(" \u00B5l of 100 mM stock")));
            EXPECT_NEAR(
                amount.split(QLatin1Char(' ')).at(0).toDouble(), static_cast<double>(*w.Ul), 0.05);
        } else {
            EXPECT_NEAR(amount.chopped(3).toDouble(), static_cast<double>(*w.Mg), 0.005);
        }
        ++row;
    }
    EXPECT_EQ(Child<QTableWidget>("WeighingTable")->rowCount(), row);
    EXPECT_EQ(Cell("WeighingTable", 1, 5), QStringLiteral("0.95")); // ATP's purity
    const QString step = Child<QLabel>("StepLabel")->text();
    EXPECT_TRUE(step.contains(QStringLiteral("titrate to pH 7.1 with KOH"))) << step.toStdString();
    EXPECT_TRUE(step.contains(QStringLiteral("\u00B5l of 4000 mM"))) << step.toStdString();
}

TEST_F(RecipeFormTest, ASavedRecipeReadsBackAsTheRecipeOfTheFields)
{
    ASSERT_TRUE(Form->OpenFile(Write("relax.json", RelaxingRecipe)));
    // Edits of every kind of row: a salt, a purity, a stock, the buffer, the titrant's
    // stock emptied, the filler, contaminating Ca, a second further ligand.
    auto choose = [this](const char* combo, const QString& text) {
        auto* box = Child<QComboBox>(combo);
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
    };
    choose("SaltCombo_atp", QStringLiteral("K2ATP (anhydrous)"));
    Child<TSaNumEditExCX>("Purity_mg")->SetText(QStringLiteral("0.99"));
    Child<TSaNumEditExCX>("Stock_egta")->SetText(QStringLiteral("200"));
    choose("BufferCombo", QStringLiteral("MOPS"));
    Child<TSaNumEditExCX>("Stock_titrant")->SetText(QString());
    choose("SaltCombo_filler", QStringLiteral("K-methanesulfonate"));
    Child<TSaNumEditExCX>("ContaminatingEdit")->SetText(QStringLiteral("0.02"));
    auto* constants = Child<QComboBox>("ConstantsCombo");
    ASSERT_GE(constants->count(), 2);
    constants->setCurrentIndex(1); // the bundled literature set
    choose("LigandCombo2", QStringLiteral("HEDTA"));
    Child<TSaNumEditExCX>("LigandTotal2")->SetText(QStringLiteral("0.5"));

    const TRecipe edited = Form->Recipe();
    EXPECT_EQ(edited.Salts.at("atp").Name, "K2ATP (anhydrous)");
    EXPECT_EQ(edited.Purity.at("mg"), 0.99L);
    EXPECT_EQ(edited.Stocks.at("egta"), 200);
    EXPECT_FALSE(edited.Stocks.contains("titrant"));
    ASSERT_TRUE(edited.Buffer);
    EXPECT_EQ(edited.Buffer->Buffer.Name, "MOPS");
    EXPECT_EQ(edited.Filler.Name, "K-methanesulfonate");
    ASSERT_EQ(edited.Constants.Ligands.size(), 2U);
    EXPECT_EQ(edited.Calculation.FurtherTotals[1], 0.5L);
    EXPECT_EQ(edited.ConstantsName, BundledSets()[1].Id);
    EXPECT_EQ(edited.Constants.Set, BundledSets()[1].Set);
    // The first row kept its ligand and its salt under the new constants.
    EXPECT_EQ(edited.Constants.Ligands[0].Name, "CrP");
    EXPECT_EQ(edited.Salts.at("CrP").Name, "creatine phosphate disodium salt (anhydrous)");

    const QString saved = Dir.filePath(QStringLiteral("saved.json"));
    ASSERT_TRUE(Form->SaveFile(saved));
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    EXPECT_EQ(RecipeText(ReadRecipeFile(saved.toStdString())), RecipeText(edited));
    // Opened again, the window holds the same recipe, and saving it again changes nothing.
    ASSERT_TRUE(Form->OpenFile(saved));
    const QString again = Dir.filePath(QStringLiteral("again.json"));
    ASSERT_TRUE(Form->SaveFile(again));
    QFile a(saved), b(again);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(RecipeFormTest, AFileThatCannotBeUsedIsRefusedWithTheReadersMessage)
{
    ASSERT_TRUE(Form->OpenFile(Write("relax.json", RelaxingRecipe)));
    const std::string before = RecipeText(Form->Recipe());
    struct TCase {
        const char* Name;
        const char* Text;
        const char* Says; // besides the file's name
    };
    const TCase cases[] {
        {"unknown-key.json", R"({"format": "quelix-recipe", "version": 1, "volume": 100})",
         "\"volume\""},
        {"wrong-salt.json",
         R"({"format": "quelix-recipe", "version": 1, "salts": {"ca": "MgCl2·6H2O"}})",
         "MgCl2\u00B76H2O"},
        {"not-json.json", "{\"format\": \"quelix-recipe\", ", ""},
        {"missing.json", nullptr, "cannot be opened"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Messages.clear();
        const QString path = c.Text ? Write(c.Name, c.Text) : Dir.filePath(QLatin1String(c.Name));
        EXPECT_FALSE(Form->OpenFile(path));
        ASSERT_EQ(Messages.size(), 1U);
        EXPECT_TRUE(Messages[0].contains(path)) << Messages[0].toStdString();
        EXPECT_TRUE(Messages[0].contains(QString::fromUtf8(c.Says))) << Messages[0].toStdString();
        EXPECT_EQ(RecipeText(Form->Recipe()), before);
    }
}

TEST_F(RecipeFormTest, ASolutionThatCannotBeMadeSaysWhyInTheWindow)
{
    ASSERT_TRUE(Form->OpenFile(Write("relax.json", RelaxingRecipe)));
    struct TCase {
        const char* Field;
        const char* Text;
        const char* Says;
    };
    const TCase cases[] {
        // The species alone hold more than the target.
        {"IonStrEdit", "0.05", "above the target 0.05 M"},
        {"pHEdit", "", "pH: ''"},
        {"VolumeEdit", "0", "final volume must be above 0 ml"},
        {"TemperatureEdit", "120", "between 0 and 100"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Field);
        auto* field = Child<TSaNumEditExCX>(c.Field);
        const QString kept = field->GetText();
        field->SetText(QString::fromLatin1(c.Text));
        EXPECT_FALSE(Form->Calculate());
        EXPECT_TRUE(Message().contains(QString::fromLatin1(c.Says))) << Message().toStdString();
        EXPECT_EQ(Child<QTableWidget>("WeighingTable")->rowCount(), 0);
        field->SetText(kept);
    }
    // HCl where the mixture needs base.
    auto* titrant = Child<QComboBox>("SaltCombo_titrant");
    titrant->setCurrentIndex(titrant->findText(QStringLiteral("HCl")));
    EXPECT_FALSE(Form->Calculate());
    EXPECT_TRUE(Message().contains(QStringLiteral("choose KOH or NaOH")))
        << Message().toStdString();
    EXPECT_TRUE(Messages.empty());
}

TEST_F(RecipeFormTest, EachRowOffersTheSaltsThatReleaseItsComponent)
{
    const TRecipe recipe = DefaultRecipe();
    const auto names = [&](const std::string& key) {
        std::vector<std::string> out;
        for (const TSalt* salt : MatchingSalts(recipe, key))
            out.push_back(salt->Name);
        return out;
    };
    using TNames = std::vector<std::string>;
    EXPECT_EQ(names("ca"), (TNames {"CaCl2\u00B72H2O", "CaCl2 (anhydrous)"}));
    EXPECT_EQ(names("egta"), (TNames {"EGTA (free acid)"}));
    EXPECT_EQ(names("titrant"), (TNames {"KOH", "NaOH", "HCl"}));
    EXPECT_EQ(names("filler"),
              (TNames {"KCl", "NaCl", "K-propionate", "K-methanesulfonate", "K-gluconate"}));
    // The window's rows: the default first, then the matching salts.
    auto* ca = Child<QComboBox>("SaltCombo_ca");
    ASSERT_EQ(ca->count(), 3);
    EXPECT_EQ(ca->itemText(0), QStringLiteral("default: CaCl2\u00B72H2O"));
    // A further ligand's row appears with its salts when the ligand is chosen.
    auto* ligand = Child<QComboBox>("LigandCombo1");
    ligand->setCurrentIndex(ligand->findText(QStringLiteral("CrP")));
    auto* crp = Child<QComboBox>("SaltCombo_further1");
    EXPECT_FALSE(crp->isHidden());
    EXPECT_EQ(crp->count(), 3);
    EXPECT_EQ(crp->itemText(2), QStringLiteral("creatine phosphate disodium salt (anhydrous)"));
}

TEST_F(RecipeFormTest, EnterRecalculatesAndTheMenuKeepsItsItems)
{
    ASSERT_TRUE(Form->OpenFile(Write("relax.json", RelaxingRecipe)));
    QTest::keyClick(Child<TSaNumEditExCX>("pHEdit"), Qt::Key_Return);
    ASSERT_TRUE(Form->Outcome());
    EXPECT_FALSE(Form->Outcome()->Failed());
    Child<TSaNumEditExCX>("IonStrEdit")->SetText(QStringLiteral("0.2"));
    QTest::keyClick(Child<TSaNumEditExCX>("IonStrEdit"), Qt::Key_Enter, Qt::KeypadModifier);
    ExpectShown(Shown(QStringLiteral("Ionic strength")), 0.2L);

    QStringList items;
    for (const QAction* action : Main->menuBar()->actions().front()->menu()->actions())
        items << action->text();
    EXPECT_EQ(items,
              (QStringList {QStringLiteral("&Calculate"), QStringLiteral("Show &Results"),
                            QStringLiteral("C&lear Console"), QStringLiteral("Save Report &As..."),
                            QStringLiteral("Set as &Default"), QStringLiteral("&Binding Constants"),
                            QStringLiteral("&Further ligands..."), QStringLiteral("R&ecipe..."),
                            QStringLiteral("pCa &series..."), QString(), QStringLiteral("E&xit")}));
    Main->findChild<QAction*>(QStringLiteral("miRecipe"))->trigger();
    EXPECT_EQ(Main->RecipeForm(), Form);
}

TEST_F(RecipeFormTest, TheMainWindowsCalculationIsTakenWithItsLigandsAndGivesItsSolution)
{
    Form->TakeMainWindow();
    ASSERT_EQ(Messages.size(), 1U); // nothing calculated yet
    EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("Calculate in the main window first")));

    Main->SetModeIndex(6);
    Main->RadioGroup1Click();
    for (const auto& [name, text] :
         std::initializer_list<std::pair<const char*, const char*>> {{"pHEdit", "7"},
                                                                     {"IonStrEdit", "0.15"},
                                                                     {"tEGTAEdit", "7"},
                                                                     {"tATPEdit", "5"},
                                                                     {"tMgEdit", "5.4"},
                                                                     {"fCaEdit", "0.0001"}})
        Main->findChild<TSaNumEditExCX*>(QString::fromLatin1(name))
            ->SetText(QString::fromLatin1(text));
    TFurtherForm* further = Main->FurtherForm();
    auto* ligand = further->findChild<QComboBox*>(QStringLiteral("LigandBox1"));
    ligand->setCurrentIndex(ligand->findText(QStringLiteral("CrP")));
    further->findChild<TSaNumEditExCX*>(QStringLiteral("TotalEdit1"))
        ->SetText(QStringLiteral("14.5"));
    further->findChild<QPushButton*>(QStringLiteral("BtnOK"))->click();
    Main->Calculate();
    Messages.clear();

    Form->TakeMainWindow();
    EXPECT_TRUE(Messages.empty());
    const TRecipe taken = Form->Recipe();
    EXPECT_EQ(taken.Calculation.Mode, TCalcMode::cmCa);
    EXPECT_EQ(taken.Calculation[TValueField::vfTotalMg], 5.4L);
    ASSERT_EQ(taken.Constants.Ligands.size(), 1U);
    EXPECT_EQ(taken.Constants.Ligands[0].Name, "CrP");
    EXPECT_EQ(taken.Calculation.FurtherTotals[0], 14.5L);
    // The recipe's calculation is the main window's: the same total Ca for that free Ca.
    ASSERT_TRUE(Form->Calculate()) << Message().toStdString();
    EXPECT_NEAR(static_cast<double>(Form->Outcome()->Calc.State.TotalCa),
                static_cast<double>(Main->State().TotalCa),
                1e-7 * static_cast<double>(Main->State().TotalCa));
}

TEST_F(RecipeFormTest, NoTwoFieldsLieOnTopOfEachOther)
{
    // Each row of the form has its own place: a field laid over another would hide it.
    Form->show();
    QApplication::processEvents();
    std::vector<QWidget*> fields;
    for (QWidget* w : Form->findChildren<QWidget*>())
        if ((qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w)) && !w->isHidden()
            && !qobject_cast<QComboBox*>(w->parentWidget()))
            fields.push_back(w);
    ASSERT_GT(fields.size(), 15u) << fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t j = i + 1; j < fields.size(); ++j) {
            const QRect a(fields[i]->mapTo(Form, QPoint(0, 0)), fields[i]->size());
            const QRect b(fields[j]->mapTo(Form, QPoint(0, 0)), fields[j]->size());
            EXPECT_FALSE(a.intersects(b)) << fields[i]->objectName().toStdString() << " and "
                                          << fields[j]->objectName().toStdString();
        }
}

TEST_F(RecipeFormTest, TheBenchSheetIsAPdfOfWhatToWeighAndTheCheck)
{
    ASSERT_TRUE(Form->OpenFile(Write("relax.json", RelaxingRecipe)));
    const QString path = Dir.filePath(QStringLiteral("sheet.pdf"));
    ASSERT_TRUE(Form->SavePdf(path));
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 5000);

    QTextDocument document;
    document.setHtml(RecipeSheetHtml(*Form->ShownRecipe(), *Form->Outcome(), {}));
    const QString text = document.toPlainText();
    const TSolution& s = Form->Outcome()->Solution;
    for (const QString& expected :
         {QStringLiteral("Weighing sheet: pCa 9 relaxing"), QStringLiteral("Final volume 100 ml"),
          QStringLiteral("EGTA (free acid)"), QStringLiteral("32.8 \u00B5l of 100 mM stock"),
          QStringLiteral("Titrate to pH 7.1 with KOH"), QStringLiteral("Make up to 100 ml."),
          QStringLiteral("Ionic strength"), QStringLiteral("0.18 M"),
          QStringLiteral("Check: charge balance"), QString::number(double(s.FillermM), 'g', 5)})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    // The titration with the volume of its stock; the steps counted from 1; a purity shown
    // only where it is not 1 (ATP's 0.95).
    EXPECT_TRUE(text.contains(QStringLiteral("Titrate to pH 7.1 with KOH: expect 16.18 mM (404.5 "
                                             "\u00B5l of 4000 mM).")))
        << text.toStdString();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int step = 1; step <= 10; ++step)
        EXPECT_TRUE(lines.contains(QString::number(step) + QLatin1Char('.'))) << step;
    EXPECT_FALSE(lines.contains(QStringLiteral("-1.")));
    EXPECT_EQ(lines.count(QStringLiteral("0.95")), 1);
    EXPECT_FALSE(lines.contains(QStringLiteral("1")));

    // What the PDF itself holds, where poppler's text extractor is at hand.
    const QString extractor = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (extractor.isEmpty())
        return;
    QProcess process;
    process.start(extractor, {path, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString extracted = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(extracted.contains(QStringLiteral("Titrate to pH 7.1 with KOH")))
        << extracted.toStdString();
    EXPECT_TRUE(extracted.contains(QStringLiteral("imidazole")));
}

} // namespace
