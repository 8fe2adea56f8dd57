// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/SaNumEditModel.h"

#include <utility>

TSaNumEditModel::TSaNumEditModel(TSaNumEditHost* host, TSaNumEditClipboard* clipboard)
    : FHost(host)
    , FClipboard(clipboard)
{
    FImageText = MakeImage(FValueText);
}

void TSaNumEditModel::SetHost(TSaNumEditHost* host)
{
    FHost = host;
}

void TSaNumEditModel::SetClipboard(TSaNumEditClipboard* clipboard)
{
    FClipboard = clipboard;
}

std::string TSaNumEditModel::GetText() const
{
    return FValueText;
}

void TSaNumEditModel::SetText(std::string_view s)
{
    if (s == FValueText)
        return;
    std::string text = NormalizeText(FilterText(s));
    if (text != FValueText)
        ++FTextRevision;
    FValueText = std::move(text);
    Refresh();
}

// ---- editing -------------------------------------------------------------------------------

void TSaNumEditModel::ChangeNotify()
{
    if (OnChange)
        OnChange(*this);
}

void TSaNumEditModel::UpdateImage()
{
    FImageText = MakeImage(FValueText);
    // The selection is all or nothing: a selected field stays wholly selected when its
    // image changes length (a programmatic write, a new mark), and nothing is selected in an
    // empty image.
    if (FSelLength != 0)
        FSelLength = static_cast<int>(FImageText.size());
}

void TSaNumEditModel::Refresh()
{
    UpdateImage();
    Host().RequestRepaint();
    Host().PlaceCaret();
}

void TSaNumEditModel::Refuse()
{
    if (FErrorBeep)
        Host().Beep();
}

bool TSaNumEditModel::WiderThanField(std::string_view candidate) const
{
    return FOptions.Contains(TSaNumEditOption::eoORInputStop) && !FitsWidth(candidate);
}

void TSaNumEditModel::AcceptEdit(std::string text)
{
    SaveUndo();
    FValueText = std::move(text);
    ++FTextRevision;
    Refresh();
    ChangeNotify();
}

void TSaNumEditModel::InputDigit(char ch)
{
    if (FReadOnly)
        return;
    if (ch < '0' || ch > '9') {
        Refuse();
        return;
    }
    if (FSelLength != 0)
        ClearText();
    const std::size_t n = FValueText.size();
    const std::size_t point = FValueText.find('.');
    bool accept = false;
    if (point != std::string::npos) {
        accept = n - point - 1 < static_cast<std::size_t>(FLimits.DecimalLength);
    } else {
        std::size_t intDigits = n;
        if (FValueText.find('-') != std::string::npos)
            --intDigits;
        accept = intDigits < static_cast<std::size_t>(FLimits.IntegerLength);
    }
    if (!accept) {
        Refuse();
        return;
    }
    std::string candidate = NormalizeText(FValueText + ch);
    if (WiderThanField(candidate)) {
        Refuse();
        return;
    }
    AcceptEdit(std::move(candidate));
}

void TSaNumEditModel::InputPoint()
{
    if (FReadOnly)
        return;
    if (FLimits.DecimalLength == 0) {
        Refuse();
        return;
    }
    if (FSelLength != 0)
        ClearText();
    if (FValueText.find('.') != std::string::npos) {
        Refuse();
        return;
    }
    const std::string candidate = FValueText + '.';
    if (WiderThanField(candidate)) {
        Refuse();
        return;
    }
    AcceptEdit(NormalizeText(candidate));
}

void TSaNumEditModel::InputMinus()
{
    if (FReadOnly)
        return;
    if (!FLimits.Minus) {
        Refuse();
        return;
    }
    if (FSelLength != 0)
        ClearText();
    if (const auto pos = FValueText.find('-'); pos != std::string::npos) {
        std::string positive = FValueText;
        positive.erase(pos, 1);
        AcceptEdit(std::move(positive));
        return;
    }
    std::string candidate = "-" + FValueText;
    if (WiderThanField(candidate)) {
        Refuse();
        return;
    }
    AcceptEdit(std::move(candidate));
}

void TSaNumEditModel::DeleteLastChar()
{
    if (FReadOnly || FValueText.empty())
        return;
    if (FSelLength != 0) {
        ClearText();
        return;
    }
    std::string shorter = FValueText.substr(0, FValueText.size() - 1);
    if (!shorter.empty() && shorter.back() == '.')
        shorter.pop_back();
    AcceptEdit(std::move(shorter));
}

void TSaNumEditModel::ClearText()
{
    SaveUndo();
    FValueText.clear();
    ++FTextRevision;
    FImageText = MakeImage(FValueText);
    Deselect();
    Host().PlaceCaret();
}

void TSaNumEditModel::CopyText()
{
    if (FSelLength != 0)
        Clipboard().SetText(FImageCopy ? FImageText : FValueText);
}

void TSaNumEditModel::CutText()
{
    if (FSelLength == 0)
        return;
    CopyText();
    ClearText();
    ChangeNotify();
}

void TSaNumEditModel::PasteText()
{
    TSaNumEditClipboard& clipboard = Clipboard();
    if (!clipboard.HasText())
        return;
    const std::string pasted = clipboard.GetText();
    SaveUndo();
    // Pasted text goes after the number unless it replaces a selected field.
    const std::string text = FSelLength != 0 ? pasted : FValueText + pasted;
    FValueText = NormalizeText(FilterText(text));
    ++FTextRevision;
    FImageText = MakeImage(FValueText);
    Deselect();
    Host().PlaceCaret();
    ChangeNotify();
}

void TSaNumEditModel::Undo()
{
    if (!FUndoAvailable)
        return;
    SwapUndo();
    FImageText = MakeImage(FValueText);
    SelectAll();
    Host().PlaceCaret();
    ChangeNotify();
}

void TSaNumEditModel::SelectAll()
{
    FSelLength = static_cast<int>(FImageText.size());
    Host().RequestRepaint();
}

void TSaNumEditModel::Deselect()
{
    FSelLength = 0;
    Host().RequestRepaint();
}

void TSaNumEditModel::SaveUndo()
{
    FUndoText = FValueText;
    FUndoAvailable = true;
}

void TSaNumEditModel::SwapUndo()
{
    std::swap(FValueText, FUndoText);
    ++FTextRevision;
    FUndoAvailable = true;
}

void TSaNumEditModel::DropLoneMinus()
{
    if (FValueText == "-" && !FOptions.Contains(TSaNumEditOption::eoMinusOnly)) {
        FValueText.clear();
        ++FTextRevision;
        UpdateImage();
        Host().RequestRepaint();
    }
}

// ---- text rules ----------------------------------------------------------------------------

std::string TSaNumEditModel::FilterText(std::string_view s) const
{
    return ::FilterText(s, FLimits);
}

std::string TSaNumEditModel::FormatValue(std::string_view v) const
{
    TNumberParts p = SplitNumber(v);
    if (FComma)
        p.IntPart = GroupDigits(p.IntPart);
    if (FDecimalFixed) {
        const auto decimals = static_cast<std::size_t>(FLimits.DecimalLength);
        p.Frac = (p.Frac + std::string(decimals, '0')).substr(0, decimals);
        if (decimals > 0)
            p.Point = ".";
    }
    if ((FIntegerFixed || FDecimalFixed) && p.IntPart.empty())
        p.IntPart.push_back('0');
    return JoinNumber(p);
}

std::string TSaNumEditModel::MakeImage(std::string_view v) const
{
    const std::string shown = FormatValue(v);
    if (shown.empty())
        return shown;
    return FLeftMark + shown + FRightMark;
}

std::string TSaNumEditModel::ReservedText() const
{
    TNumberParts p = SplitNumber(FValueText);
    if (FIntegerFixed) {
        p.IntPart.assign(static_cast<std::size_t>(FLimits.IntegerLength), '0');
        if (FLimits.Minus)
            p.Sign = "-";
    }
    if (p.IntPart.empty() && (FIntegerFixed || FDecimalFixed))
        p.IntPart.push_back('0');
    if (FDecimalFixed) {
        p.Point = ".";
        p.Frac.assign(static_cast<std::size_t>(FLimits.DecimalLength), '0');
    }
    if (FComma)
        p.IntPart = GroupDigits(p.IntPart);
    return JoinNumber(p);
}

std::string TSaNumEditModel::WidestText() const
{
    std::string digits(static_cast<std::size_t>(FLimits.IntegerLength), '0');
    if (FComma)
        digits = GroupDigits(digits);
    return (FLimits.Minus ? "-" : "") + digits + "."
        + std::string(static_cast<std::size_t>(FLimits.DecimalLength), '0');
}
