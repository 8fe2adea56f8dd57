// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The texts of the bundled salt and pH buffer tables, built into the program from
// recipe/data/*.json (tabletexts.cpp is generated at build time by embed.cmake).

#include <string_view>

std::string_view SaltTableText();
std::string_view BufferTableText();
