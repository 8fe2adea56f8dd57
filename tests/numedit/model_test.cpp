// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/SaNumEditModel.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

// Counts what the model asks of its window; measures with the fixed-pitch rule.
class TFakeHost : public TSaNumEditHost {
public:
    TSize ClientSize() const override { return Client; }
    void RequestRepaint() override { ++Repaints; }
    void Beep() override { ++Beeps; }
    void AdjustHeight() override { ++HeightAdjusts; }
    void AdjustWidth() override { ++WidthAdjusts; }

    TSize Client {117, 16};
    int Repaints = 0;
    int Beeps = 0;
    int HeightAdjusts = 0;
    int WidthAdjusts = 0;
};

// Drives a field with one character per operation: digits, "." and "-" are typed, "<" is
// Backspace, "a" select all, "x" cut, "c" copy, "v" paste, "u" undo, "k" clear. The image
// must follow the value after every step.
void Drive(TSaNumEditModel& e, std::string_view keys)
{
    for (char k : keys) {
        switch (k) {
        case '.':
            e.InputPoint();
            break;
        case '-':
            e.InputMinus();
            break;
        case '<':
            e.DeleteLastChar();
            break;
        case 'a':
            e.SelectAll();
            break;
        case 'x':
            e.CutText();
            break;
        case 'c':
            e.CopyText();
            break;
        case 'v':
            e.PasteText();
            break;
        case 'u':
            e.Undo();
            break;
        case 'k':
            e.ClearText();
            break;
        default:
            e.InputDigit(k);
            break;
        }
        EXPECT_EQ(e.ImageText(), e.MakeImage(e.ValueText()));
    }
}

class NumEditModel : public ::testing::Test {
protected:
    NumEditModel()
    {
        Edit.OnChange = [this](TSaNumEditModel& sender) {
            EXPECT_EQ(&sender, &Edit);
            ++Changes;
        };
    }

    void Run(std::string_view keys) { Drive(Edit, keys); }

    TFakeHost Host;
    TSaNumEditMemoryClipboard Clip;
    TSaNumEditModel Edit {&Host, &Clip};
    int Changes = 0;
};

TEST_F(NumEditModel, ImageFollowsTheFormattingProperties)
{
    struct TCase {
        const char* Name;
        void (*Setup)(TSaNumEditModel&);
        std::string Value;
        std::string Image;
    };
    const TCase cases[] = {
        {"no comma", [](TSaNumEditModel& e) { e.SetComma(false); }, "1234567.5", "1234567.5"},
        {"decimal fixed", [](TSaNumEditModel& e) { e.SetDecimalFixed(true); }, "12", "12.000"},
        {"decimal fixed, empty", [](TSaNumEditModel& e) { e.SetDecimalFixed(true); }, "", "0.000"},
        {"decimal fixed, no decimals",
         [](TSaNumEditModel& e) {
             e.SetDecimalFixed(true);
             e.SetDecimalLength(0);
         },
         "", "0"},
        {"integer fixed, empty", [](TSaNumEditModel& e) { e.SetIntegerFixed(true); }, "", "0"},
        {"integer fixed, minus", [](TSaNumEditModel& e) { e.SetIntegerFixed(true); }, "-", "-0"},
        {"marks",
         [](TSaNumEditModel& e) {
             e.SetLeftMark("x");
             e.SetRightMark(" mM");
         },
         "2.5", "x2.5 mM"},
        {"marks around nothing",
         [](TSaNumEditModel& e) {
             e.SetLeftMark("x");
             e.SetRightMark(" mM");
         },
         "", ""},
        {"marks, fixed zero",
         [](TSaNumEditModel& e) {
             e.SetRightMark(" mM");
             e.SetIntegerFixed(true);
         },
         "", "0 mM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TSaNumEditModel e;
        c.Setup(e);
        e.SetText(c.Value);
        EXPECT_EQ(e.ImageText(), c.Image);
    }
}

TEST_F(NumEditModel, TypingSequences)
{
    struct TCase {
        std::string Keys;
        std::string Value;
        int Beeps;
        int Changes;
    };
    // The main window's fields: IntegerLength 9, DecimalLength 8.
    const TCase cases[] = {
        {"005", "5", 0, 3},
        {".", "0.", 0, 1},
        {"-.", "-0.", 0, 2},
        {"-5", "-5", 0, 2},
        {"12-", "-12", 0, 3},
        {"12--", "12", 0, 4},
        {"1..", "1.", 1, 2},
        {"0.123456789", "0.12345678", 1, 10},
        {"1234567890", "123456789", 1, 9},
        {"-1234567890", "-123456789", 1, 10},
        {"12.5<", "12", 0, 5},
        {"0.5<", "0", 0, 4},
        {"-5<<", "", 0, 4},
        {"<", "", 0, 0},
        {"123a5", "5", 0, 4}, // typing over a selection replaces it
        {"123a<", "", 0, 3},  // Backspace on a selection clears without OnChange
        {"123a.", "0.", 0, 4},
        {"12k", "", 0, 2}, // ClearText alone calls no OnChange
        {"x1", "1", 0, 1}, // cut without selection does nothing
        {"12a", "12", 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Keys);
        TFakeHost host;
        TSaNumEditModel e(&host);
        e.SetDecimalLength(8);
        int changes = 0;
        e.OnChange = [&changes](TSaNumEditModel&) { ++changes; };
        Drive(e, c.Keys);
        EXPECT_EQ(e.ValueText(), c.Value);
        EXPECT_EQ(host.Beeps, c.Beeps);
        EXPECT_EQ(changes, c.Changes);
    }
}

TEST_F(NumEditModel, RefusalsBeepOnlyWithErrorBeepAndNeverWhenReadOnly)
{
    Edit.SetDecimalLength(0);
    Run(".");
    EXPECT_EQ(Host.Beeps, 1);
    Edit.SetErrorBeep(false);
    Run(".");
    EXPECT_EQ(Host.Beeps, 1);
    Edit.SetErrorBeep(true);
    Edit.SetMinus(false);
    Run("-");
    EXPECT_EQ(Host.Beeps, 2);
    Edit.SetReadOnly(true);
    Run("1.-<");
    EXPECT_EQ(Host.Beeps, 2);
    EXPECT_EQ(Edit.ValueText(), "");
    EXPECT_EQ(Changes, 0);
}

TEST_F(NumEditModel, InputStopRefusesWhatWouldNotFit)
{
    // 117 - 2 - 2 - 4 = 109 px available; at 7 px a character plus one, 15 characters fit.
    Edit.SetOptions({TSaNumEditOption::eoORInputStop});
    Edit.SetIntegerLength(20);
    Run("12345678901"); // "12,345,678,901": 14 characters, 99 px
    Run("-");           // 15 characters, 106 px
    EXPECT_EQ(Edit.ValueText(), "-12345678901");
    Edit.SetLeftMark("$"); // 16 characters, 113 px: a property change is not refused
    Run("-");              // removing the sign is never refused
    EXPECT_EQ(Edit.ValueText(), "12345678901");
    EXPECT_EQ(Host.Beeps, 0);
    Run("-2"); // both would give 16 characters
    EXPECT_EQ(Edit.ValueText(), "12345678901");
    EXPECT_EQ(Host.Beeps, 2);
}

TEST_F(NumEditModel, PasteCutCopyAndUndo)
{
    Clip.SetText("1,234.5");
    Run("v");
    EXPECT_EQ(Edit.ValueText(), "1234.5");
    EXPECT_EQ(Edit.ImageText(), "1,234.5");
    EXPECT_EQ(Changes, 1);

    Clip.SetText("6x7"); // appended after the number, cut at the "x"
    Run("v");
    EXPECT_EQ(Edit.ValueText(), "1234.56");

    Run("u");
    EXPECT_EQ(Edit.ValueText(), "1234.5");
    EXPECT_EQ(Edit.SelLength(), 7);
    Run("u"); // a second Undo goes forward again
    EXPECT_EQ(Edit.ValueText(), "1234.56");

    Edit.SetImageCopy(true);
    Run("ac");
    EXPECT_EQ(Clip.GetText(), "1,234.56");
    Edit.SetImageCopy(false);
    Run("x");
    EXPECT_EQ(Clip.GetText(), "1234.56");
    EXPECT_EQ(Edit.ValueText(), "");
    Run("v"); // paste back what was cut
    EXPECT_EQ(Edit.ValueText(), "1234.56");

    Clip.SetText("1234567890"); // ten integer digits empty the field, still a change
    const int before = Changes;
    Run("av");
    EXPECT_EQ(Edit.ValueText(), "");
    EXPECT_EQ(Changes, before + 1);
    EXPECT_EQ(Host.Beeps, 0);
}

TEST_F(NumEditModel, UndoAfterTypingOverASelectionReturnsToTheClearedText)
{
    Edit.SetText("42");
    Run("a5");
    EXPECT_EQ(Edit.ValueText(), "5");
    Run("u");
    EXPECT_EQ(Edit.ValueText(), "");
    EXPECT_EQ(Edit.SelLength(), 0); // nothing to select in an empty image
}

TEST_F(NumEditModel, SetTextFiltersAndKeepsAWholeSelection)
{
    Edit.SetText("abc");
    EXPECT_EQ(Edit.ValueText(), "");
    Edit.SetText("007.5");
    EXPECT_EQ(Edit.ValueText(), "7.5");
    Edit.SelectAll();
    const int repaints = Host.Repaints;
    Edit.SetText("7.5"); // unchanged: nothing happens
    EXPECT_EQ(Host.Repaints, repaints);
    Edit.SetText("1234567");
    EXPECT_EQ(Edit.SelLength(), static_cast<int>(Edit.ImageText().size()));
    EXPECT_FALSE(Edit.UndoAvailable());
    EXPECT_EQ(Changes, 0);
}

TEST_F(NumEditModel, LimitSettersFilterTheValueAndTheUndoText)
{
    Edit.SetText("-12345.678");
    Edit.SetDecimalLength(1);
    EXPECT_EQ(Edit.ValueText(), "-12345.6");
    Edit.SetDecimalLength(0);
    EXPECT_EQ(Edit.ValueText(), "-12345");
    Edit.SetIntegerLength(4);
    EXPECT_EQ(Edit.ValueText(), "");
    EXPECT_EQ(Edit.ImageText(), "");

    Edit.SetIntegerLength(9);
    Edit.SetText("-5");
    Run("<"); // undo text "-5"
    Edit.SetMinus(false);
    Run("u");
    EXPECT_EQ(Edit.ValueText(), "");
    EXPECT_GE(Host.WidthAdjusts, 5);

    Edit.SetIntegerLength(-1); // negative lengths are ignored
    EXPECT_EQ(Edit.IntegerLength(), 9);
}

TEST_F(NumEditModel, SettersRunTheirFollowUpsOnlyOnChange)
{
    Edit.SetTopMargin(2);
    EXPECT_EQ(Host.HeightAdjusts, 0);
    Edit.SetTopMargin(3);
    Edit.SetAutoSize(false);
    EXPECT_EQ(Host.HeightAdjusts, 2);
    EXPECT_EQ(Host.WidthAdjusts, 1);
    Edit.SetComma(true);
    EXPECT_EQ(Host.WidthAdjusts, 1);
    Edit.SetText("1234");
    Edit.SetComma(false);
    EXPECT_EQ(Edit.ImageText(), "1234");
    EXPECT_EQ(Host.WidthAdjusts, 2);
}

TEST_F(NumEditModel, DropLoneMinusOnExit)
{
    Run("-");
    Edit.DropLoneMinus();
    EXPECT_EQ(Edit.ValueText(), "");
    Run("-");
    Edit.SetOptions({TSaNumEditOption::eoMinusOnly});
    Edit.DropLoneMinus();
    EXPECT_EQ(Edit.ValueText(), "-");
}

TEST_F(NumEditModel, WidthRules)
{
    EXPECT_EQ(Edit.TextWidth(""), 0);
    EXPECT_EQ(Edit.TextWidth("12"), 15);
    EXPECT_EQ(Edit.TextWidth("\xC2\xB5M"), 15); // "µM" is two characters
    EXPECT_EQ(Edit.WidestText(), "-000,000,000.000");
    Edit.SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_EQ(Edit.AvailableWidth(), 117 - 4 - 2);
    Edit.SetDecimalFixed(true);
    Edit.SetText("12.5");
    EXPECT_EQ(Edit.ReservedText(), "12.000");
    EXPECT_EQ(Edit.TypedWidth(), Edit.TextWidth("12.5")); // the added zeros do not count
    Edit.SetIntegerFixed(true);
    EXPECT_EQ(Edit.ReservedText(), "-000,000,000.000");
    Edit.SetText("");
    EXPECT_EQ(Edit.TypedWidth(), Edit.TextWidth("0"));
}

TEST_F(NumEditModel, LayoutForEachAlignment)
{
    // Client 117 x 16, line 12, margins 2; value "12.5" (T = 29), marks "$" (8) and "mM" (15).
    Edit.SetLeftMark("$");
    Edit.SetRightMark("mM");
    Edit.SetText("12.5");
    struct TCase {
        TAlignment Align;
        TVertAlignment VAlign;
        int LeftMark, Block, Value, RightMark, Top;
    };
    const TCase cases[] = {
        {TAlignment::taRightJustify, TVertAlignment::taVCenter, 62, 70, 70, 99, 2},
        {TAlignment::taLeftJustify, TVertAlignment::taTopJustify, 2, 10, 10, 39, 2},
        {TAlignment::taCenter, TVertAlignment::taBottomJustify, 32, 40, 40, 69, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Align));
        Edit.SetAlignment(c.Align);
        Edit.SetVertAlignment(c.VAlign);
        EXPECT_EQ(Edit.LeftMarkRect(), (TRect {c.LeftMark, c.Top, c.LeftMark + 8, c.Top + 12}));
        EXPECT_EQ(Edit.TextBlockRect(), (TRect {c.Block, c.Top, c.Block + 29, c.Top + 12}));
        EXPECT_EQ(Edit.ValueRect(), (TRect {c.Value, c.Top, c.Value + 29, c.Top + 12}));
        EXPECT_EQ(Edit.RightMarkRect(), (TRect {c.RightMark, c.Top, c.RightMark + 15, c.Top + 12}));
        EXPECT_EQ(Edit.CaretPoint(), (TPoint {c.Value + 28, c.Top}));
    }
    Host.Client = {117, 30};
    Edit.SetVertAlignment(TVertAlignment::taBottomJustify);
    EXPECT_EQ(Edit.ValueRect().Top, 30 - 12 - 2);
    Edit.SetVertAlignment(TVertAlignment::taVCenter);
    EXPECT_EQ(Edit.ValueRect().Top, 9);
}

TEST_F(NumEditModel, LayoutIgnoresMarksAroundAnEmptyValue)
{
    Edit.SetLeftMark("$");
    Edit.SetRightMark("mM");
    // Empty value: no marks, the reserved block is empty; caret one pixel left of the edge.
    EXPECT_EQ(Edit.ValueRect(), (TRect {114, 2, 114, 14}));
    EXPECT_EQ(Edit.CaretPoint(), (TPoint {113, 2}));
    Edit.SetDecimalFixed(true);
    Edit.SetText("5");
    // "5.000" is 36 px, reserved "5.000" too; the caret stands after the typed "5".
    EXPECT_EQ(Edit.ValueRect(), (TRect {117 - 15 - 2 - 36 - 1, 2, 117 - 15 - 2 - 1, 14}));
    EXPECT_EQ(Edit.CaretPoint().X, 63 + 8 - 1);
    EXPECT_EQ(Edit.AutoHeight(), 16);
}

} // namespace
