// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The set file reader under libFuzzer: any text is either refused with the reader's error or
// read as a whole set, further ligands included; a set that is read writes back to a text
// that reads as the same set, and the engine takes its further ligands as they are.
#include "constsets/setfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TConstSet set;
    try {
        set = ParseConstSet(text, "fuzz.json");
    } catch (const TConstSetError&) {
        return 0;
    }
    try {
        if (ParseConstSet(ConstSetText(set), "again.json") != set)
            std::abort();
    } catch (const TConstSetError&) {
        // A set that was read but does not write (a name "Built-in" with entries, text that
        // is not UTF-8) is refused by the writer, as it must be.
    }
    std::vector<TFurtherLigand> ligands;
    for (const TKnownLigand& known : KnownLigands(set))
        if (ligands.size() < MaxFurtherLigands)
            ligands.push_back(EngineLigand(known));
    TEngine engine;
    engine.SetFurtherLigands(ligands); // throws for nothing a set file can hold
    return 0;
}
