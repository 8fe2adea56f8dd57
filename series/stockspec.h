// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A stock solution of a mixing table as a short text: "total_egta=7,total_mg=5.5,
// total_atp=5", as quelix-cli's --stock-a and the Python module's stock texts give it.

#include "request/request.h"
#include "request/runconditions.h"

#include <string_view>

/// "total_egta=7,total_mg=5.5,total_atp=5": the seven totals of a stock in mM, unnamed
/// ones 0, set in a copy of `base`. With `run`, a name total_<n> of a further ligand gives
/// its total (and adds the ligand to the run's, where it is not there yet); the further
/// totals that a spec does not name are 0 too. Throws TUsageError naming `option` for an
/// unknown or repeated name, a number that does not convert and a negative total.
TCalcInput ParseStockSpec(std::string_view option, std::string_view spec, const TCalcInput& base,
                          TRunConstants* run = nullptr);
