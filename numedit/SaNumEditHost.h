// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the windowless field model needs from the window that shows it, and the clipboard it
// copies to. The widget implements TSaNumEditHost and hands itself to its model; without a
// host the model measures with a fixed-pitch rule (7 px per character, 12 px lines) in a
// client area of 117 x 16 px (a 121 x 20 field inside a 2 px sunken edge), which is what the
// tests and the command-line build use.

#include "numedit/SaNumEditTypes.h"

#include <string>
#include <string_view>

class TSaNumEditHost {
public:
    static constexpr int FixedPitchCharWidth = 7;
    static constexpr int FixedPitchLineHeight = 12;

    TSaNumEditHost() = default;
    TSaNumEditHost(const TSaNumEditHost&) = default;
    TSaNumEditHost& operator=(const TSaNumEditHost&) = default;
    virtual ~TSaNumEditHost() = default;

    /// Single-line extent of a non-empty UTF-8 string in the field's font, in pixels. The
    /// model adds the extra pixel of its TextWidth rule itself.
    virtual int MeasureText(std::string_view text) const;
    /// Height of the text "M" in the field's font.
    virtual int LineHeight() const { return FixedPitchLineHeight; }
    /// Current client area (inside the border).
    virtual TSize ClientSize() const { return {117, 16}; }

    /// The image, selection or layout changed: paint again.
    virtual void RequestRepaint() { }
    /// Put the caret at the model's CaretPoint (only while the field has the focus).
    virtual void PlaceCaret() { }
    /// Refused input: sound the system beep (the model already checked ErrorBeep).
    virtual void Beep() { }
    /// A property that decides the height changed: apply AutoHeight when AutoSize is on.
    virtual void AdjustHeight() { }
    /// A property that decides the width changed: apply AutoWidth in design mode only.
    virtual void AdjustWidth() { }
    /// BorderStyle or Ctl3D changed: the frame must be built again.
    virtual void BorderChanged() { }
};

/// Plain-text clipboard.
class TSaNumEditClipboard {
public:
    TSaNumEditClipboard() = default;
    TSaNumEditClipboard(const TSaNumEditClipboard&) = default;
    TSaNumEditClipboard& operator=(const TSaNumEditClipboard&) = default;
    virtual ~TSaNumEditClipboard() = default;

    virtual bool HasText() const = 0;
    virtual std::string GetText() const = 0;
    virtual void SetText(std::string_view text) = 0;
};

/// A clipboard held in memory: the model's own when it is given none, and the tests'.
class TSaNumEditMemoryClipboard final : public TSaNumEditClipboard {
public:
    bool HasText() const override { return FHasText; }
    std::string GetText() const override { return FText; }
    void SetText(std::string_view text) override
    {
        FText.assign(text);
        FHasText = true;
    }
    void Clear()
    {
        FText.clear();
        FHasText = false;
    }

private:
    std::string FText;
    bool FHasText = false;
};
