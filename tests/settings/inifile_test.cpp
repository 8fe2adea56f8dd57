// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/inifile.h"

#include "engine/calcerror.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(IniFile, ReadsWithPrivateProfileRules)
{
    TTempDir dir;
    WriteText(dir / "q.INI",
              "; pH=1\npH=2\n[ default ]\r\n  PH   =   7.5  \r\nQuoted=\" x \"\r\n"
              "Empty=\r\njunk line\r\n ; Total Mg=5\r\n[Default]\nIonStr=0.3\n"
              "[Other]\nIonStr=0.1\r");
    const TIniFile ini(dir / "q.INI");
    const char* const cases[][3] = {
        {"Default", "pH", "7.5"}, // case, blanks around names and value, CRLF
        {"DEFAULT", "ph", "7.5"},
        {"Default", "Quoted", " x "},        // enclosing quotes go, what they enclose stays
        {"Default", "Empty", ""},            // present but empty is not missing
        {"Default", "IonStr", "<none>"},     // only the first of two equal sections counts
        {"Other", "IonStr", "0.1"},          // last line ending in a bare carriage return
        {"Default", "junk line", "<none>"},  // a line without '=' is no key
        {"Default", "; Total Mg", "<none>"}, // nor is a comment with one
        {"Default", "Total Mg", "<none>"},
        {"Missing", "pH", "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + "/" + c[1]);
        EXPECT_EQ(ini.ReadString(c[0], c[1], "<none>"), c[2]);
    }
}

TEST(IniFile, ReadIntegerTakesDecimalOrHexOrDefault)
{
    // The leading integer counts, whatever follows it; a text that starts otherwise is none.
    const std::pair<const char*, int> cases[] = {
        {"3", 3},
        {"-5", -5},
        {" 12 ", 12},
        {"0x2", 2},
        {"0X1f", 31},
        {"+4", 4},
        {"-0x10", -16},
        {"two", -9},
        {"", -9},
        {"3abc", 3},
        {"3 ; my favourite", 3},
        {"0x1F;c", 31},
        {"0x", 0},
        {"0xg", 0},
        {"1.0", 1},
        {"- 1", -9},
        {"x3", -9},
        {"+-3", -9},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -9},
        {"2147483648", -9},
        {"99999999999999999999999", -9},
    };
    TTempDir dir;
    TIniFile ini(dir / "q.INI");
    EXPECT_EQ(ini.ReadInteger("Default", "MenuSelect", -9), -9);
    EXPECT_FALSE(fs::exists(ini.FileName())); // reading creates nothing
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(std::string("value '") + value + "'");
        ini.WriteString("Default", "MenuSelect", value);
        EXPECT_EQ(ini.ReadInteger("Default", "MenuSelect", -9), expected);
    }
}

TEST(IniFile, WriteKeepsEveryOtherLine)
{
    const char* const cases[][3] = {
        {"no file yet", "", "[Default]\npH=9\n"},
        {"replace in place, other spelling",
         "; c\n[Other]\nx=1\n\n[default]\nIonStr=1\n PH = 7 \n; t\n",
         "; c\n[Other]\nx=1\n\n[default]\nIonStr=1\npH=9\n; t\n"},
        {"new key after the last key of its section", "[Default]\na=1\n; note\n\n[Other]\nb=2\n",
         "[Default]\na=1\npH=9\n; note\n\n[Other]\nb=2\n"},
        {"new section at the end", "[Other]\nb=2", "[Other]\nb=2\n\n[Default]\npH=9\n"},
        {"CRLF stays CRLF", "[Default]\r\na=1\r\n", "[Default]\r\na=1\r\npH=9\r\n"},
        {"first of two equal sections", "[Default]\n[Default]\npH=1\n",
         "[Default]\npH=9\n[Default]\npH=1\n"},
        {"a comment with '=' is no entry", "[Default]\na=1\n; b=2\n  ;pH=3\n[Other]\n",
         "[Default]\na=1\npH=9\n; b=2\n  ;pH=3\n[Other]\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[Default]\r\npH=1\r\n",
         "\xEF\xBB\xBF[Default]\r\npH=9\r\n"},
        {"byte-order mark alone", "\xEF\xBB\xBF", "\xEF\xBB\xBF[Default]\npH=9\n"},
        {"last line without a line end", "[Default]\na=1", "[Default]\na=1\npH=9\n"},
        {"last line ending in a carriage return", "[Default]\r\na=1\r",
         "[Default]\r\na=1\r\npH=9\r\n"},
        {"new section after a carriage return", "[Other]\r",
         "[Other]\r\n\r\n[Default]\r\npH=9\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        TTempDir dir;
        if (*c[1] != '\0')
            WriteText(dir / "q.INI", c[1]);
        TIniFile(dir / "q.INI").WriteString("Default", "pH", "9");
        EXPECT_EQ(ReadText(dir / "q.INI"), c[2]);
        EXPECT_EQ(dir.Names(), std::vector<std::string> {"q.INI"});
    }
}

TEST(IniFile, ReplaceKeepsPermissionsAndSymlink)
{
    TTempDir dir;
    WriteText(dir / "real.INI", "[Default]\npH=1\n");
    ASSERT_EQ(::chmod((dir / "real.INI").c_str(), 0640), 0);
    fs::create_symlink("real.INI", dir / "q.INI");
    TIniFile(dir / "q.INI").WriteString("Default", "pH", "2");
    EXPECT_TRUE(fs::is_symlink(dir / "q.INI"));
    EXPECT_EQ(ReadText(dir / "real.INI"), "[Default]\npH=2\n");
    struct stat st { };
    ASSERT_EQ(::stat((dir / "real.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Refusals that hold for root too, who ignores permission bits: the message names the
// file, the file stays as it was and no temporary file remains.
TEST(IniFile, RefusedWriteRaisesAndChangesNothing)
{
    const char* const cases[] = {
        "directory missing", "parent is a file", "file is a directory", "file is read-only"};
    for (const char* name : cases) {
        SCOPED_TRACE(name);
        TTempDir dir;
        fs::path path = dir / "q.INI";
        if (name == cases[0])
            path = dir / "gone" / "q.INI";
        if (name == cases[1]) {
            WriteText(dir / "file", "x");
            path = dir / "file" / "q.INI";
        }
        if (name == cases[2])
            fs::create_directory(path);
        if (name == cases[3]) {
            WriteText(path, "; mine\n[Default]\npH=1\n");
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
        }
        const auto namesBefore = dir.Names();
        const std::string before = fs::is_regular_file(path) ? ReadText(path) : "";
        try {
            TIniFile(path).WriteString("Default", "pH", "2");
            ADD_FAILURE() << "the write was not refused";
        } catch (const TCalcError& e) {
            EXPECT_EQ(std::string(e.what()), CalcMessage::CannotWrite(path.string()));
        }
        EXPECT_EQ(dir.Names(), namesBefore);
        EXPECT_EQ(fs::is_regular_file(path) ? ReadText(path) : "", before);
    }
}

// The cases that only an ordinary user meets.
TEST(IniFile, PermissionBitsRefuseWritesForOrdinaryUsers)
{
    TTempDir dir;
    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    if (::access((dir / "ro").c_str(), W_OK) == 0)
        GTEST_SKIP() << "root ignores permission bits; RefusedWriteRaisesAndChangesNothing "
                        "covers refused writes for every user";
    EXPECT_THROW(TIniFile(dir / "ro" / "q.INI").WriteString("Default", "pH", "2"), TCalcError);
    EXPECT_FALSE(fs::exists(dir / "ro" / "q.INI"));
    // A file we may write but not read would lose its other lines: it is left alone.
    WriteText(dir / "wo.INI", "[Other]\nkeep=1\n");
    fs::permissions(dir / "wo.INI", fs::perms::owner_write);
    EXPECT_THROW(TIniFile(dir / "wo.INI").WriteString("Default", "pH", "2"), TCalcError);
    fs::permissions(dir / "wo.INI", fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(ReadText(dir / "wo.INI"), "[Other]\nkeep=1\n");
}

TEST(IniFile, GarbageAndBinaryFilesNeverCrashTheReader)
{
    std::vector<std::string> files = {std::string("\0[Default\0]\n=\n==\n[\n]\n[]\npH\0=1\n", 27),
                                      "[Default",
                                      "[Default]pH=1",
                                      std::string(100000, '['),
                                      "\xEF\xBB\xBF[Default]\npH=3\n",
                                      "\r\r\r\n\n\r"};
    std::mt19937 random(4711);
    for (int i = 0; i < 50; ++i) {
        std::string bytes(random() % 4000, '\0');
        for (char& b : bytes)
            b = "[]=;\n\r \tDefaultpH0x9\xff\x80"[random() % 22];
        files.push_back(bytes);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        TTempDir dir;
        WriteText(dir / "q.INI", files[i]);
        TIniFile ini(dir / "q.INI");
        (void)ini.ReadString("Default", "pH", "8");
        ini.WriteString("Default", "MenuSelect", "4");
        EXPECT_EQ(ini.ReadInteger("Default", "MenuSelect", -9), 4);
    }
}

TEST(IniFile, SeveralKeysInOneWrite)
{
    TTempDir dir;
    WriteText(dir / "q.INI", "[Default]\nb=1\n; end\n");
    TIniFile ini(dir / "q.INI");
    const TIniEntry entries[] = {{"a", "1"}, {" B ", " 2 "}, {"c", "3"}, {"a", "4"}};
    ini.WriteStrings("Default", entries);
    EXPECT_EQ(ReadText(dir / "q.INI"), "[Default]\nB=2\na=4\nc=3\n; end\n");
    // A bad key anywhere in the list changes nothing.
    for (const char* bad : {"", "x=y", "[x", ";x", "x\ny"}) {
        SCOPED_TRACE(bad);
        const TIniEntry withBad[] = {{"a", "5"}, {bad, "6"}};
        EXPECT_THROW(ini.WriteStrings("Default", withBad), std::invalid_argument);
        EXPECT_EQ(ReadText(dir / "q.INI"), "[Default]\nB=2\na=4\nc=3\n; end\n");
    }
    EXPECT_EQ(dir.Names(), std::vector<std::string> {"q.INI"});
}

// The refusal to replace a file, decided from what is known about it. The superuser is let
// write anything, so only the decision itself shows that a read-only file is kept for him.
TEST(IniFile, WriteIsRefusedForUnreadableOrReadOnlyFiles)
{
    struct TCase {
        const char* Name;
        TFileState State;
        unsigned Bits;
        bool WritableByUs;
        bool May;
    };
    using enum TFileState;
    const TCase cases[] = {
        {"no file yet", fsMissing, 0, false, true},
        {"cannot be read first", fsUnreadable, 0666, true, false},
        {"ordinary file", fsReadable, 0644, true, true},
        {"only the group may write", fsReadable, 0464, true, true},
        {"read-only for everyone, even for the superuser", fsReadable, 0444, true, false},
        {"no permission at all", fsReadable, 0, true, false},
        {"the system says no (other owner, read-only disk)", fsReadable, 0644, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(MayWriteSettingsFile(c.State, c.Bits, c.WritableByUs), c.May);
    }
}

// Temporary files that a killed save left behind go at the next save: only our own names,
// only when old enough and not held by a save that is still running.
TEST(IniFile, NextSaveRemovesStaleTemporaryFilesOfItsOwnOnly)
{
    TTempDir dir;
    WriteText(dir / "q.INI", "[Default]\npH=1\n");
    const auto now = fs::file_time_type::clock::now();
    const auto old = now - StaleTempAge - std::chrono::seconds(1);
    struct TFile {
        const char* Name;
        fs::file_time_type Written;
        bool Stays;
    };
    const TFile files[] = {
        {".q.INI.0123abcd.tmp", old, false},
        {".q.INI.89efcdab.tmp", old, false},
        {".q.INI.0123abcd.tmp.keep", old, true}, // not our pattern
        {".q.INI.0123ABCD.tmp", old, true},
        {".q.INI.0123abc.tmp", old, true},
        {"q.INI.0123abcd.tmp", old, true},
        {".r.INI.0123abcd.tmp", old, true}, // another settings file's
        {".q.INI.fedcba98.tmp", now, true}, // a save may still be writing it
        {".q.INI.00000000.tmp", old, true}, // held by a live save (locked below)
    };
    for (const TFile& f : files) {
        WriteText(dir / f.Name, "partial");
        fs::last_write_time(dir / f.Name, f.Written);
    }
    const int held = ::open((dir / ".q.INI.00000000.tmp").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    TIniFile(dir / "q.INI").WriteString("Default", "pH", "2");
    ::close(held);
    for (const TFile& f : files)
        EXPECT_EQ(fs::exists(dir / f.Name), f.Stays) << f.Name;
    EXPECT_EQ(ReadText(dir / "q.INI"), "[Default]\npH=2\n");
    // Nothing else was left or taken.
    EXPECT_EQ(dir.Names().size(), 1 + 7u);
}
