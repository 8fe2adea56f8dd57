// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The further ligands in the window: the dialog, the calculation and report, the settings
// file and the constant set in force.
#include "ui/furtherform.h"

#include "constsets/setfile.h"
#include "numedit/SaNumEditExCX.h"
#include "ui/constform.h"
#include "ui/constsetpanel.h"
#include "ui/main.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class FurtherFormTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> Start()
    {
        TMainFormOptions options;
        options.IniFileName = Ini().toStdString();
        options.MessageSink = [this](QWidget*, TMessageKind, const QString& text) {
            Messages.push_back(text);
        };
        auto form = std::make_unique<TMainForm>(std::move(options));
        form->findChild<QAction*>(QStringLiteral("miFurtherLigands"))->trigger();
        return form;
    }
    QString Ini() const { return Dir.filePath(QStringLiteral("quelix.INI")); }
    QString ReadIni() const
    {
        QFile file(Ini());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    }
    void WriteIni(const QString& text)
    {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    template <typename T>
    static T* Child(QObject* parent, const QString& name)
    {
        auto* child = parent->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }
    // Row `row` (from 1) of the dialog takes `ligand` (its chooser's text) and `total` mM.
    static void Choose(TMainForm& form, int row, const QString& ligand, const char* total)
    {
        TFurtherForm* dialog = form.FurtherForm();
        auto* box = Child<QComboBox>(dialog, QStringLiteral("LigandBox%1").arg(row));
        const int index = box->findText(ligand);
        ASSERT_GE(index, 0) << ligand.toStdString();
        box->setCurrentIndex(index);
        Child<TSaNumEditExCX>(dialog, QStringLiteral("TotalEdit%1").arg(row))
            ->SetText(QString::fromLatin1(total));
    }
    static void Click(QWidget* parent, const char* name)
    {
        QTest::mouseClick(Child<QPushButton>(parent, QString::fromLatin1(name)), Qt::LeftButton);
    }
    static void SetField(TMainForm& form, const char* name, const char* text)
    {
        Child<TSaNumEditExCX>(&form, QString::fromLatin1(name))->SetText(QString::fromLatin1(text));
    }

    QTemporaryDir Dir;
    std::vector<QString> Messages;
};

// A lab's set of its own that defines CrP differently from the library, and a chelator of
// its own.
TConstSet LabSet()
{
    TConstSet set = BuiltInSet();
    set.Name = "Lab";
    set.ReferenceC = 20;
    for (const auto& [name, mgLogK] : {std::pair {"CrP", 2.5L}, std::pair {"LabChelator", 3.0L}}) {
        TLigandDef def;
        def.Name = name;
        def.Charge = -3;
        def.Entries[TPartner::ptH][0] = TSetEntry {4.5L, std::nullopt, {}, "lab", false};
        def.Entries[TPartner::ptMg][0] = TSetEntry {mgLogK, std::nullopt, {}, "lab", false};
        set.Ligands.push_back(def);
    }
    return set;
}

} // namespace

// In a mode where free Mg++ is an input, a further ligand adds to the total Mg exactly the
// Mg it binds (its MgL and MgHL), and the report shows its block.
TEST_F(FurtherFormTest, ChosenLigandReachesTheCalculationAndItsMgBalance)
{
    auto form = Start();
    form->SetModeIndex(2);
    form->RadioGroup1Click();
    SetField(*form, "pHEdit", "7");
    SetField(*form, "IonStrEdit", "0.15");
    SetField(*form, "tEGTAEdit", "7");
    form->Calculate();
    const TReal totalMgWithout = form->State().TotalMg;

    Choose(*form, 1, QStringLiteral("CrP"), "14.5");
    Click(form->FurtherForm(), "BtnOK");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();
    EXPECT_TRUE(form->FurtherForm()->isHidden());
    ASSERT_EQ(form->Engine().FurtherLigands().size(), 1U);
    EXPECT_EQ(form->Engine().FurtherLigands()[0].Name, "CrP");
    EXPECT_EQ(form->State().Further[0].Total, 0.0145L);

    form->Calculate();
    const TFurtherSpecies& crp = form->State().Further[0];
    EXPECT_GT(crp.Mg, 0);
    const TReal bound = crp.Mg + crp.MgH;
    EXPECT_NEAR(form->State().TotalMg - totalMgWithout, bound, 1e-12L * totalMgWithout);
    // The CrP mass balance closes.
    TReal crpSum = crp.Free + crp.Mg + crp.MgH + crp.Ca + crp.CaH;
    for (const TReal h : crp.Protonated)
        crpSum += h;
    EXPECT_NEAR(crpSum, 0.0145L, 1e-12L);
    const QString console =
        form->findChild<QPlainTextEdit*>(QStringLiteral("Console"))->toPlainText();
    EXPECT_TRUE(console.contains(QStringLiteral("CrP"))) << console.toStdString();
}

TEST_F(FurtherFormTest, RowsAreClearedAndWhatCannotBeUsedIsRefused)
{
    auto form = Start();
    TFurtherForm* dialog = form->FurtherForm();
    struct TCase {
        const char* Second;
        const char* Total;
        const char* Message;
    };
    const TCase cases[] = {{"CrP", "1", "CrP is chosen twice."},
                           {"HEDTA", "-1", "The total of HEDTA must not be negative."}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Message);
        Messages.clear();
        Choose(*form, 1, QStringLiteral("CrP"), "14.5");
        Choose(*form, 3, QString::fromLatin1(c.Second), c.Total);
        Click(dialog, "BtnApply");
        ASSERT_EQ(Messages.size(), 1U);
        EXPECT_EQ(Messages[0], QString::fromLatin1(c.Message));
        EXPECT_TRUE(form->Engine().FurtherLigands().empty());
    }
    // Cleared, the third row no longer counts; the ligands fill the rows from the top.
    Messages.clear();
    Click(dialog, "ClearBtn3");
    Choose(*form, 4, QStringLiteral("HEDTA"), "2");
    Click(dialog, "BtnApply");
    EXPECT_TRUE(Messages.empty());
    ASSERT_EQ(form->Engine().FurtherLigands().size(), 2U);
    EXPECT_EQ(form->Engine().FurtherLigands()[1].Name, "HEDTA");
    EXPECT_EQ(Child<QComboBox>(dialog, QStringLiteral("LigandBox2"))->currentText(),
              QStringLiteral("HEDTA"));
    EXPECT_EQ(Child<QComboBox>(dialog, QStringLiteral("LigandBox4"))->currentIndex(), 0);
}

TEST_F(FurtherFormTest, LigandsWithEstimatedConstantsAreMarked)
{
    auto form = Start();
    auto* box = Child<QComboBox>(form->FurtherForm(), QStringLiteral("LigandBox1"));
    const std::vector<TKnownLigand> known = KnownLigands(BuiltInSet());
    ASSERT_EQ(box->count(), static_cast<int>(known.size()) + 1);
    bool anyEstimate = false;
    for (std::size_t i = 0; i < known.size(); ++i) {
        SCOPED_TRACE(known[i].Def->Name);
        box->setCurrentIndex(static_cast<int>(i) + 1);
        const bool estimate = HasEstimates(*known[i].Def);
        anyEstimate |= estimate;
        EXPECT_EQ(box->currentText().contains(QStringLiteral("estimates")), estimate);
        EXPECT_EQ(Child<QLabel>(form->FurtherForm(), QStringLiteral("NoteLabel1"))
                      ->text()
                      .contains(QStringLiteral("estimates")),
                  estimate);
    }
    EXPECT_TRUE(anyEstimate); // the library holds some
}

TEST_F(FurtherFormTest, SettingsKeepTheLigandsAndAnUnknownNameIsSaidOnceAndKept)
{
    {
        auto form = Start();
        Choose(*form, 1, QStringLiteral("CrP"), "14.5");
        Click(form->FurtherForm(), "BtnOK");
        form->SetAsDefault();
    }
    EXPECT_TRUE(ReadIni().endsWith(QStringLiteral("CaADP=0\nFurtherLigand1=CrP=0.0145\n")))
        << ReadIni().toStdString();
    {
        auto form = Start();
        EXPECT_TRUE(Messages.empty());
        ASSERT_EQ(form->Engine().FurtherLigands().size(), 1U);
        EXPECT_EQ(form->State().Further[0].Total, 0.0145L);
        EXPECT_EQ(
            Child<QComboBox>(form->FurtherForm(), QStringLiteral("LigandBox1"))->currentText(),
            QStringLiteral("CrP"));
    }

    QString text = ReadIni();
    text.replace(QStringLiteral("FurtherLigand1=CrP=0.0145"),
                 QStringLiteral("FurtherLigand1=LabChelator=0.001\nFurtherLigand2=CrP=0.002"));
    WriteIni(text);
    auto form = Start();
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("FurtherLigand1: LabChelator")))
        << Messages[0].toStdString();
    ASSERT_EQ(form->Engine().FurtherLigands().size(), 1U);
    EXPECT_EQ(form->State().Further[0].Total, 0.002L);
    form->SetAsDefault();
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("FurtherLigand1=LabChelator=0.001\n")));
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("FurtherLigand2=CrP=0.002\n")));
}

// A ligand always carries the definition of the set in force; one the set in force does not
// know is dropped, and the user hears of it.
TEST_F(FurtherFormTest, LigandsFollowTheConstantSetInForce)
{
    const QString path = Dir.filePath(QStringLiteral("lab.json"));
    WriteConstSetFile(path.toStdString(), LabSet());
    auto form = Start();
    TConstForm* constants = form->ConstForm();
    constants->SetPanel()->SetFileChooser([&](QWidget*, bool) { return path; });
    Click(constants, "OpenSetBtn");
    Click(constants, "BtnApply");
    ASSERT_TRUE(Messages.empty()) << Messages.front().toStdString();

    // The dialog now offers the set's own ligand, and the set's CrP.
    Choose(*form, 1, QStringLiteral("CrP"), "14.5");
    Choose(*form, 2, QStringLiteral("LabChelator"), "1");
    Click(form->FurtherForm(), "BtnApply");
    ASSERT_EQ(form->Engine().FurtherLigands().size(), 2U);
    EXPECT_EQ(form->Engine().FurtherLigands()[0].BaseConst[TPartner::ptMg][0], 2.5L);

    // Back to the built-in set: the library's CrP replaces the lab's; LabChelator goes.
    Click(constants, "BtnDefault");
    ASSERT_EQ(Messages.size(), 1U);
    EXPECT_TRUE(Messages[0].contains(QStringLiteral("LabChelator"))) << Messages[0].toStdString();
    ASSERT_EQ(form->Engine().FurtherLigands().size(), 1U);
    const TFurtherLigand library = EngineLigand(*FindLigand(BuiltInSet(), "CrP"));
    EXPECT_EQ(form->Engine().FurtherLigands()[0].BaseConst, library.BaseConst);
    EXPECT_EQ(form->State().Further[0].Total, 0.0145L);
    EXPECT_EQ(
        Child<QComboBox>(form->FurtherForm(), QStringLiteral("LigandBox2"))->currentIndex(), 0);
}

TEST(FollowConstantSet, WithoutLigandsNothingChanges)
{
    TEngine engine;
    TCalcState state;
    state.Further[0].Total = 1; // not the engine's: left alone
    EXPECT_TRUE(FollowConstantSet(engine, state, LabSet()).empty());
    EXPECT_EQ(state.Further[0].Total, 1);
}

// The window never widens to fit the conditions line; the line is cut and whole in its tip.
TEST_F(FurtherFormTest, LongConditionsLineDoesNotWidenTheWindow)
{
    TConstSet set = LabSet();
    set.Name = std::string(150, 'L');
    const QString path = Dir.filePath(QStringLiteral("long.json"));
    WriteConstSetFile(path.toStdString(), set);
    auto form = Start();
    form->show();
    const int width = form->width();
    TConstForm* constants = form->ConstForm();
    constants->SetPanel()->SetFileChooser([&](QWidget*, bool) { return path; });
    Click(constants, "OpenSetBtn");
    Click(constants, "BtnApply");
    QApplication::processEvents();
    auto* bar = form->findChild<QStatusBar*>(QStringLiteral("ConditionsBar"));
    ASSERT_NE(bar, nullptr);
    auto* label = bar->findChild<QLabel*>(QStringLiteral("ConditionsLabel"));
    EXPECT_TRUE(label->text().contains(QString::fromStdString(set.Name)));
    EXPECT_EQ(label->toolTip(), label->text());
    EXPECT_EQ(form->width(), width);
    EXPECT_LE(form->minimumSizeHint().width(), width);
}

// Lines of the settings file that name no ligand the set knows, one given twice (in other
// letters) or a negative total are not used, are named, and are kept for Save.
TEST(UseStoredLigandLines, UsesWhatTheSetKnowsAndKeepsTheRest)
{
    TEngine engine;
    TCalcState state;
    TKeptLigandLines kept {};
    const TStoredLigand lines[] = {
        {0, "crp", 0.001L}, {1, "CrP", 0.002L}, {2, "BAPTA", -1}, {3, "LabChelator", 0.003L}};
    const std::string message = UseStoredLigandLines(engine, state, BuiltInSet(), lines, kept);
    ASSERT_EQ(engine.FurtherLigands().size(), 1U);
    EXPECT_EQ(engine.FurtherLigands()[0].Name, "CrP"); // the library's spelling
    EXPECT_EQ(state.Further[0].Total, 0.001L);
    EXPECT_EQ(kept, (TKeptLigandLines {false, true, true, true}));
    for (const char* part :
         {"FurtherLigand2: CrP is given twice", "FurtherLigand3: BAPTA has a negative total",
          "FurtherLigand4: LabChelator is not a known further ligand", "Known further ligands: "})
        EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;

    // Under the lab's set, LabChelator is known and takes its definition from there.
    TEngine labEngine;
    TCalcState labState;
    kept = {};
    EXPECT_EQ(
        UseStoredLigandLines(labEngine, labState, LabSet(), std::span(lines).subspan(3), kept), "");
    ASSERT_EQ(labEngine.FurtherLigands().size(), 1U);
    EXPECT_EQ(labEngine.FurtherLigands()[0].BaseConst[TPartner::ptMg][0], 3.0L);
}
