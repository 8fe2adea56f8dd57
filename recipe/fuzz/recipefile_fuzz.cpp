// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The recipe file reader under libFuzzer: any text is either refused with the reader's error
// or read as a whole recipe; a recipe that is read writes back to a text that reads as the
// same recipe, and computing it either fails with a message or gives a solution whose
// numbers are finite.
#include "recipe/recipefile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TRecipe recipe;
    try {
        recipe = ParseRecipe(text, "fuzz.json");
    } catch (const TRecipeError&) {
        return 0;
    }
    try {
        const std::string saved = RecipeText(recipe);
        if (RecipeText(ParseRecipe(saved, "again.json")) != saved)
            std::abort();
    } catch (const TRecipeError&) {
        // A text that is not UTF-8 is refused by the writer, as it must be.
    }
    TEngine engine;
    const TRecipeOutcome outcome = ComputeRecipe(engine, recipe, TOutputFormat::ofJson);
    if (!outcome.Failed()
        && !(std::isfinite(outcome.Solution.ChargeBalancemM)
             && std::isfinite(outcome.Solution.IonStr) && outcome.Solution.FillermM >= 0))
        std::abort();
    return 0;
}
