// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The weighing sheet of a recipe as a PDF that goes to the bench: what to weigh (or
// pipette) for the final volume, in the order to weigh it, with a box to tick per line; the
// titrant to expect; the ionic strength of the finished solution and its charge-balance
// check; the counter-ions and the notes; the date and the program's version.

#include "recipe/recipe.h"

#include <QDateTime>
#include <QString>

/// The sheet as HTML (what the PDF shows) of a recipe whose solution was made.
QString RecipeSheetHtml(const TRecipe& recipe, const TRecipeOutcome& outcome,
                        const QDateTime& made);

/// Writes the sheet to `path` as a PDF on A4. Returns false when the file cannot be
/// written.
bool SaveRecipeSheet(const QString& path, const TRecipe& recipe, const TRecipeOutcome& outcome,
                     const QDateTime& made);
