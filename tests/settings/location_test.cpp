// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include <gtest/gtest.h>

#include <set>

namespace fs = std::filesystem;

TEST(SettingsLocation, IniFileNameReplacesOrAppendsExtension)
{
    EXPECT_EQ(IniFileName("/opt/q/quelix"), fs::path("/opt/q/quelix.INI"));
    EXPECT_EQ(IniFileName("C:/Quelix/QUELIX.EXE"), fs::path("C:/Quelix/QUELIX.INI"));
    EXPECT_EQ(IniFileName("/opt/q.v2/quelix"), fs::path("/opt/q.v2/quelix.INI"));
}

// The file-system checks are given, not asked of the system, so that the installed case is
// tried even by the superuser, who may write everywhere.
TEST(SettingsLocation, BesideTheProgramWhereItExistsOrCanBeCreatedElseInTheConfigFolder)
{
    struct TCase {
        const char* Name;
        const char* Program;
        std::set<std::string> Existing;
        std::set<std::string> WritableDirs;
        std::optional<std::string> XdgConfigHome;
        std::optional<std::string> Home;
        const char* Expected;
        bool Beside;
    };
    const TCase cases[] = {
        {"portable, folder writable",
         "/home/u/quelix/quelix",
         {},
         {"/home/u/quelix"},
         std::nullopt,
         "/home/u",
         "/home/u/quelix/quelix.INI",
         true},
        {"portable, file kept there read-only",
         "/media/stick/quelix",
         {"/media/stick/quelix.INI"},
         {},
         "/home/u/.cfg",
         "/home/u",
         "/media/stick/quelix.INI",
         true},
        {"installed",
         "/usr/local/bin/quelix",
         {},
         {"/home/u"},
         std::nullopt,
         "/home/u",
         "/home/u/.config/quelix/quelix.INI",
         false},
        {"installed, XDG folder",
         "/usr/bin/quelix",
         {},
         {},
         "/home/u/.cfg",
         "/home/u",
         "/home/u/.cfg/quelix/quelix.INI",
         false},
        {"relative XDG folder is ignored",
         "/usr/bin/quelix",
         {},
         {},
         "cfg",
         "/home/u",
         "/home/u/.config/quelix/quelix.INI",
         false},
        {"empty XDG folder is ignored",
         "/usr/bin/quelix",
         {},
         {},
         "",
         "/home/u",
         "/home/u/.config/quelix/quelix.INI",
         false},
        {"no home at all",
         "/usr/bin/quelix",
         {},
         {},
         std::nullopt,
         std::nullopt,
         "/usr/bin/quelix.INI",
         true},
        {"the name follows the program",
         "/usr/bin/quelix-3.6.bin",
         {},
         {},
         std::nullopt,
         "/root",
         "/root/.config/quelix/quelix-3.6.INI",
         false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSettingsEnvironment environment;
        environment.Exists = [&c](const fs::path& p) { return c.Existing.contains(p.string()); };
        environment.CanCreateIn = [&c](const fs::path& p) {
            return c.WritableDirs.contains(p.string());
        };
        environment.XdgConfigHome = c.XdgConfigHome;
        environment.Home = c.Home;
        const TSettingsLocation location = ChooseSettingsFile(c.Program, environment);
        EXPECT_EQ(location.File, fs::path(c.Expected));
        EXPECT_EQ(location.BesideProgram, c.Beside);
    }
}
