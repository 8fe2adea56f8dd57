// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The window's own command-line words. The program opens its window whatever it is given,
// except for --help and --version, which print a text and end it before any window system
// is reached, so that they work without a display (a man page is made from them at build
// time). Every other argument goes to Qt, which takes its own (-platform, -style, ...) and
// leaves the rest unused, as it always has.

#include <optional>
#include <span>
#include <string>

/// The text that --help or --version asks for, the first of them among the arguments after
/// the program's name, or nothing when neither is there and the window is to open.
std::optional<std::string> InformationRequested(std::span<char* const> arguments);

/// The first line of --version: "quelix VERSION".
std::string WindowVersionText();

/// The text of --help.
std::string WindowHelpText();
