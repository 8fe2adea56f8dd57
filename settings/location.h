// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Which settings file the window uses. A program kept in a folder of its own (unpacked,
// built, carried on a stick) keeps its settings beside itself, as it always has: there the
// file exists already or can be created. A program installed where the user cannot write
// (/usr/bin, /usr/local/bin) keeps them in the user's configuration folder instead,
// $XDG_CONFIG_HOME/quelix/ or ~/.config/quelix/, under the same file name.
//
// The decision takes its file-system checks and environment as arguments, so that both
// cases can be tried whoever runs it (the superuser may write everywhere).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

/// What the decision needs to know about the machine.
struct TSettingsEnvironment {
    /// Whether something exists at the path (a file, a link, a directory).
    std::function<bool(const std::filesystem::path&)> Exists;
    /// Whether a new file can be created in the directory.
    std::function<bool(const std::filesystem::path&)> CanCreateIn;
    std::optional<std::string> XdgConfigHome; // $XDG_CONFIG_HOME, if set
    std::optional<std::string> Home;          // $HOME, if set
};

struct TSettingsLocation {
    std::filesystem::path File;
    bool BesideProgram = true; // false: in the user's configuration folder
};

/// The settings file of the executable: its path with the extension replaced by ".INI",
/// or ".INI" appended when it has none ("/opt/q/quelix" -> "/opt/q/quelix.INI").
std::filesystem::path IniFileName(const std::filesystem::path& executablePath);

/// The settings file for the program at `executablePath`: IniFileName beside the program
/// when a file of that name exists there or its folder lets us create one; otherwise the
/// same file name in "quelix" under $XDG_CONFIG_HOME (when set to an absolute path) or
/// under $HOME/.config. With neither variable usable it stays beside the program, where a
/// save then reports that it cannot write.
TSettingsLocation ChooseSettingsFile(const std::filesystem::path& executablePath,
                                     const TSettingsEnvironment& environment);

/// The real checks and variables of this process.
TSettingsEnvironment ProcessEnvironment();

/// ChooseSettingsFile with the process environment; creates the configuration folder when
/// that is the choice, so that the first start can write the file. A folder that cannot be
/// created is left to the first write to report.
TSettingsLocation SettingsFileForProgram(const std::filesystem::path& executablePath);
