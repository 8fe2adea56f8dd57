// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Enumerations, option set and plain geometry shared by the numeric entry field's model and
// its widget. Ordinal orders are those stored in the component descriptions.

#include <cstdint>
#include <initializer_list>

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum class TVertAlignment : std::uint8_t { taTopJustify, taBottomJustify, taVCenter };
enum class TBorderStyle : std::uint8_t { bsNone, bsSingle };

enum class TSaNumEditOption : std::uint8_t {
    eoMinusOnly,     // a lone "-" survives leaving the field
    eoArrowUp,       // Up moves the focus back when ArrowFocusMove is on
    eoArrowDown,     // Down moves the focus on when ArrowFocusMove is on
    eoAutoWidthSize, // width follows WidestText in design mode
    eoORInputStop,   // typed input whose image would not fit the field is refused
};

/// Set of TSaNumEditOption held in one byte, bit n = ordinal n.
class TSaNumEditOptions {
public:
    constexpr TSaNumEditOptions() = default;
    constexpr TSaNumEditOptions(std::initializer_list<TSaNumEditOption> options)
    {
        for (TSaNumEditOption o : options)
            FBits = static_cast<std::uint8_t>(FBits | Bit(o));
    }
    static constexpr TSaNumEditOptions FromBits(std::uint8_t bits)
    {
        TSaNumEditOptions s;
        s.FBits = static_cast<std::uint8_t>(bits & 0x1F);
        return s;
    }
    constexpr std::uint8_t Bits() const { return FBits; }
    constexpr bool Contains(TSaNumEditOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr void Include(TSaNumEditOption o)
    {
        FBits = static_cast<std::uint8_t>(FBits | Bit(o));
    }
    constexpr void Exclude(TSaNumEditOption o)
    {
        FBits = static_cast<std::uint8_t>(FBits & ~Bit(o));
    }
    friend constexpr bool operator==(TSaNumEditOptions, TSaNumEditOptions) = default;

private:
    static constexpr std::uint8_t Bit(TSaNumEditOption o)
    {
        return static_cast<std::uint8_t>(1U << static_cast<unsigned>(o));
    }
    std::uint8_t FBits = 0;
};

/// A rectangle in client pixels; Right and Bottom are exclusive edges (Left + width).
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};
