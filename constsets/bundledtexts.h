// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The texts of the bundled set files, built into the program from constsets/sets/*.json
// and of the further-ligand library (bundledtexts.cpp is generated at build time by embed.cmake).

#include <span>
#include <string_view>

struct TBundledText {
    std::string_view Id; // the file name without ".json"
    std::string_view FileName;
    std::string_view Text;
};

/// In the order the build lists them, "Built-in" first.
std::span<const TBundledText> BundledSetTexts();

/// The library of further ligands (constsets/ligands/further-ligands-20c.json).
TBundledText BundledLigandText();
