// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/request.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/exp10.h"
#include "engine/fpcheck.h"
#include "engine/realtext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

using enum TValueField;

TCalcInput DefaultInput()
{
    TCalcInput in;
    in[vfpH] = 8;
    in[vfIonStr] = 0.2L;
    in[vfTotalMg] = 2.2L;
    in[vfTotalCa] = 0.5L;
    in[vfTotalATP] = 0.22L;
    in[vfTotalEGTA] = 2;
    in[vfFreeMg] = 1;
    in[vfFreeCa] = 1;
    in[vfMgATP] = 0.2L;
    return in;
}

std::optional<TCalcMode> ModeOfText(std::string_view text)
{
    std::string_view digits = TrimBlanks(text);
    if (digits.empty() || !std::ranges::all_of(digits, IsAsciiDigit))
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    if (digits.size() != 1 || digits[0] - '0' >= ModeCount)
        return std::nullopt;
    return static_cast<TCalcMode>(digits[0] - '0');
}

std::string ModeInputsText(std::string_view indent)
{
    std::string text;
    for (int mode = 0; mode < ModeCount; ++mode) {
        text += std::string(indent) + std::to_string(mode) + "  "
            + std::string(ModeCaptions[static_cast<std::size_t>(mode)]) + ": ";
        bool first = true;
        for (TValueField f : ModeFields) {
            if (!IsModeInput(static_cast<TCalcMode>(mode), f))
                continue;
            text += first ? "" : ", ";
            text += RecordColumns()[static_cast<std::size_t>(f) + 1].Name;
            first = false;
        }
        text += '\n';
    }
    return text;
}

std::string EchoText(std::string_view text)
{
    constexpr std::size_t MaxEchoed = 80;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that does not continue a UTF-8 sequence.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == MaxEchoed)
            return PrintableText(text.substr(0, i)) + "...";
    }
    return PrintableText(text);
}

namespace {

// NumberMessage with the text shown as `shown`.
std::string NumberMessageShowing(std::string_view text, const std::string& shown)
{
    // With every digit made 0 the text keeps its form and its value comes into range: if
    // that reads as a number, only the magnitude of the original was too large (a tiny
    // magnitude reads as 0, as the entry fields read it).
    std::string zeroed(text);
    std::ranges::replace_if(zeroed, IsAsciiDigit, '0');
    if (TextToReal(zeroed))
        return "'" + shown + "' is out of range: numbers must lie within about "
            + "-1.19e4932 to 1.19e4932";
    return CalcMessage::NotAFloat(shown);
}

} // namespace

std::string NumberMessage(std::string_view text)
{
    return NumberMessageShowing(text, PrintableText(text));
}

std::string OptionNumberMessage(std::string_view text)
{
    return NumberMessageShowing(text, EchoText(text));
}

TReal ParseNumber(std::string_view text)
{
    if (const auto value = TextToReal(text))
        return *value;
    throw TUsageError(NumberMessage(text));
}

std::string NotAModeMessage(std::string_view shownText)
{
    return "'" + std::string(shownText) + "' is not a calculation mode (0 to 6)";
}

TCalcMode ParseMode(std::string_view text)
{
    if (const auto mode = ModeOfText(text))
        return *mode;
    RaiseCalcError(NotAModeMessage(text));
}

namespace {

__extension__ typedef unsigned __int128 TUInt128;

// 5^j for j = 0 ... 27, each below 2^63.
constexpr auto PowersOfFive = [] {
    std::array<std::uint64_t, 28> p {};
    p[0] = 1;
    for (std::size_t j = 1; j < p.size(); ++j)
        p[j] = p[j - 1] * 5;
    return p;
}();

constexpr std::uint64_t E18 = 1000000000000000000ULL;
constexpr std::uint64_t E19 = 10 * E18;

// x > 0 rounded to the 19 significant digits that FormatReal prints and read back, as
// TextToReal(FormatReal(x)) gives it, but without the text: the text conversions would
// take a third of the time of a point. x = m 2^(e - 64) with a 64-bit m, so x 10^j is
// m 5^j 2^(e - 64 + j), exact in 128 bits for j <= 27; cut to an integer n of 19 digits
// and rounded half to even as the printed digits are, n / 10^j is one correctly rounded
// division of two exact numbers, as reading the text is. Other x take the text route.
TReal RoundToPrintedDigitsOf(TReal x)
{
    const auto byText = [x] { return TextToReal(FormatReal(x)).value_or(x); };
    int e = 0;
    const TReal fraction = std::frexp(x, &e);
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    int k = static_cast<int>(std::floor(std::log10(x))); // may be one off; corrected below
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int j = 18 - k;
        const int shift = 64 - e - j; // x 10^j = m 5^j / 2^shift
        if (j < 0 || j > 27 || shift <= 0 || shift >= 128)
            return byText();
        const TUInt128 p = static_cast<TUInt128>(m) * PowersOfFive[static_cast<std::size_t>(j)];
        const TUInt128 q = p >> shift;
        if (q < E18 || q >= E19) {
            k += q < E18 ? -1 : 1;
            continue;
        }
        const TUInt128 rest = p - (q << shift);
        const TUInt128 half = static_cast<TUInt128>(1) << (shift - 1);
        auto n = static_cast<std::uint64_t>(q);
        if (rest > half || (rest == half && (n & 1) != 0))
            ++n;
        return static_cast<TReal>(n) / Exp10(static_cast<TReal>(j));
    }
    return byText();
}

} // namespace

TReal FreeCaOfPCa(TReal pCa)
{
    const TReal freeCa = fpcheck::Pow10(3 - pCa);
    return freeCa > 0 ? RoundToPrintedDigitsOf(freeCa) : freeCa;
}
