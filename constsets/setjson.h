// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the reader and the writer of set files share.

#include "constsets/constset.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Floating-point numbers are read as extended reals, so that "10.973" in a file is the
// same number as 10.973 typed into the dialog or on the command line.
using TJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                   std::uint64_t, TReal>;

/// The shortest text that reads back as the same extended real; no negative zero.
std::string NumberText(TReal x);

/// Refuses (TConstSetError naming `fileName`) the built-in table's name on a set with
/// entries of its own.
void CheckName(const TConstSet& set, std::string_view fileName);
