// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include "tests/settings/tempdir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>

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
        // Relative values are ignored, as the desktop's base directory rules say; an empty
        // HOME is one (a service started without a user's environment).
        {"relative HOME is ignored",
         "/usr/bin/quelix",
         {},
         {"/"},
         std::nullopt,
         "home/u",
         "/usr/bin/quelix.INI",
         true},
        {"empty HOME is ignored", "/usr/bin/quelix", {}, {}, "", "", "/usr/bin/quelix.INI", true},
        {"relative XDG folder and relative HOME",
         "/usr/bin/quelix",
         {},
         {},
         ".cfg",
         "~",
         "/usr/bin/quelix.INI",
         true},
        // Started by a bare name from its own folder: that folder is the working one.
        {"no folder in the program's path",
         "quelix",
         {},
         {"."},
         std::nullopt,
         "/home/u",
         "quelix.INI",
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

namespace {

// Sets or unsets an environment variable for one scope and puts the old value back.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const std::optional<std::string>& value)
        : FName(name)
    {
        if (const char* old = std::getenv(name))
            FOld = old;
        Set(value);
    }
    ~TScopedVariable() { Set(FOld); }
    TScopedVariable(const TScopedVariable&) = delete;
    TScopedVariable& operator=(const TScopedVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(FName, value->c_str(), 1);
        else
            ::unsetenv(FName);
    }

    const char* FName;
    std::optional<std::string> FOld;
};

// Runs in `dir` for one scope, so that a relative path would land where it can be seen.
class TScopedWorkingDir {
public:
    explicit TScopedWorkingDir(const fs::path& dir)
        : FOld(fs::current_path())
    {
        fs::current_path(dir);
    }
    ~TScopedWorkingDir() { fs::current_path(FOld); }
    TScopedWorkingDir(const TScopedWorkingDir&) = delete;
    TScopedWorkingDir& operator=(const TScopedWorkingDir&) = delete;

private:
    fs::path FOld;
};

} // namespace

// The program as it starts: the real environment and file system. An installed program
// is one whose folder takes no new file; a folder that does not exist is such a place for
// any user, the superuser too.
TEST(SettingsLocation, AnInstalledProgramGetsItsConfigFolderMadeAndCanSaveAtOnce)
{
    struct TCase {
        const char* Name;
        std::optional<std::string> XdgConfigHome; // "@" stands for the temporary folder
        std::optional<std::string> Home;
        const char* Expected; // under the temporary folder; "" beside the program
    };
    const TCase cases[] = {
        {"XDG folder", "@/cfg", "@/home", "cfg/quelix/quelix.INI"},
        {"HOME, no .config yet", std::nullopt, "@/home", "home/.config/quelix/quelix.INI"},
        {"empty XDG folder, HOME", "", "@/home", "home/.config/quelix/quelix.INI"},
        {"empty HOME", std::nullopt, "", ""},
        {"relative HOME", std::nullopt, "home", ""},
        {"relative XDG folder and no HOME", "cfg", std::nullopt, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TTempDir temp;
        const fs::path root = temp / "";
        const auto expand = [&root](const std::optional<std::string>& value) {
            if (!value || !value->starts_with('@'))
                return value;
            return std::optional<std::string>((root / value->substr(2)).string());
        };
        fs::create_directory(temp / "home");
        fs::create_directory(temp / "work");
        const TScopedVariable xdg("XDG_CONFIG_HOME", expand(c.XdgConfigHome));
        const TScopedVariable home("HOME", expand(c.Home));
        const TScopedWorkingDir cwd(temp / "work");
        const fs::path program = temp / "usr/bin/quelix";

        const TSettingsLocation location = SettingsFileForProgram(program);
        if (std::string(c.Expected).empty()) {
            EXPECT_TRUE(location.BesideProgram);
            EXPECT_EQ(location.File, temp / "usr/bin/quelix.INI");
        } else {
            EXPECT_FALSE(location.BesideProgram);
            EXPECT_EQ(location.File, temp / c.Expected);
            EXPECT_TRUE(fs::is_directory(location.File.parent_path()));
            // The first save finds its folder.
            EXPECT_TRUE(static_cast<bool>(std::ofstream(location.File) << "[Main]\n"));
        }
        // Nothing is made where the program was started, nor beside the program.
        EXPECT_TRUE(fs::is_empty(temp / "work"));
        EXPECT_FALSE(fs::exists(temp / "usr"));
        if (c.XdgConfigHome && c.XdgConfigHome->starts_with('@')) {
            EXPECT_TRUE(fs::is_empty(temp / "home")); // XDG wins over HOME
        }
    }
}

TEST(SettingsLocation, APortableProgramKeepsItsSettingsBesideItselfAndMakesNoConfigFolder)
{
    const TTempDir temp;
    fs::create_directory(temp / "quelix");
    fs::create_directory(temp / "home");
    const TScopedVariable xdg("XDG_CONFIG_HOME", std::nullopt);
    const TScopedVariable home("HOME", (temp / "home").string());
    const TSettingsLocation location = SettingsFileForProgram(temp / "quelix/quelix");
    EXPECT_TRUE(location.BesideProgram);
    EXPECT_EQ(location.File, temp / "quelix/quelix.INI");
    EXPECT_TRUE(fs::is_empty(temp / "home"));
}

TEST(SettingsLocation, TheProcessChecksSeeFoldersThatTakeANewFileOnly)
{
    const TTempDir temp;
    fs::create_directory(temp / "dir");
    WriteText(temp / "file", "x");
    fs::permissions(temp / "file", fs::perms::owner_all); // even an executable file
    const TSettingsEnvironment environment = ProcessEnvironment();
    EXPECT_TRUE(environment.CanCreateIn(temp / "dir"));
    EXPECT_FALSE(environment.CanCreateIn(temp / "file"));
    EXPECT_FALSE(environment.CanCreateIn(temp / "missing"));
    EXPECT_TRUE(environment.Exists(temp / "file"));
    EXPECT_FALSE(environment.Exists(temp / "missing"));
    fs::create_symlink(temp / "missing", temp / "dangling");
    EXPECT_TRUE(environment.Exists(temp / "dangling")); // a link is something there
    // A folder without write permission, as /usr/bin is for a user (the superuser may
    // write in any folder, so for it the check is rightly true).
    fs::create_directory(temp / "readonly");
    fs::permissions(temp / "readonly", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(environment.CanCreateIn(temp / "readonly"), ::geteuid() == 0);
}
