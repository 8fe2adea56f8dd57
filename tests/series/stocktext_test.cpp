// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "series/stocktext.h"

#include "series/series.h"

#include <gtest/gtest.h>

using enum TValueField;

TEST(StockSpec, AnEmptySpecIsAStockWithoutTotals)
{
    const TCalcInput stock = ParseStockSpec("--stock-a", "", DefaultInput());
    for (TValueField f : StockTotals)
        EXPECT_EQ(stock[f], 0);
    EXPECT_EQ(stock[vfFreeMg], DefaultInput()[vfFreeMg]);
}
