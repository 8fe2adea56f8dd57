// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/constform.h"

#include "engine/bindconst.h"
#include "engine/realtext.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using enum TLigand;
using enum TPartner;

namespace {

struct TMessage {
    TMessageKind Kind;
    QString Text;
};

// The engine as the main window leaves it before it creates the dialog.
TEngine StartedEngine()
{
    TEngine engine;
    engine.SetpH(8);
    engine.SetIonStr(0.2L);
    engine.LoadDefaultConstants();
    engine.AdjustConstants();
    engine.MakeApparentConstants();
    return engine;
}

class ConstFormTest : public ::testing::Test {
protected:
    ConstFormTest()
    {
        Form.SetMessageSink([this](QWidget*, TMessageKind kind, const QString& text) {
            Messages.push_back({kind, text});
        });
        Grid = Form.findChild<QTableWidget*>(QStringLiteral("ConstGrid"));
    }

    QString Cell(int row, int col) const { return Grid->item(row, col)->text(); }
    void SetCell(int row, int col, const char* text)
    {
        Grid->item(row, col)->setText(QString::fromUtf8(text));
    }
    void Click(const char* button)
    {
        auto* b = Form.findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void ShowActive()
    {
        Form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    }

    TEngine Engine = StartedEngine();
    const TConstTable Defaults = Engine.BaseConst();
    TConstForm Form {Engine};
    QTableWidget* Grid = nullptr;
    std::vector<TMessage> Messages;
};

TReal ShownValue(TReal x)
{
    return *TextToReal(FormatFixed(x, 10, 3));
}

TEST_F(ConstFormTest, GridShowsTheTableWithThreeDecimalsAndEmptyCellsForAbsentSteps)
{
    ASSERT_NE(Grid, nullptr);
    ASSERT_EQ(Grid->rowCount(), 15);
    ASSERT_EQ(Grid->columnCount(), 5);
    const char* labels[] = {"ATP-H",   "ATP-Mg", "ATP-Ca",  "EGTA-H",  "EGTA-Mg",
                            "EGTA-Ca", "EDTA-H", "EDTA-Mg", "EDTA-Ca", "ADP-H",
                            "ADP-Mg",  "ADP-Ca", "PO4-H",   "PO4-Mg",  "PO4-Ca"};
    for (int row = 0; row < 15; ++row) {
        EXPECT_EQ(Cell(row, 0), QString::fromLatin1(labels[row]));
        EXPECT_FALSE(Grid->item(row, 0)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_EQ(Cell(0, 1), QStringLiteral("     6.500"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("     4.050"));
    EXPECT_EQ(Cell(0, 3), QString());
    EXPECT_EQ(Cell(6, 1), QStringLiteral("    10.260"));
    EXPECT_EQ(Cell(11, 4), QString());
    EXPECT_EQ(Cell(13, 1), QString()); // PO4-Mg has only its second step
    EXPECT_EQ(Cell(13, 2).toStdString(), FormatFixed(Defaults[ligPO4][ptMg][1], 10, 3));
}

TEST_F(ConstFormTest, ApplyWithoutEditsRoundsEveryConstantToThreeDecimals)
{
    Click("BtnApply");
    EXPECT_TRUE(Messages.empty());
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const TReal d = Defaults[lig][pt][step];
                EXPECT_EQ(Engine.BaseConst()[lig][pt][step], d > 0 ? ShownValue(d) : 0);
            }
    // The computed phosphate defaults change beyond their third decimal.
    EXPECT_NE(Engine.BaseConst()[ligPO4][ptH][0], Defaults[ligPO4][ptH][0]);

    // The derived tables were rebuilt from the rounded table.
    TEngine fresh = Engine;
    fresh.AdjustConstants();
    fresh.MakeApparentConstants();
    EXPECT_EQ(Engine.AppConst(), fresh.AppConst());
    EXPECT_EQ(Engine.BindSums(), fresh.BindSums());
}

TEST_F(ConstFormTest, ApplyKeepsPositiveNumbersAndRemovesTheStepForAnythingElse)
{
    struct TCase {
        const char* Text;
        TReal Expected;
    };
    const TCase cases[] = {
        {"4.5", 4.5L},     {"  4.5", 4.5L},     {"+4.5", 4.5L},
        {"5.", 5},         {".5", 0.5L},        {"45E-1", 4.5L},
        {"0.45e+1", 4.5L}, {"4.0005", 4.0005L}, {"-4.5", 0},
        {"0", 0},          {"0.0004", 0.0004L}, {"abc", 0},
        {"4,5", 0},        {"4.5 ", 0},         {"4.5\t", 0},
        {"", 0},           {"4.5x", 0},         {"1e", 0},
        {".", 0},          {"4..5", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string("cell text '") + c.Text + "'");
        SetCell(1, 1, c.Text); // ATP-Mg, first step
        Click("BtnApply");
        EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][0], c.Expected);
        EXPECT_EQ(Cell(1, 1).toStdString(),
                  c.Expected > 0 ? FormatFixed(c.Expected, 10, 3) : std::string());
        // The other cells are read back unchanged.
        EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][1], ShownValue(Defaults[ligATP][ptMg][1]));
    }
    EXPECT_TRUE(Messages.empty());

    // A value kept above zero but shown as 0.000 is removed by the next Apply.
    SetCell(1, 1, "0.0004");
    Click("BtnApply");
    Click("BtnApply");
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][0], 0);
    EXPECT_EQ(Cell(1, 1), QString());
}

TEST_F(ConstFormTest, ValueTypedIntoAnEmptyCellAddsThatStep)
{
    const TReal sumBefore = Engine.BindSums()[ligATP][ptH];
    SetCell(0, 3, "2.5"); // a third ATP protonation step
    Click("BtnApply");
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptH][2], 2.5L);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("     2.500"));
    EXPECT_GT(Engine.AppConst()[ligATP][ptH][2], 0);
    EXPECT_GT(Engine.BindSums()[ligATP][ptH], sumBefore);
}

TEST_F(ConstFormTest, DefaultThenCancelKeepsTheDefaultsAndCancelKeepsTheGridsUnappliedText)
{
    SetCell(1, 1, "5");
    Click("BtnApply");
    const TConstTable appliedApp = Engine.AppConst();
    ShowActive();
    Click("BtnDefault");
    EXPECT_EQ(Engine.BaseConst(), Defaults);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("     4.000"));
    EXPECT_EQ(Engine.AppConst(), appliedApp); // rebuilt only by Apply, OK or a calculation

    SetCell(2, 2, "7.777");
    Click("BtnCancel");
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Engine.BaseConst(), Defaults);

    ShowActive();
    EXPECT_EQ(Cell(2, 2), QStringLiteral("7.777"));
    Click("BtnOK");
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptCa][1], 7.777L);
}

TEST_F(ConstFormTest, FailingApplyReportsTheMessageAndOkKeepsTheDialogOpen)
{
    struct TCase {
        const char* Name;
        TReal IonStr;
        const char* CellText;
        std::string_view Message;
    };
    const TCase cases[] = {
        {"negative ionic strength", -0.1L, "4", CalcMessage::NegativeIonStr},
        {"constant beyond the extended range", 0.2L, "5000", CalcMessage::Overflow},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Messages.clear();
        Engine.SetIonStr(c.IonStr);
        SetCell(1, 1, c.CellText);
        ShowActive();
        Click("BtnOK");
        EXPECT_TRUE(Form.isVisible());
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0].Kind, TMessageKind::mkError);
        EXPECT_EQ(Messages[0].Text,
                  QString::fromUtf8(c.Message.data(), static_cast<qsizetype>(c.Message.size())));
        // The grid was read before the failing step; the cell is not redrawn.
        EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][0], *TextToReal(c.CellText));
        EXPECT_EQ(Cell(1, 1), QString::fromLatin1(c.CellText));
    }
}

TEST_F(ConstFormTest, EnterActsAsOkAndEscAsCancelWhenNoCellIsBeingEdited)
{
    auto* help = Form.findChild<QPushButton*>(QStringLiteral("BtnHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(help->isEnabled());

    ShowActive();
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("BtnOK"));
    SetCell(1, 1, "4.5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Engine.BaseConst(), Defaults);

    ShowActive();
    Grid->setFocus();
    QTest::keyClick(Grid, Qt::Key_Return);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptMg][0], 4.5L);
}

TEST_F(ConstFormTest, EnterInACellEditorEndsTheEditAndKeepsTheDialogOpen)
{
    ShowActive();
    Grid->setFocus();
    Grid->setCurrentCell(0, 3);
    QTest::keyClick(Grid, Qt::Key_2); // typing starts the edit in place
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, Grid);
    QTest::keyClicks(editor, QStringLiteral(".5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the view commits the editor's data when queued
    EXPECT_TRUE(Form.isVisible());
    EXPECT_EQ(Cell(0, 3), QStringLiteral("2.5"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(Engine.BaseConst()[ligATP][ptH][2], 2.5L);
}

} // namespace

TEST_F(ConstFormTest, ColumnHeadersNameTheComplexOfEachStepAndEveryRowStaysInView)
{
    ShowActive();
    // Each header names the complexes of the step its column edits: a proton row's cell
    // in a column is the protonation that header names, a metal row's the complex.
    for (int col = 1; col < TConstForm::ColCount; ++col) {
        SCOPED_TRACE(col);
        const QTableWidgetItem* header = Grid->horizontalHeaderItem(col);
        ASSERT_NE(header, nullptr);
        EXPECT_TRUE(header->text().startsWith(QStringLiteral("Step %1").arg(col - 1)));
        EXPECT_EQ(GridEntry(0, col).Step, static_cast<std::size_t>(col - 1));
        // Every line of the text fits its column, not elided.
        for (const QString& line : header->text().split(QLatin1Char('\n')))
            EXPECT_LE(Grid->horizontalHeader()->fontMetrics().horizontalAdvance(line) + 6,
                      Grid->columnWidth(col));
    }
    EXPECT_TRUE(Grid->horizontalHeader()->isVisible());
    // The fifteen rows stay in view under the header, without a scroll bar.
    EXPECT_FALSE(Grid->verticalScrollBar()->isVisible());
    const int lastRow = TConstForm::RowCount - 1;
    EXPECT_LE(Grid->visualItemRect(Grid->item(lastRow, 1)).bottom(), Grid->viewport()->height());
}
