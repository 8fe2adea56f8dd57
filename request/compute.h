// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// One whole calculation of a request: the inputs onto an engine, the solve at the input's
// pH, ionic strength, temperature and pH scale, and the outcome that the record and the
// report are written from.

#include "report/record.h"

/// One whole calculation of `input` on `engine` (whose BaseConst and its origin the caller
/// has set), at the input's pH, ionic strength, temperature and pH scale, then the ionic
/// strength estimates and, for the report format, the report text. A TCalcError becomes
/// the outcome's Error, and so does a value of the record that is beyond the extended
/// range (the overflow error), so that every format fails alike.
TCalcOutcome Compute(TEngine& engine, const TCalcInput& input, TOutputFormat format);
