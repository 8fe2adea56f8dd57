// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Checked arithmetic for the engine. The engine computes with the faults of the extended
// arithmetic enabled: a division by zero, an invalid operation (0/0, the square root of a
// negative number) and an overflow stop the computation with the matching message, while
// underflow passes quietly. No infinity or NaN is ever stored, so every operand is finite,
// and a chain of additions and multiplications can only leave the finite range through an
// overflow: checking the result of such a chain with CheckFinite() finds the first fault.

#include "engine/calcerror.h"
#include "engine/exp10.h"
#include "engine/realtype.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace fpcheck {

[[noreturn]] inline void RaiseOverflow()
{
    RaiseCalcError(CalcMessage::Overflow);
}

/// x, checked to be finite (the result of a chain of + and *).
inline TReal CheckFinite(TReal x)
{
    if (!std::isfinite(x)) [[unlikely]]
        RaiseOverflow();
    return x;
}

/// a / b with the faults of the division.
inline TReal Div(TReal a, TReal b)
{
    if (b == 0) [[unlikely]]
        RaiseCalcError(a == 0 ? CalcMessage::InvalidOp : CalcMessage::ZeroDivide);
    return CheckFinite(a / b);
}

/// x rounded to double precision, as the solver stores its bounds.
inline double ToDouble(TReal x)
{
    const double d = static_cast<double>(x);
    if (!std::isfinite(d)) [[unlikely]]
        RaiseOverflow();
    return d;
}

inline TReal Sqrt(TReal x)
{
    if (x < 0) [[unlikely]]
        RaiseCalcError(CalcMessage::InvalidOp);
    return std::sqrt(x);
}

/// 10 raised to x; an overflow raises its error.
inline TReal Pow10(TReal x)
{
    return CheckFinite(Exp10(x));
}

/// The integer nearest to x (ties to even) for |x| < 2^62, as an extended real and as an
/// integer. Adding 1.5 * 2^63 rounds x where the spacing of reals is 1 and leaves
/// 1.5 * 2^63 + n as the significand, without the rounding-mode switches of floor() or of
/// a cast to an integer, which stall the x87 unit.
struct TNearest {
    TReal Value;
    std::int64_t Integer;
};

#if defined(__wasm__)
// The quadruple real of WebAssembly has neither the x87 unit's stalls nor its significand
// layout; its rounding mode is always to nearest, ties to even.
inline TNearest Nearest(TReal x)
{
    const TReal nearest = std::nearbyint(x);
    return {nearest, static_cast<std::int64_t>(nearest)};
}
#else
inline TNearest Nearest(TReal x)
{
    static_assert(std::numeric_limits<TReal>::digits == 64,
                  "the integer is read from the significand of the x87 extended format");
    constexpr TReal shift = 0x1.8p63L;
    const TReal shifted = x + shift;
    std::uint64_t significand;
    std::memcpy(&significand, &shifted, sizeof significand);
    return {shifted - shift, static_cast<std::int64_t>(significand - 0xC000000000000000u)};
}
#endif

/// log10(x): zero divides by zero, a negative argument is an invalid operation.
inline TReal Log10(TReal x)
{
    if (x <= 0) [[unlikely]]
        RaiseCalcError(x == 0 ? CalcMessage::ZeroDivide : CalcMessage::InvalidOp);
    return std::log10(x);
}

/// The arithmetic of a hot loop, in two flavours: Checked raises each fault where it
/// arises; Fast runs the plain operations and leaves the faults to the sticky exception
/// flags of the floating-point unit (see TFpuFaults).
template <bool Checked>
struct TArith {
    static TReal CheckFinite(TReal x)
    {
        if constexpr (Checked)
            return fpcheck::CheckFinite(x);
        else
            return x;
    }
    static TReal Div(TReal a, TReal b)
    {
        if constexpr (Checked)
            return fpcheck::Div(a, b);
        else
            return a / b;
    }
    static double ToDouble(TReal x)
    {
        if constexpr (Checked)
            return fpcheck::ToDouble(x);
        else
            return static_cast<double>(x);
    }
};

/// The sticky invalid-operation, division-by-zero and overflow flags of the x87 unit,
/// which does all extended arithmetic. A fast loop clears them, runs unchecked, and asks
/// whether any of them was raised; if so, it is run again with checked arithmetic, which
/// finds the first fault and raises its message. Testing takes the loop's results as
/// memory operands, so every operation that produced them is finished before the test.
#if defined(__wasm__)
// WebAssembly's arithmetic keeps no exception flags, so the plain loop cannot tell whether
// a fault arose: it always reports one, and the checked loop computes the result (the same
// values) and raises any fault where it arises.
struct TFpuFaults {
    static void Clear() { }

    template <typename T>
    static bool Raised(const T&)
    {
        return true;
    }
};
#else
struct TFpuFaults {
    static void Clear() { asm volatile("fnclex" ::: "memory"); }

    template <typename T>
    static bool Raised(const T& results)
    {
        unsigned short status;
        asm volatile("fnstsw %0" : "=a"(status) : "m"(results) : "memory");
        constexpr unsigned short invalid = 0x01, zeroDivide = 0x04, overflow = 0x08;
        return (status & (invalid | zeroDivide | overflow)) != 0;
    }
};
#endif

} // namespace fpcheck
