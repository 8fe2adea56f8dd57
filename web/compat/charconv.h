// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the C++ library of the WebAssembly build (Emscripten 3.1.6, libc++ 13) lacks of
// C++20 and the windowless layers use: the floating-point overloads of std::to_chars and
// std::from_chars, std::bit_cast and four range algorithms. The build includes this header
// before every source, so the layers compile unchanged. Each overload does what the standard
// says through the C library's correctly rounded printf and strtold of the "C" locale
// (the only locale there): a given precision is printf's, ties going to even; the
// shortest form is the fewest significant digits that read back to the same value.

#if defined(__EMSCRIPTEN__)

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace quelix_charconv {

template <typename T>
inline std::to_chars_result Print(char* first, char* last, T value, char conversion, int precision)
{
    char format[8] = {'%', '.', '*', 'L', conversion, '\0'};
    const int written = std::snprintf(first, static_cast<std::size_t>(last - first), format,
                                      precision, static_cast<long double>(value));
    if (written < 0 || written >= last - first)
        return {last, std::errc::value_too_large};
    return {first + written, std::errc()};
}

template <typename T>
inline T ReadBack(const char* text, char** end = nullptr)
{
    if constexpr (std::is_same_v<T, double>)
        return std::strtod(text, end);
    else
        return std::strtold(text, end);
}

// The fewest significant digits (1 to 40) whose scientific text reads back as `value`.
template <typename T>
inline int ShortestPrecision(T value)
{
    char buf[80];
    for (int digits = 1; digits < 40; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*Le", digits - 1, static_cast<long double>(value));
        if (ReadBack<T>(buf) == value)
            return digits;
    }
    return 40;
}

// Scientific text as printf writes it, with `digits` significant digits, made into the
// fixed notation where `fixed` asks for it ("1.5e-07" -> "0.00000015").
template <typename T>
inline std::to_chars_result Shortest(char* first, char* last, T value, std::chars_format fmt)
{
    if (!std::isfinite(value))
        return Print(first, last, value, 'g', 0);
    const int digits = ShortestPrecision(value);
    char sci[80];
    std::snprintf(sci, sizeof sci, "%.*Le", digits - 1, static_cast<long double>(value));
    const char* e = std::strchr(sci, 'e');
    const int exponent = std::atoi(e + 1);
    // Fixed text with exactly the significant digits: decimals = digits - 1 - exponent.
    char fixed[5000];
    std::snprintf(fixed, sizeof fixed, "%.*Lf", std::max(0, digits - 1 - exponent),
                  static_cast<long double>(value));
    std::string_view chosen;
    if (fmt == std::chars_format::scientific)
        chosen = sci;
    else if (fmt == std::chars_format::fixed)
        chosen = fixed;
    else
        chosen = std::strlen(fixed) <= std::strlen(sci) ? std::string_view(fixed)
                                                        : std::string_view(sci);
    if (chosen.size() > static_cast<std::size_t>(last - first))
        return {last, std::errc::value_too_large};
    std::memcpy(first, chosen.data(), chosen.size());
    return {first + chosen.size(), std::errc()};
}

inline char Conversion(std::chars_format fmt)
{
    return fmt == std::chars_format::scientific ? 'e' : fmt == std::chars_format::fixed ? 'f' : 'g';
}

template <typename T>
inline std::from_chars_result Read(const char* first, const char* last, T& value)
{
    // The callers hand over text in the grammar of the standard's from_chars; strtold
    // needs it terminated.
    char buf[512];
    const auto length = static_cast<std::size_t>(last - first);
    if (length == 0 || length >= sizeof buf)
        return {first, std::errc::invalid_argument};
    std::memcpy(buf, first, length);
    buf[length] = '\0';
    char* end = nullptr;
    errno = 0;
    const T result = ReadBack<T>(buf, &end);
    if (end == buf)
        return {first, std::errc::invalid_argument};
    const char* stop = first + (end - buf);
    if (errno == ERANGE)
        return {stop, std::errc::result_out_of_range};
    value = result;
    return {stop, std::errc()};
}

} // namespace quelix_charconv

namespace std {

// Only the overloads the sources use: double and long double.
inline to_chars_result to_chars(char* first, char* last, double value)
{
    return quelix_charconv::Shortest(first, last, value, chars_format::general);
}
inline to_chars_result to_chars(char* first, char* last, long double value)
{
    return quelix_charconv::Shortest(first, last, value, chars_format::general);
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format fmt)
{
    return quelix_charconv::Shortest(first, last, value, fmt);
}
inline to_chars_result to_chars(char* first, char* last, long double value, chars_format fmt)
{
    return quelix_charconv::Shortest(first, last, value, fmt);
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format fmt,
                                int precision)
{
    return quelix_charconv::Print(first, last, value, quelix_charconv::Conversion(fmt), precision);
}
inline to_chars_result to_chars(char* first, char* last, long double value, chars_format fmt,
                                int precision)
{
    return quelix_charconv::Print(first, last, value, quelix_charconv::Conversion(fmt), precision);
}
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general)
{
    return quelix_charconv::Read(first, last, value);
}
inline from_chars_result from_chars(const char* first, const char* last, long double& value,
                                    chars_format = chars_format::general)
{
    return quelix_charconv::Read(first, last, value);
}

template <typename To, typename From>
constexpr To bit_cast(const From& from) noexcept
{
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}

namespace ranges {

template <typename Range, typename T>
constexpr auto find(Range&& range, const T& value)
{
    return std::find(std::begin(range), std::end(range), value);
}

template <typename Range, typename Predicate>
constexpr bool all_of(Range&& range, Predicate predicate)
{
    return std::all_of(std::begin(range), std::end(range), predicate);
}

template <typename Range, typename Predicate, typename T>
constexpr void replace_if(Range&& range, Predicate predicate, const T& value)
{
    std::replace_if(std::begin(range), std::end(range), predicate, value);
}

template <typename Range, typename T, typename Compare = std::less<>, typename Projection>
constexpr auto upper_bound(Range&& range, const T& value, Compare compare, Projection projection)
{
    return std::upper_bound(
        std::begin(range), std::end(range), value, [&](const T& v, const auto& element) {
            return std::invoke(compare, v, std::invoke(projection, element));
        });
}

} // namespace ranges

} // namespace std

#endif
