// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/inifile.h"

#include "engine/calcerror.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(IniFile, ReadsWithPrivateProfileRules)
{
    TTempDir dir;
    WriteText(dir / "q.INI", "; pH=1\npH=2\n[ default ]\r\n  PH   =   7.5  \r\nQuoted=\" x \"\r\n"
                             "Empty=\r\njunk line\r\n[Default]\nIonStr=0.3\n[Other]\nIonStr=0.1");
    const TIniFile ini(dir / "q.INI");
    const char* const cases[][3] = {
        {"Default", "pH", "7.5"}, // case, blanks around names and value, CRLF
        {"DEFAULT", "ph", "7.5"},
        {"Default", "Quoted", " x "},       // enclosing quotes go, what they enclose stays
        {"Default", "Empty", ""},           // present but empty is not missing
        {"Default", "IonStr", "<none>"},    // only the first of two equal sections counts
        {"Other", "IonStr", "0.1"},         // last line without a line end
        {"Default", "junk line", "<none>"}, // a line without '=' is no key
        {"Missing", "pH", "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + "/" + c[1]);
        EXPECT_EQ(ini.ReadString(c[0], c[1], "<none>"), c[2]);
    }
}

TEST(IniFile, ReadIntegerTakesDecimalOrHexOrDefault)
{
    const std::pair<const char*, int> cases[] = {
        {"3", 3},     {"-5", -5},          {" 12 ", 12}, {"0x2", 2},    {"0X1f", 31},
        {"+4", 4},    {"-0x10", -16},      {"two", -9},  {"", -9},      {"3abc", -9},
        {"0x", -9},   {"1.0", -9},         {"- 1", -9},  {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"-2147483649", -9}, {"2147483648", -9},
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
    struct stat st {};
    ASSERT_EQ(::stat((dir / "real.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Refusals that hold for root too, who ignores permission bits: the message names the
// file, the file stays as it was and no temporary file remains.
TEST(IniFile, RefusedWriteRaisesAndChangesNothing)
{
    const char* const cases[] = {"directory missing", "parent is a file", "file is a directory",
                                 "file is read-only"};
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
                                      "[Default", "[Default]pH=1", std::string(100000, '['),
                                      "\xEF\xBB\xBF[Default]\npH=3\n", "\r\r\r\n\n\r"};
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
