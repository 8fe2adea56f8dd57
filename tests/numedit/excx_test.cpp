// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/SaNumEditExCXModel.h"

#include "engine/calcerror.h"
#include "engine/realtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

// The main window's field: DecimalLength 8, every other property at its default.
class ExCXField : public ::testing::Test {
protected:
    ExCXField()
    {
        Edit.SetDecimalLength(8);
        Edit.OnChange = [this](TSaNumEditModel&) { ++Changes; };
    }

    std::string NotAFloatMessage()
    {
        try {
            (void)Edit.GetValue();
        } catch (const TCalcError& e) {
            return e.what();
        }
        return "(no error)";
    }

    TSaNumEditExCXModel Edit;
    int Changes = 0;
};

TEST_F(ExCXField, SetValueShowsWhatTheFieldCanHoldAndKeepsTheFullValue)
{
    struct TCase {
        TReal X;
        std::string Value;
        std::string Image;
        TReal Shown; // what the shown text alone denotes
        bool Cut;    // the text lost digits of the 15 that x is shown with
    };
    const TCase cases[] = {
        {123456789.0L, "123456789", "123,456,789", 123456789.0L, false},
        {-0.5L, "-0.5", "-0.5", -0.5L, false},
        {0.00005L, "0.00005", "0.00005", 0.00005L, false},
        {1.23456789012E-6L, "0.00000123", "0.00000123", 1.23E-6L, true},
        {2.0L / 3.0L, "0.66666666", "0.66666666", 0.66666666L, true},
        {1E-9L, "0.00000000", "0.00000000", 0.0L, true},
        {12345.5L, "12345.5", "12,345.5", 12345.5L, false},
        {0.0L, "0", "0", 0.0L, false},
        // Beyond 15 digits a text is no cut: it reads back as it always did.
        {-123456789.12345678L, "-123456789.123457", "-123,456,789.123457", -123456789.123457L,
         false},
        {0.0005L * 1000, "0.5", "0.5", 0.5L, false},
        // A free Ca++ of 1.970 nM in mM: shown as 0.00000196, read back as 1.969...E-6.
        {1.96999999999887E-6L, "0.00000196", "0.00000196", 1.96E-6L, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Value);
        Edit.SetValue(c.X);
        EXPECT_EQ(Edit.ValueText(), c.Value);
        EXPECT_EQ(Edit.ImageText(), c.Image);
        EXPECT_EQ(TextToReal(Edit.GetText()), c.Shown);
        EXPECT_EQ(Edit.KeepsFullValue(), c.Cut);
        EXPECT_EQ(Edit.GetValue(), c.Cut ? c.X : c.Shown);
    }
    EXPECT_EQ(Changes, 0);
    Edit.SetValue(-1E-9L);
    EXPECT_EQ(Edit.ValueText(), "-0.00000000");
    EXPECT_EQ(Edit.GetValue(), -1E-9L);
}

TEST_F(ExCXField, AWrittenValueIsReplacedByTheNextOneThatShowsTheSameText)
{
    Edit.SetValue(1.9699991E-6L);
    Edit.SetValue(1.9699993E-6L);
    EXPECT_EQ(Edit.ValueText(), "0.00000196");
    EXPECT_EQ(Edit.GetValue(), 1.9699993E-6L);
}

TEST_F(ExCXField, AnyChangeOfTheShownTextReadsTheTextAgain)
{
    TSaNumEditMemoryClipboard clipboard;
    Edit.SetClipboard(&clipboard);
    struct TCase {
        const char* Name;
        std::function<void(TSaNumEditExCXModel&)> Act;
        bool Keeps;
        TReal Read;
    };
    const TReal third = 1.0L / 3.0L;
    const TCase cases[] = {
        {"delete and type back",
         [](auto& e) {
             e.DeleteLastChar();
             e.InputDigit('3');
         },
         false, 0.33333333L},
        {"type over the selection",
         [](auto& e) {
             e.SelectAll();
             e.InputDigit('4');
         },
         false, 4},
        {"clear and undo",
         [](auto& e) {
             e.SelectAll();
             e.ClearText();
             e.Undo();
         },
         false, 0.33333333L},
        {"paste after the number",
         [&](auto& e) {
             clipboard.SetText("9");
             e.PasteText();
         },
         false, 0.33333333L},
        {"cut and paste back",
         [](auto& e) {
             e.SelectAll();
             e.CutText();
             e.PasteText();
         },
         false, 0.33333333L},
        {"program writes another text", [](auto& e) { e.SetText("2.5E-1"); }, false, 0.25L},
        {"fewer decimals allowed", [](auto& e) { e.SetDecimalLength(2); }, false, 0.33L},
        // Nothing that leaves the text as shown lets the full value go.
        {"program writes the shown text", [](auto& e) { e.SetText("0.33333333"); }, true, third},
        {"select, copy, deselect",
         [](auto& e) {
             e.SelectAll();
             e.CopyText();
             e.Deselect();
         },
         true, third},
        {"refused second point", [](auto& e) { e.InputPoint(); }, true, third},
        {"grouping off, marks on",
         [](auto& e) {
             e.SetComma(false);
             e.SetRightMark(" mM");
         },
         true, third},
        {"leaving the field", [](auto& e) { e.DropLoneMinus(); }, true, third},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Edit.SetDecimalLength(8);
        Edit.SetValue(third);
        Edit.Deselect();
        c.Act(Edit);
        EXPECT_EQ(Edit.KeepsFullValue(), c.Keeps) << Edit.ValueText();
        EXPECT_EQ(Edit.GetValue(), c.Read) << Edit.ValueText();
    }
}

TEST_F(ExCXField, NumbersTheFieldCannotHoldLeaveItEmpty)
{
    for (TReal x :
         {1E9L, -1E9L, 1.5E15L, std::numeric_limits<TReal>::infinity(),
          -std::numeric_limits<TReal>::infinity(), std::numeric_limits<TReal>::quiet_NaN()}) {
        SCOPED_TRACE(static_cast<double>(x));
        Edit.SetValue(5);
        Edit.SetValue(x);
        EXPECT_EQ(Edit.ValueText(), "");
        EXPECT_EQ(NotAFloatMessage(), "'' は浮動小数点数ではありません");
    }
    Edit.SetText("-");
    EXPECT_EQ(NotAFloatMessage(), "'-' は浮動小数点数ではありません");
}

TEST_F(ExCXField, TextSpeaksExponentNotation)
{
    struct TCase {
        std::string Written;
        std::string Value;
        std::string Read;
    };
    const TCase cases[] = {
        {"1.5E-7", "0.00000015", "1.5E-7"},
        {"2.5e3", "2500", "2.5E3"},
        {"05e1", "50", "5E1"},
        {"1.234567891e-1", "0.12345678", "1.2345678E-1"},
        {"2.5e", "2.5", "2.5"},
        {"1e10", "", ""},
        {"-1.25E1", "-12.5", "-1.25E1"},
        {"1e999999999999", "", ""},
        {"1e-999999999999", "0.00000000", "0E-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Written);
        Edit.SetText(c.Written);
        EXPECT_EQ(Edit.ValueText(), c.Value);
        EXPECT_EQ(Edit.GetText(), c.Read);
    }
}

TEST_F(ExCXField, WithoutCanExponentTheTextIsPlain)
{
    Edit.SetCanExponent(false);
    Edit.SetText("1.5e-7");
    EXPECT_EQ(Edit.ValueText(), "1.5");
    EXPECT_EQ(Edit.GetText(), "1.5");
    Edit.SetText("12345.5");
    EXPECT_EQ(Edit.GetText(), "12345.5");
    EXPECT_EQ(Edit.GetValue(), 12345.5L);
}

TEST_F(ExCXField, TypedZerosReadAsZero)
{
    for (const char* typed : {"0.00000000", "-0.000", "-0", "-0.", "0."}) {
        SCOPED_TRACE(typed);
        Edit.SetText(typed);
        EXPECT_EQ(Edit.ValueText(), typed);
        const TReal v = Edit.GetValue();
        EXPECT_EQ(v, 0.0L);
        EXPECT_FALSE(std::signbit(v));
    }
}

TEST_F(ExCXField, GetTextGoesThroughTheVirtualAccessor)
{
    TSaNumEditModel& base = Edit;
    base.SetText("1.5E-7");
    EXPECT_EQ(base.GetText(), "1.5E-7");
    EXPECT_EQ(Edit.ValueText(), "0.00000015");
}

} // namespace
