// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Property setters of the field model and the follow-up each one runs.
#include "numedit/SaNumEditModel.h"

#include <string>
#include <utility>

void TSaNumEditModel::LimitsChanged()
{
    // The stored text must obey the new limits. The undo text is held to them too, so that
    // Undo cannot bring back a number the field no longer accepts.
    if (std::string text = FilterText(FValueText); text != FValueText) {
        FValueText = std::move(text);
        ++FTextRevision;
    }
    FUndoText = FilterText(FUndoText);
    UpdateImage();
    Host().AdjustWidth();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::FormatChanged()
{
    UpdateImage();
    Host().AdjustWidth();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::MarginChanged(int& field, int value, bool horizontal)
{
    if (value < 0 || value == field)
        return;
    field = value;
    if (horizontal)
        Host().AdjustWidth();
    else
        Host().AdjustHeight();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetIntegerLength(int value)
{
    if (value < 0 || value == FLimits.IntegerLength)
        return;
    FLimits.IntegerLength = value;
    LimitsChanged();
}

void TSaNumEditModel::SetDecimalLength(int value)
{
    if (value < 0 || value == FLimits.DecimalLength)
        return;
    FLimits.DecimalLength = value;
    LimitsChanged();
}

void TSaNumEditModel::SetMinus(bool value)
{
    if (value == FLimits.Minus)
        return;
    FLimits.Minus = value;
    LimitsChanged();
}

void TSaNumEditModel::SetComma(bool value)
{
    if (value == FComma)
        return;
    FComma = value;
    FormatChanged();
}

void TSaNumEditModel::SetDecimalFixed(bool value)
{
    if (value == FDecimalFixed)
        return;
    FDecimalFixed = value;
    FormatChanged();
}

void TSaNumEditModel::SetIntegerFixed(bool value)
{
    if (value == FIntegerFixed)
        return;
    FIntegerFixed = value;
    FormatChanged();
}

void TSaNumEditModel::SetLeftMark(std::string_view value)
{
    if (value == FLeftMark)
        return;
    FLeftMark.assign(value);
    FormatChanged();
}

void TSaNumEditModel::SetRightMark(std::string_view value)
{
    if (value == FRightMark)
        return;
    FRightMark.assign(value);
    FormatChanged();
}

void TSaNumEditModel::SetLeftMargin(int value)
{
    MarginChanged(FLeftMargin, value, true);
}

void TSaNumEditModel::SetRightMargin(int value)
{
    MarginChanged(FRightMargin, value, true);
}

void TSaNumEditModel::SetTopMargin(int value)
{
    MarginChanged(FTopMargin, value, false);
}

void TSaNumEditModel::SetBottomMargin(int value)
{
    MarginChanged(FBottomMargin, value, false);
}

void TSaNumEditModel::SetAutoSize(bool value)
{
    if (value == FAutoSize)
        return;
    FAutoSize = value;
    Host().AdjustHeight();
    Host().AdjustWidth();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetBorderStyle(TBorderStyle value)
{
    if (value == FBorderStyle)
        return;
    FBorderStyle = value;
    Host().BorderChanged();
    Host().AdjustHeight();
    Host().AdjustWidth();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetCtl3D(bool value)
{
    if (value == FCtl3D)
        return;
    FCtl3D = value;
    if (FBorderStyle == TBorderStyle::bsSingle)
        Host().BorderChanged();
    Host().AdjustHeight();
    Host().AdjustWidth();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetAlignment(TAlignment value)
{
    if (value == FAlignment)
        return;
    FAlignment = value;
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetVertAlignment(TVertAlignment value)
{
    if (value == FVertAlignment)
        return;
    FVertAlignment = value;
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::SetAutoSelect(bool value)
{
    if (value == FAutoSelect)
        return;
    FAutoSelect = value;
    Host().RequestRepaint();
}
