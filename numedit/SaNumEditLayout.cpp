// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Width rules and layout of the field model: where the marks, the reserved value block and
// the number go in the client area, and where the caret stands.
#include "numedit/SaNumEditModel.h"

int TSaNumEditHost::MeasureText(std::string_view text) const
{
    // Fixed pitch per character; UTF-8 continuation bytes do not start a character.
    int chars = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++chars;
    return chars * FixedPitchCharWidth;
}

int TSaNumEditModel::TextWidth(std::string_view s) const
{
    return s.empty() ? 0 : Host().MeasureText(s) + 1;
}

int TSaNumEditModel::AvailableWidth() const
{
    const int border = FBorderStyle == TBorderStyle::bsSingle && FCtl3D ? 2 : 1;
    return Host().ClientSize().Width - FLeftMargin - FRightMargin - 2 * border;
}

int TSaNumEditModel::TypedWidth() const
{
    TNumberParts p = SplitNumber(FValueText);
    if (FComma)
        p.IntPart = GroupDigits(p.IntPart);
    if (p.IntPart.empty() && (FIntegerFixed || FDecimalFixed))
        p.IntPart.push_back('0');
    return TextWidth(JoinNumber(p));
}

int TSaNumEditModel::MarkWidth(const std::string& mark) const
{
    // The marks take no room around an empty value unless a fixed format shows a zero.
    if (FValueText.empty() && !FIntegerFixed && !FDecimalFixed)
        return 0;
    return TextWidth(mark);
}

int TSaNumEditModel::LayoutTop() const
{
    const int h = Host().LineHeight();
    switch (FVertAlignment) {
    case TVertAlignment::taTopJustify:
        return FTopMargin;
    case TVertAlignment::taBottomJustify:
        return Host().ClientSize().Height - h - FBottomMargin;
    case TVertAlignment::taVCenter:
        break;
    }
    return (Host().ClientSize().Height - h - FTopMargin - FBottomMargin) / 2 + FTopMargin;
}

TRect TSaNumEditModel::LayoutRect(int left, int width) const
{
    const int top = LayoutTop();
    return {left, top, left + width, top + Host().LineHeight()};
}

// Left edges of the four rectangles for the current alignment; W is the reserved block, Lw
// and Rw the marks, T the shown number.
namespace {
struct TLayoutEdges {
    int LeftMark;
    int TextBlock;
    int Value;
    int RightMark;
};

TLayoutEdges Edges(TAlignment alignment, int cw, int leftMargin, int rightMargin, int w, int lw,
                   int rw, int t)
{
    switch (alignment) {
    case TAlignment::taLeftJustify:
        return {leftMargin, leftMargin + lw, leftMargin + lw + w - t, leftMargin + lw + w};
    case TAlignment::taRightJustify:
        break;
    case TAlignment::taCenter: {
        const int a = cw - leftMargin - rightMargin;
        const int s = w + lw + rw;
        const int start = leftMargin + a / 2 - s / 2;
        return {start, start + lw, start + lw + w - t, leftMargin + a / 2 + s / 2 - rw};
    }
    }
    const int end = cw - rw - rightMargin;
    return {end - w - lw - 1, end - w - 1, end - t - 1, end - 1};
}
} // namespace

TRect TSaNumEditModel::LeftMarkRect() const
{
    const int lw = MarkWidth(FLeftMark);
    const auto e = Edges(FAlignment, Host().ClientSize().Width, FLeftMargin, FRightMargin,
                         ReservedWidth(), lw, MarkWidth(FRightMark), 0);
    return LayoutRect(e.LeftMark, lw);
}

TRect TSaNumEditModel::TextBlockRect() const
{
    const int w = ReservedWidth();
    const auto e = Edges(FAlignment, Host().ClientSize().Width, FLeftMargin, FRightMargin, w,
                         MarkWidth(FLeftMark), MarkWidth(FRightMark), 0);
    return LayoutRect(e.TextBlock, w);
}

TRect TSaNumEditModel::ValueRect() const
{
    const int t = TextWidth(FormatValue(FValueText));
    const auto e = Edges(FAlignment, Host().ClientSize().Width, FLeftMargin, FRightMargin,
                         ReservedWidth(), MarkWidth(FLeftMark), MarkWidth(FRightMark), t);
    return LayoutRect(e.Value, t);
}

TRect TSaNumEditModel::RightMarkRect() const
{
    const int rw = MarkWidth(FRightMark);
    const auto e = Edges(FAlignment, Host().ClientSize().Width, FLeftMargin, FRightMargin,
                         ReservedWidth(), MarkWidth(FLeftMark), rw, 0);
    return LayoutRect(e.RightMark, rw);
}

TPoint TSaNumEditModel::CaretPoint() const
{
    const TRect value = ValueRect();
    return {value.Left + TypedWidth() - 1, value.Top};
}

int TSaNumEditModel::AutoHeight() const
{
    return Host().LineHeight() + FTopMargin + FBottomMargin;
}

int TSaNumEditModel::AutoWidth() const
{
    return TextWidth(WidestText()) + TextWidth(FLeftMark) + TextWidth(FRightMark) + FLeftMargin
        + FRightMargin + 2;
}
