// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/exp10.h"

#include "engine/fpcheck.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// Table-driven: x = (32 M + j) log10(2) / 32 + r with |r| <= log10(2) / 64, so that
//   10^x = 2^M * 2^(j/32) * 10^r.
// 2^(j/32) is held as the nearest extended real plus the rest, 10^r - 1 comes from its
// Taylor series in r ln 10 (|r ln 10| < 0.011, so eight terms leave an error far below
// the last place), and the result is rounded once when the small part joins 2^(j/32).

namespace {

static_assert(std::numeric_limits<double>::is_iec559);

struct TSplit {
    TReal Hi, Lo;
};

// 2^(j/32) for j = 0..31: Hi is the nearest extended real, Lo the nearest to the rest.
constexpr std::array<TSplit, 32> TwoToJ32 {{
    {0x8000000000000000p-63L, 0.0L},
    {0x82cd8698ac2ba1d7p-63L, 0xf8a91d6d19482ffdp-129L},
    {0x85aac367cc487b15p-63L, -0xe8da91cf7aacf938p-129L},
    {0x88980e8092da8527p-63L, 0xbbf1aed9318ceac6p-128L},
    {0x8b95c1e3ea8bd6e7p-63L, -0x8373af14eb586dfdp-132L},
    {0x8ea4398b45cd53c0p-63L, 0xb70051321e0f5317p-129L},
    {0x91c3d373ab11c336p-63L, 0xfd6d8e0ae5ac9d82p-131L},
    {0x94f4efa8fef70961p-63L, 0xba2beb4495477951p-129L},
    {0x9837f0518db8a96fp-63L, 0x8d5a46305c85ededp-128L},
    {0x9b8d39b9d54e5539p-63L, -0xbaafd0bab86781c2p-128L},
    {0x9ef5326091a111aep-63L, -0xbeddc1ec288c045dp-128L},
    {0xa27043030c496819p-63L, -0xc90bf620fe6042b1p-128L},
    {0xa5fed6a9b15138eap-63L, 0xe5ebfb10b88380d9p-130L},
    {0xa9a15ab4ea7c0ef8p-63L, 0xa83c49d86a63f4e6p-128L},
    {0xad583eea42a14ac6p-63L, 0x93015191eb345d89p-128L},
    {0xb123f581d2ac2590p-63L, -0xf05f902d25bd44e3p-128L},
    {0xb504f333f9de6484p-63L, 0xb2fb1366ea957d3ep-128L},
    {0xb8fbaf4762fb9ee9p-63L, 0xdc3cbbc2b35b2d0dp-130L},
    {0xbd08a39f580c36bfp-63L, -0xaefdc09325e0a10cp-128L},
    {0xc12c4cca66709456p-63L, 0xf88afab34a010f6bp-128L},
    {0xc5672a115506daddp-63L, 0xf8ab432593767cdep-129L},
    {0xc9b9bd866e2f27a3p-63L, -0xfe3c0dabf5dd2d04p-128L},
    {0xce248c151f8480e4p-63L, -0xee53e3835069c895p-130L},
    {0xd2a81d91f12ae45ap-63L, 0x912472be1ef20143p-130L},
    {0xd744fccad69d6af4p-63L, 0xe69a2ee640b4ff78p-129L},
    {0xdbfbb797daf23755p-63L, 0xf610356a78a6a991p-129L},
    {0xe0ccdeec2a94e111p-63L, 0xcb12a091ba667944p-132L},
    {0xe5b906e77c8348a8p-63L, 0xf2f47a5276dd8765p-130L},
    {0xeac0c6e7dd24392fp-63L, -0xbf4a29323e46ac15p-129L},
    {0xefe4b99bdcdaf5cbp-63L, 0x8cac39ed291b7226p-128L},
    {0xf5257d152486cc2cp-63L, 0xf73a18f5db301f87p-128L},
    {0xfa83b2db722a033ap-63L, 0xf84b762862baff99p-128L},
}};

constexpr TReal ThirtyTwoOverLog10Of2 = 0xd49a784bcd1b8afep-57L;
// log10(2) / 32 in two parts: the first has 48 significant bits, so N times it is exact
// for |N| < 2^16; the second is the nearest extended real to the rest.
constexpr TReal Log10Of2Over32Hi = 0x9a209a84fbd0p-54L;
constexpr TReal Log10Of2Over32Lo = -0x8677076a653f4837p-122L;

// (ln 10)^k / k! for k = 1..8.
constexpr std::array<TReal, 8> Taylor {0x935d8dddaaa8ac17p-62L, 0xa9a92639e753443bp-62L,
                                       0x82382c8ef1652304p-62L, 0x95ebb04fecc62264p-63L,
                                       0x8a14ffe8ea6bb111p-64L, 0xd3f6b8423e45aebep-66L,
                                       0x8b726fe199d43598p-67L, 0xa08b582fed52e6f8p-69L};

// 2^m for |m| <= 1022, as a double built from its bits (exact, and cheaper for the x87
// unit to load than an extended real assembled in memory).
double PowerOfTwo(int m)
{
    return std::bit_cast<double>(static_cast<std::uint64_t>(m + 1023) << 52);
}

} // namespace

TReal Exp10(TReal x)
{
    if (!(std::fabs(x) <= 300))
        return exp10l(x);
    // N = nearest integer to 32 x / log10(2).
    const fpcheck::TNearest nearest = fpcheck::Nearest(x * ThirtyTwoOverLog10Of2);
    const TReal n = nearest.Value;
    const std::int64_t bigN = nearest.Integer;
    // x - N log10(2)/32: the first product and difference are exact.
    const TReal r = (x - n * Log10Of2Over32Hi) - n * Log10Of2Over32Lo;
    // 10^r - 1 = r (a1 + a2 r + ... + a8 r^7), the sum in Estrin's order: its pieces
    // are independent, which shortens the chain of dependent operations.
    const auto& a = Taylor;
    const TReal r2 = r * r;
    const TReal r4 = r2 * r2;
    const TReal low = (a[0] + a[1] * r) + r2 * (a[2] + a[3] * r);
    const TReal high = (a[4] + a[5] * r) + r2 * (a[6] + a[7] * r);
    const TReal p = r * (low + r4 * high);
    const TSplit& t = TwoToJ32[static_cast<std::size_t>(bigN & 31)];
    const TReal mantissa = t.Hi + (t.Hi * p + t.Lo);
    return mantissa * static_cast<TReal>(PowerOfTwo(static_cast<int>(bigN >> 5)));
}
