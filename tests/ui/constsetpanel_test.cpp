// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The constant sets in the window: choosing, saving and opening a set in the binding
// constants dialog, the temperature and the pH scale, and what the main window shows.
#include "ui/constsetpanel.h"

#include "constsets/setfile.h"
#include "engine/realtext.h"
#include "report/conditions.h"
#include "ui/constform.h"
#include "ui/main.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using enum TLigand;
using enum TPartner;

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

TEngine StartedEngine()
{
    TEngine engine;
    engine.SetpH(7);
    engine.SetIonStr(0.15L);
    engine.LoadDefaultConstants();
    engine.AdjustConstants();
    engine.MakeApparentConstants();
    return engine;
}

// Free Ca++ of a pCa-6-like recipe computed with the engine as the dialog left it.
TReal FreeCa(TEngine engine)
{
    TCalcState state;
    state.Tiny = 10 * MachineEpsilon();
    state.TotalLigand[ligEGTA] = 0.010L;
    state.TotalLigand[ligATP] = 0.005L;
    state.TotalMg = 0.005L;
    state.TotalCa = 0.008L;
    EXPECT_FALSE(engine.Calculate(state, TCalcMode::cmEveryGiven).Failed());
    return state.FreeCa;
}

class ConstSetPanelTest : public ::testing::Test {
protected:
    ConstSetPanelTest()
    {
        Form.SetMessageSink(
            [this](QWidget*, TMessageKind, const QString& text) { Messages.push_back(text); });
        Form.SetPanel()->SetFileChooser([this](QWidget*, bool) { return NextFile; });
        Grid = Form.findChild<QTableWidget*>(QStringLiteral("ConstGrid"));
        SetBox = Form.findChild<QComboBox*>(QStringLiteral("SetBox"));
    }

    QString Cell(int row, int col) const { return Grid->item(row, col)->text(); }
    void Click(const char* name)
    {
        auto* button = Form.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ChooseInBox(int index)
    {
        SetBox->setCurrentIndex(index);
        Q_EMIT SetBox->activated(index);
    }
    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    TEngine Engine = StartedEngine();
    TConstForm Form {Engine};
    QTableWidget* Grid = nullptr;
    QComboBox* SetBox = nullptr;
    QTemporaryDir Dir;
    QString NextFile;
    std::vector<QString> Messages;
};

constexpr int EgtaCa = 5; // grid rows
constexpr int Po4H = 12;
constexpr int Po4Ca = 14;
constexpr int AtpMg = 1;

} // namespace

TEST_F(ConstSetPanelTest, ChoosingASetFillsTheGridAndApplyMakesItTheOneInForce)
{
    const TReal builtInFreeCa = FreeCa(Engine);
    ASSERT_EQ(SetBox->itemText(1), QStringLiteral("NIST SRD 46, 20 \u00B0C, 0.1 M"));
    ChooseInBox(1);
    EXPECT_EQ(Cell(EgtaCa, 1), QStringLiteral("    10.973"));
    EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][0], 10.97L); // not before Apply
    // What the set takes from the built-in table is marked; its own values name a source.
    EXPECT_TRUE(Grid->item(Po4H, 1)->font().italic());
    EXPECT_EQ(Grid->item(Po4H, 1)->toolTip(), Q(BuiltInSource));
    EXPECT_TRUE(Grid->item(EgtaCa, 1)->toolTip().startsWith(QStringLiteral("NIST SRD 46")));
    Grid->setCurrentCell(EgtaCa, 1);
    const QString source =
        Form.findChild<QPlainTextEdit*>(QStringLiteral("SourceText"))->toPlainText();
    EXPECT_TRUE(source.startsWith(
        QStringLiteral("EGTA-Ca, step 0: log10 K 10.973, enthalpy -8.4 kcal/mol\nSource: NIST")))
        << source.toStdString();

    Click("BtnApply");
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][0], 10.973L);
    EXPECT_EQ(Engine.Origin().SetName, "NIST SRD 46, 20 \u00B0C, 0.1 M");
    EXPECT_EQ(Engine.Origin().EditedEntries, 0); // the rounding of Apply is no edit
    EXPECT_FALSE(std::isnan(Engine.Origin().EnthalpyJPerMol[ligEGTA][ptCa][0]));
    EXPECT_NE(FreeCa(Engine), builtInFreeCa);

    // The built-in set chosen in the list, as any other.
    ChooseInBox(0);
    EXPECT_EQ(Cell(EgtaCa, 1), QStringLiteral("    10.970"));
    ChooseInBox(1);

    Click("BtnDefault");
    EXPECT_EQ(SetBox->currentIndex(), 0);
    EXPECT_TRUE(Engine.HasDefaultConditions());
    EXPECT_FALSE(Grid->item(Po4H, 1)->font().italic());
    EXPECT_TRUE(Grid->item(EgtaCa, 1)->toolTip().isEmpty());
    EXPECT_EQ(Cell(EgtaCa, 1), QStringLiteral("    10.970"));
}

TEST_F(ConstSetPanelTest, SavedGridReadsBackWithSourcesAndOpensAgain)
{
    ChooseInBox(1);
    Grid->item(EgtaCa, 1)->setText(QStringLiteral("11.2"));
    Grid->item(Po4H, 4)->setText(QStringLiteral("1.5")); // a step the tables lack
    Click("BtnApply");
    EXPECT_EQ(Engine.Origin().EditedEntries, 2);
    EXPECT_TRUE(std::isnan(Engine.Origin().EnthalpyJPerMol[ligEGTA][ptCa][0]));
    const TConstTable applied = Engine.BaseConst();

    NextFile = Path("my lab set.json");
    Click("SaveSetBtn");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    const TConstSet saved = ReadConstSetFile(NextFile.toStdString());
    EXPECT_EQ(saved.Name, "my lab set");
    EXPECT_EQ(saved.ReferenceC, TReal(20));
    EXPECT_EQ(saved.Entries[ligEGTA][ptCa][0]->Source, EditedSource);
    EXPECT_EQ(saved.Entries[ligEGTA][ptCa][0]->Log10K, 11.2L);
    EXPECT_EQ(saved.Entries[ligPO4][ptH][3]->Log10K, 1.5L);
    EXPECT_EQ(saved.Entries[ligEGTA][ptCa][1]->Source,
              FindBundledSet("nist-srd46-20c")->Set.Entries[ligEGTA][ptCa][1]->Source);
    EXPECT_TRUE(saved.Entries[ligEGTA][ptH][0]->Enthalpy); // kept where the value is
    EXPECT_FALSE(saved.Entries[ligPO4][ptH][0]);           // still the built-in table's
    EXPECT_EQ(SetBox->currentText(), QStringLiteral("my lab set (my lab set.json)"));

    // Back to the built-in set, then open the file: the grid and the results follow it.
    Click("BtnDefault");
    Click("BtnApply");
    NextFile = Path("my lab set.json");
    Click("OpenSetBtn");
    ASSERT_TRUE(Messages.empty());
    EXPECT_EQ(Cell(EgtaCa, 1), QStringLiteral("    11.200"));
    Click("BtnOK");
    EXPECT_EQ(Engine.Origin().SetName, "my lab set");
    EXPECT_EQ(Engine.Origin().EditedEntries, 0);
    EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][0], applied[ligEGTA][ptCa][0]);
    EXPECT_EQ(Engine.BaseConst()[ligPO4][ptH][3], 1.5L);
}

TEST_F(ConstSetPanelTest, ANegativeValueOnAStepTheSetLacksIsNoEdit)
{
    ChooseInBox(1);
    const TConstSet chosen = Form.SetPanel()->Chosen();
    Grid->item(Po4Ca, 1)->setText(QStringLiteral("-2"));   // PO4-Ca has no step 0
    Grid->item(AtpMg, 3)->setText(QStringLiteral("-0.5")); // nor ATP-Mg a step 2
    Click("BtnApply");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    EXPECT_EQ(Engine.Origin().EditedEntries, 0);
    EXPECT_EQ(Engine.BaseConst()[ligPO4][ptCa][0], 0);
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][2], 0);
    // Saved, it is the chosen set itself, not one "made ... with 2 entries edited".
    NextFile = Path("copy.json");
    Click("SaveSetBtn");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    const TConstSet saved = ReadConstSetFile(NextFile.toStdString());
    EXPECT_EQ(saved.Name, chosen.Name);
    EXPECT_EQ(saved.Description, chosen.Description);
    EXPECT_EQ(saved.Entries, chosen.Entries);

    // The third decimal, the last the grid shows, is an edit.
    Grid->item(EgtaCa, 1)->setText(QStringLiteral("10.971"));
    Click("BtnApply");
    EXPECT_EQ(Engine.Origin().EditedEntries, 1);
    EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][0], 10.971L);
    Grid->item(EgtaCa, 1)->setText(QStringLiteral("10.973"));

    // On a step the set has, a negative value removes it: one edit.
    Grid->item(EgtaCa, 2)->setText(QStringLiteral("-1"));
    Click("BtnApply");
    EXPECT_EQ(Engine.Origin().EditedEntries, 1);
    EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][1], 0);
}

TEST_F(ConstSetPanelTest, TheSourceOfAWeakBindingIsShownAsAnyOther)
{
    // A log10 K below 1 is a step that exists: its value and source are shown.
    NextFile = Path("weak.json");
    std::ofstream(NextFile.toStdString()) << R"({"format": "quelix constant set", "version": 1,
        "name": "Weak", "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1,
        "entries": [{"row": "ATP-H", "step": 2, "log10_k": 0.8, "source": "bench note 7"}]})";
    Click("OpenSetBtn");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    EXPECT_EQ(SetBox->currentText(), QStringLiteral("Weak (weak.json)"));
    const auto source = [this](int row, int col) {
        Grid->setCurrentCell(row, col);
        return Form.findChild<QPlainTextEdit*>(QStringLiteral("SourceText"))->toPlainText();
    };
    EXPECT_EQ(source(0, 3), QStringLiteral("ATP-H, step 2: log10 K 0.8\nSource: bench note 7"));
    EXPECT_EQ(source(0, 4), QStringLiteral("ATP-H, step 3: no such step"));
    // A value typed but not yet applied is the user's.
    Grid->item(0, 2)->setText(QStringLiteral("4.2"));
    EXPECT_EQ(
        source(0, 2), QStringLiteral("ATP-H, step 1: log10 K 4.200\nSource: ") + Q(EditedSource));
    // The info names the set's temperature and what the italics mean; the built-in
    // table, which takes nothing from elsewhere, says only what it is.
    auto* info = Form.findChild<QLabel*>(QStringLiteral("SetInfo"));
    EXPECT_TRUE(info->text().contains(QStringLiteral("Values at 20 \u00B0C; entries in italics")))
        << info->text().toStdString();
    ChooseInBox(0);
    EXPECT_EQ(info->text(), Q(BuiltInSet().Description));

    // A file dialog closed without a name saves nothing and says nothing.
    const int items = SetBox->count();
    NextFile.clear();
    Click("SaveSetBtn");
    Click("OpenSetBtn");
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(SetBox->count(), items);
}

TEST_F(ConstSetPanelTest, AFileThatDoesNotReadChangesNothing)
{
    ChooseInBox(1);
    Click("BtnApply");
    Grid->item(1, 1)->setText(QStringLiteral("4.4")); // an edit not yet applied
    const TConstTable before = Engine.BaseConst();
    const int items = SetBox->count();
    NextFile = Path("bad.json");
    std::ofstream(NextFile.toStdString()) << R"({"format": "quelix constant set", "version": 1,
        "name": "Bad", "reference_temperature_c": 20, "reference_ionic_strength_m": 0.1,
        "entries": [{"row": "ATP-H", "step": 0, "log10_k": 6.5, "source": "a"},
                    {"row": "ATP-Mg", "step": 3, "log10_k": 1, "source": "b"}]})";
    Click("OpenSetBtn");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("bad.json: entry 2 (ATP-Mg): step 3")))
        << Messages[0].toStdString();
    EXPECT_EQ(SetBox->count(), items);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("4.4"));
    EXPECT_EQ(Cell(EgtaCa, 1), QStringLiteral("    10.973"));
    EXPECT_EQ(Engine.BaseConst(), before);
    EXPECT_EQ(Form.SetPanel()->Chosen().Name, "NIST SRD 46, 20 \u00B0C, 0.1 M");
}

TEST_F(ConstSetPanelTest, TemperatureAndScaleComeWithApplyAndABadTemperatureStopsIt)
{
    ChooseInBox(1);
    auto* temperature = Form.findChild<QLineEdit*>(QStringLiteral("TemperatureEdit"));
    auto* scale = Form.findChild<QComboBox*>(QStringLiteral("pHScaleBox"));
    temperature->setText(QStringLiteral("25"));
    scale->setCurrentIndex(1);
    Click("BtnApply");
    EXPECT_EQ(Engine.TemperatureC(), TReal(25));
    EXPECT_EQ(Engine.pHScale(), TpHScale::psActivity);
    EXPECT_EQ(Engine.UncorrectedEntries(), 9);
    EXPECT_TRUE(Form.findChild<QLabel*>(QStringLiteral("UncorrectedLabel"))
                    ->text()
                    .startsWith(QStringLiteral("9 values have no enthalpy")));
    EXPECT_EQ(Form.findChild<QLabel*>(QStringLiteral("pcHLabel"))->text(),
              QStringLiteral("pcH = 6.873 at pH 7.00 and 0.150 M"));

    for (const char* bad : {"310.15", "warm"}) {
        SCOPED_TRACE(bad);
        Messages.clear();
        Grid->item(EgtaCa, 1)->setText(QStringLiteral("9"));
        temperature->setText(QString::fromLatin1(bad));
        Click("BtnApply");
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_TRUE(Messages[0].contains(QString::fromLatin1(bad)));
        EXPECT_EQ(Engine.BaseConst()[ligEGTA][ptCa][0], 10.973L); // the grid was not read
        EXPECT_EQ(Engine.TemperatureC(), TReal(25));
    }
    temperature->clear();
    scale->setCurrentIndex(0);
    Click("BtnApply");
    EXPECT_FALSE(Engine.TemperatureC());
    EXPECT_EQ(Engine.pHScale(), TpHScale::psConcentration);
    // pcH is pH itself on the concentration scale: nothing to show, nor uncorrected values.
    EXPECT_EQ(Form.findChild<QLabel*>(QStringLiteral("pcHLabel"))->text(), QString());
    EXPECT_EQ(Form.findChild<QLabel*>(QStringLiteral("UncorrectedLabel"))->text(), QString());
}

TEST(MainFormConditions, StatusBarAndReportNameTheConditionsOnlyOutsideTheDefaults)
{
    QTemporaryDir dir;
    TMainFormOptions options;
    options.IniFileName = dir.filePath(QStringLiteral("quelix.INI")).toStdString();
    std::vector<QString> messages;
    options.MessageSink = [&](QWidget*, TMessageKind, const QString& text) {
        messages.push_back(text);
    };
    TMainForm form(std::move(options));
    auto* console = form.findChild<QPlainTextEdit*>(QStringLiteral("Console"));
    form.Calculate();
    EXPECT_EQ(form.findChild<QStatusBar*>(QStringLiteral("ConditionsBar")), nullptr);
    EXPECT_FALSE(console->toPlainText().contains(QStringLiteral("Constants:")));

    TConstForm* dialog = form.ConstForm();
    auto* box = dialog->findChild<QComboBox*>(QStringLiteral("SetBox"));
    box->setCurrentIndex(1);
    Q_EMIT box->activated(1);
    dialog->findChild<QComboBox*>(QStringLiteral("pHScaleBox"))->setCurrentIndex(1);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BtnApply")), Qt::LeftButton);
    auto* bar = form.findChild<QStatusBar*>(QStringLiteral("ConditionsBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isHidden());
    const QString expected = QStringLiteral(
        "Constants: NIST SRD 46, 20 \u00B0C, 0.1 M; no temperature "
        "correction; pH is a meter reading (H+ activity), pcH = ");
    EXPECT_TRUE(bar->findChild<QLabel*>()->text().startsWith(expected));
    form.Calculate();
    EXPECT_TRUE(console->toPlainText().contains(QStringLiteral("\n\n") + expected));
    EXPECT_TRUE(messages.empty());

    QTest::mouseClick(
        dialog->findChild<QPushButton*>(QStringLiteral("BtnDefault")), Qt::LeftButton);
    dialog->findChild<QComboBox*>(QStringLiteral("pHScaleBox"))->setCurrentIndex(0);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BtnApply")), Qt::LeftButton);
    EXPECT_TRUE(bar->isHidden());
}

// The column headers name each step's complex; with a temperature the dialog says what is in
// force and gives the selected value in force beside the table's.
TEST_F(ConstSetPanelTest, HeadersNameTheComplexesAndTheValueInForceStandsBesideTheTables)
{
    const QStringList headers {
        QStringLiteral("Step 0\nHL, ML"), QStringLiteral("Step 1\nH\u2082L, MHL"),
        QStringLiteral("Step 2\nH\u2083L, MH\u2082L"), QStringLiteral("Step 3\nH\u2084L")};
    for (int col = 1; col < TConstForm::ColCount; ++col)
        EXPECT_EQ(Grid->horizontalHeaderItem(col)->text(), headers.at(col - 1));
    EXPECT_FALSE(Grid->horizontalHeader()->isHidden());
    // Every row is still in view below the headers.
    EXPECT_LE(
        Grid->horizontalHeader()->height() + TConstForm::RowCount * 18 + 2 * Grid->frameWidth(),
        Grid->height());

    auto* inForce = Form.findChild<QLabel*>(QStringLiteral("InForceLabel"));
    auto* source = Form.findChild<QPlainTextEdit*>(QStringLiteral("SourceText"));
    EXPECT_TRUE(inForce->text().startsWith(QStringLiteral("In force: Constants: Built-in;")));
    ChooseInBox(1);
    Form.findChild<QLineEdit*>(QStringLiteral("TemperatureEdit"))->setText(QStringLiteral("37"));
    Click("BtnApply");
    ASSERT_TRUE(Messages.empty());
    EXPECT_TRUE(inForce->text().contains(QStringLiteral("temperature 37 \u00B0C")))
        << inForce->text().toStdString();
    Grid->setCurrentCell(EgtaCa, 1);
    // What a calculation at 37 degrees uses: the engine's own constants at 0.1 M.
    TEngine at01 = Engine;
    at01.SetIonStr(0.1L);
    at01.AdjustConstants();
    const TReal used = at01.CorrConst()[ligEGTA][ptCa][0];
    EXPECT_NE(FormatFixed(used, 0, 3), FormatFixed(Engine.BaseConst()[ligEGTA][ptCa][0], 0, 3));
    EXPECT_TRUE(source->toPlainText().contains(
        QStringLiteral("In force at 37 \u00B0C: log10 K %1 (table %2)")
            .arg(Q(FormatFixed(used, 0, 3)),
                 Q(FormatFixed(Engine.BaseConst()[ligEGTA][ptCa][0], 0, 3)))))
        << source->toPlainText().toStdString();

    // No temperature: no such line.
    Form.findChild<QLineEdit*>(QStringLiteral("TemperatureEdit"))->clear();
    Click("BtnApply");
    Grid->setCurrentCell(EgtaCa, 2);
    EXPECT_FALSE(source->toPlainText().contains(QStringLiteral("In force")));
}
