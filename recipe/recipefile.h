// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Recipe files: JSON with "format": "quelix-recipe" and "version": 1.
//
//   {"format": "quelix-recipe", "version": 1, "name": "pCa 9 relaxing", "volume_ml": 100,
//    "calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
//                    "mgatp": 4.5, "free_mg": 1, "free_ca": 1e-6},
//    "ligands": {"CrP": 14.5}, "constants": "nist-srd46-20c", "temperature_c": 22,
//    "ph_scale": "concentration",
//    "salts": {"egta": "EGTA (free acid)", "ca": "CaCl2·2H2O",
//              "CrP": {"name": "my CrP", "molar_mass_g_mol": 255.08, "ions": "Na+:2;PCr2-:1"}},
//    "purity": {"atp": 0.95}, "contaminating_ca_mM": 0.01,
//    "buffer": {"name": "imidazole", "total_mM": 20},
//    "titrant": "KOH", "filler": "KCl", "stock_solutions": {"ca": 100, "titrant": 4000}}
//
// Every key but "format" and "version" may be left out (the calculation's inputs take the
// built-in defaults, the salts theirs, the titrant KOH, the filler KCl, the volume 100 ml).
// The reader is strict: an unknown key, a key given twice, a value of the wrong kind or out
// of range is refused with a message that names the file and the key.

#include "recipe/recipe.h"

#include <filesystem>
#include <string>
#include <string_view>

/// The recipe in `text`; `fileName` names the file in messages and `folder` is where a set
/// file named under "constants" is looked for first. Throws TRecipeError.
TRecipe ParseRecipe(std::string_view text, std::string_view fileName,
                    const std::filesystem::path& folder = {});

/// The recipe in the file at `path` (at most 1 MB). Throws TRecipeError.
TRecipe ReadRecipeFile(const std::filesystem::path& path);

/// The recipe as a file's text that ParseRecipe reads back as the same recipe (a bundled
/// salt or buffer by its name, any other whole).
std::string RecipeText(const TRecipe& recipe);
