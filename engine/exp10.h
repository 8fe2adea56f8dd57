// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

#include "engine/realtype.h"

#include <array>
#include <cstddef>

/// 10 raised to x in extended precision, within about half a unit in the last place, and
/// exact where 10^x is representable (integral x from 0 to 27). Every calculation turns
/// all its binding constants from log10 K into K; unlike the C library's exp10l this never
/// switches the floating-point unit's control word, which stalls the unit, so a
/// calculation's constants take about half the time. Arguments beyond +-300 go to exp10l;
/// an infinite or NaN result is left for the caller to reject.
TReal Exp10(TReal x);

/// 10^0 ... 10^(N-1) in T, made at compile time by repeated multiplication, so each entry
/// is exact as long as T holds it exactly (the caller chooses N for that).
template <typename T, std::size_t N>
consteval std::array<T, N> PowersOfTen()
{
    std::array<T, N> powers {};
    T p = 1;
    for (T& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}
