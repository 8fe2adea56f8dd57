// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The numeric entry field without a window. It holds the value text (what the user typed,
// e.g. "-1234.5"), derives the image that is shown (marks, grouping, fixed decimals, e.g.
// "-1,234.500 mM"), applies every typing, clipboard and undo rule, and computes the layout
// the widget paints. Everything that needs a window (measuring text, painting, the caret,
// the beep, sizing, the frame) goes through a TSaNumEditHost; the clipboard through a
// TSaNumEditClipboard. The widget owns one model and is its host.

#include "numedit/SaNumEditHost.h"
#include "numedit/SaNumEditTypes.h"
#include "numedit/numtext.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TSaNumEditModel;
using TSaNumEditNotify = std::function<void(TSaNumEditModel& sender)>;

class TSaNumEditModel {
public:
    /// Both pointers may be null (windowless measuring, a clipboard of its own); the host and
    /// the clipboard must outlive the model or be replaced first.
    explicit TSaNumEditModel(TSaNumEditHost* host = nullptr,
                             TSaNumEditClipboard* clipboard = nullptr);
    TSaNumEditModel(const TSaNumEditModel&) = delete;
    TSaNumEditModel& operator=(const TSaNumEditModel&) = delete;
    virtual ~TSaNumEditModel() = default;

    void SetHost(TSaNumEditHost* host);
    void SetClipboard(TSaNumEditClipboard* clipboard);

    // The Text property. GetText gives the value text, never the image; SetText filters and
    // normalises a programmatic text (no undo step, no OnChange, no width test, no beep).
    virtual std::string GetText() const;
    virtual void SetText(std::string_view s);

    // Stored texts and selection. The selection is all or nothing: SelLength is 0 or the
    // length of ImageText in bytes, and it stays "everything" when the image changes.
    const std::string& ValueText() const { return FValueText; }
    const std::string& ImageText() const { return FImageText; }
    int SelStart() const { return 0; }
    int SelLength() const { return FSelLength; }
    const std::string& UndoText() const { return FUndoText; }
    bool UndoAvailable() const { return FUndoAvailable; }
    /// Grows with every change of ValueText, by the user or the program (typing, clipboard,
    /// undo, SetText, new limits), so that a caller can tell whether the text it wrote is
    /// still the one shown.
    std::uint64_t TextRevision() const { return FTextRevision; }

    // Editing operations. The Input ones consume their character whether they accept it or
    // not; a refusal beeps when ErrorBeep is on. Each accepted edit takes one undo step.
    void InputDigit(char ch);
    void InputPoint();
    void InputMinus();
    void DeleteLastChar();
    void ClearText();
    void CopyText();
    void CutText();
    void PasteText();
    void Undo();
    void SelectAll();
    void Deselect();
    void SaveUndo();
    void SwapUndo();
    /// Empties a lone "-" when the field is left (unless eoMinusOnly); no undo, no OnChange.
    void DropLoneMinus();

    // Text rules with the current properties.
    std::string FilterText(std::string_view s) const;
    static std::string NormalizeText(std::string_view s) { return ::NormalizeText(s); }
    static TNumberParts SplitNumber(std::string_view s) { return ::SplitNumber(s); }
    static std::string GroupDigits(std::string_view d) { return ::GroupDigits(d); }
    std::string FormatValue(std::string_view v) const;
    std::string MakeImage(std::string_view v) const;
    std::string ReservedText() const;
    std::string WidestText() const;

    // Width rules, in pixels of the field's font.
    int TextWidth(std::string_view s) const;
    int ImageWidth(std::string_view v) const { return TextWidth(MakeImage(v)); }
    int AvailableWidth() const;
    bool FitsWidth(std::string_view v) const { return AvailableWidth() >= ImageWidth(v); }
    int TypedWidth() const;
    int ReservedWidth() const { return TextWidth(ReservedText()); }

    // Layout in client pixels, from the host's client size and line height.
    TRect LeftMarkRect() const;
    TRect TextBlockRect() const;
    TRect ValueRect() const;
    TRect RightMarkRect() const;
    TPoint CaretPoint() const;
    /// Client height that AutoSize asks for, and client width that eoAutoWidthSize asks for.
    int AutoHeight() const;
    int AutoWidth() const;

    // Properties. A setter does nothing when the value is unchanged; negative margins and
    // lengths are ignored.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool ArrowFocusMove() const { return FArrowFocusMove; }
    void SetArrowFocusMove(bool value) { FArrowFocusMove = value; }
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    int BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(int value);
    bool Comma() const { return FComma; }
    void SetComma(bool value);
    bool DecimalFixed() const { return FDecimalFixed; }
    void SetDecimalFixed(bool value);
    int DecimalLength() const { return FLimits.DecimalLength; }
    void SetDecimalLength(int value);
    bool EnterFocusMove() const { return FEnterFocusMove; }
    void SetEnterFocusMove(bool value) { FEnterFocusMove = value; }
    bool ErrorBeep() const { return FErrorBeep; }
    void SetErrorBeep(bool value) { FErrorBeep = value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value) { FHideSelection = value; }
    bool ImageCopy() const { return FImageCopy; }
    void SetImageCopy(bool value) { FImageCopy = value; }
    bool IntegerFixed() const { return FIntegerFixed; }
    void SetIntegerFixed(bool value);
    int IntegerLength() const { return FLimits.IntegerLength; }
    void SetIntegerLength(int value);
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int value);
    const std::string& LeftMark() const { return FLeftMark; }
    void SetLeftMark(std::string_view value);
    bool Minus() const { return FLimits.Minus; }
    void SetMinus(bool value);
    TSaNumEditOptions Options() const { return FOptions; }
    void SetOptions(TSaNumEditOptions value) { FOptions = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int value);
    const std::string& RightMark() const { return FRightMark; }
    void SetRightMark(std::string_view value);
    int TopMargin() const { return FTopMargin; }
    void SetTopMargin(int value);
    TVertAlignment VertAlignment() const { return FVertAlignment; }
    void SetVertAlignment(TVertAlignment value);

    /// Called after a user edit (typing, deleting, cut, paste, undo), never after SetText,
    /// ClearText on its own or a property change.
    TSaNumEditNotify OnChange;

protected:
    void ChangeNotify();
    /// ValueText changed: new image, repaint, caret.
    void Refresh();

private:
    TSaNumEditHost& Host() const { return FHost ? *FHost : FFixedPitchHost; }
    TSaNumEditClipboard& Clipboard() { return FClipboard ? *FClipboard : FOwnClipboard; }
    void UpdateImage();
    void Refuse();
    bool WiderThanField(std::string_view candidate) const;
    void AcceptEdit(std::string text);
    void LimitsChanged();
    void FormatChanged();
    void MarginChanged(int& field, int value, bool horizontal);
    int MarkWidth(const std::string& mark) const;
    int LayoutTop() const;
    TRect LayoutRect(int left, int width) const;

    TSaNumEditHost* FHost;
    TSaNumEditClipboard* FClipboard;
    mutable TSaNumEditHost FFixedPitchHost;
    TSaNumEditMemoryClipboard FOwnClipboard;

    std::string FValueText;
    std::string FImageText;
    int FSelLength = 0;
    std::string FUndoText;
    bool FUndoAvailable = false;
    std::uint64_t FTextRevision = 0;

    TAlignment FAlignment = TAlignment::taRightJustify;
    bool FArrowFocusMove = false;
    bool FAutoSelect = true;
    bool FAutoSize = true;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    bool FCtl3D = true;
    int FBottomMargin = 2;
    bool FComma = true;
    bool FDecimalFixed = false;
    bool FEnterFocusMove = false;
    bool FErrorBeep = true;
    bool FHideSelection = true;
    bool FImageCopy = false;
    bool FIntegerFixed = false;
    TFilterLimits FLimits {9, 3, true};
    int FLeftMargin = 2;
    std::string FLeftMark;
    TSaNumEditOptions FOptions {TSaNumEditOption::eoArrowUp, TSaNumEditOption::eoArrowDown};
    bool FReadOnly = false;
    int FRightMargin = 2;
    std::string FRightMark;
    int FTopMargin = 2;
    TVertAlignment FVertAlignment = TVertAlignment::taVCenter;
};
