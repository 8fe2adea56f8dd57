// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Set files: every kind of bad file is refused with a message that names the file, the
// entry and the problem; what is written reads back bit for bit.
#include "constsets/setfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using enum TLigand;
using enum TPartner;

namespace {

// A good file; each bad case replaces one piece of it.
const std::string GoodText = R"({"format": "quelix constant set", "version": 1,
 "name": "Lab set", "description": "d", "reference_temperature_c": 25,
 "reference_ionic_strength_m": 0.1,
 "entries": [
  {"row": "ATP-H", "step": 0, "log10_k": 6.5, "source": "a"},
  {"row": "EGTA-Ca", "step": 0, "log10_k": 10.9, "enthalpy": -35, "enthalpy_unit": "kJ/mol", "source": "b"}
 ]})";

std::string Replaced(std::string_view from, std::string_view to)
{
    std::string text = GoodText;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string WithEntry(std::string_view entry)
{
    return Replaced(R"("source": "b"})", std::string(R"("source": "b"}, )") + std::string(entry));
}

std::string ReadError(const std::string& text)
{
    try {
        ParseConstSet(text, "lab.json");
    } catch (const TConstSetError& e) {
        return e.what();
    }
    return "(read without error)";
}

bool SameBits(TReal a, TReal b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

void ExpectSameBits(const TConstSet& a, const TConstSet& b)
{
    EXPECT_EQ(a, b);
    ASSERT_EQ(a.ReferenceC.has_value(), b.ReferenceC.has_value());
    if (a.ReferenceC) {
        EXPECT_TRUE(SameBits(*a.ReferenceC, *b.ReferenceC));
    }
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step) {
                const auto& x = a.Entries[lig][pt][step];
                const auto& y = b.Entries[lig][pt][step];
                ASSERT_EQ(x.has_value(), y.has_value());
                if (!x)
                    continue;
                SCOPED_TRACE(RowLabel(lig, pt) + " step " + std::to_string(step));
                EXPECT_TRUE(SameBits(x->Log10K, y->Log10K));
                ASSERT_EQ(x->Enthalpy.has_value(), y->Enthalpy.has_value());
                if (x->Enthalpy) {
                    EXPECT_TRUE(SameBits(*x->Enthalpy, *y->Enthalpy));
                }
            }
}

class TempDir {
public:
    TempDir()
        : FPath(std::filesystem::temp_directory_path()
                / ("quelix-sets-"
                   + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
                   + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        std::filesystem::create_directories(FPath);
    }
    ~TempDir() { std::filesystem::remove_all(FPath); }
    std::filesystem::path operator/(const char* name) const { return FPath / name; }

private:
    std::filesystem::path FPath;
};

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(SetFile, ReadsAGoodFileWithItsUnitsAndSources)
{
    const TConstSet set = ParseConstSet(GoodText, "lab.json");
    EXPECT_EQ(set.Name, "Lab set");
    EXPECT_EQ(set.ReferenceC, TReal(25));
    ASSERT_TRUE(set.Entries[ligEGTA][ptCa][0]);
    EXPECT_EQ(set.Entries[ligEGTA][ptCa][0]->Log10K, 10.9L);
    EXPECT_EQ(set.Entries[ligEGTA][ptCa][0]->Enthalpy, TReal(-35));
    EXPECT_EQ(set.Entries[ligEGTA][ptCa][0]->EnthalpyUnit, TEnthalpyUnit::euKJPerMol);
    EXPECT_EQ(set.Entries[ligATP][ptH][0]->Source, "a");
    EXPECT_FALSE(set.Entries[ligATP][ptH][0]->Enthalpy);
    EXPECT_FALSE(set.Entries[ligATP][ptH][1]);
    // A row label may be written in any case, as on the command line; a byte order mark
    // before the text is allowed.
    const TConstSet lower = ParseConstSet("\xEF\xBB\xBF" + Replaced("\"ATP-H\"", "\"atp-h\""), "x");
    EXPECT_TRUE(lower.Entries[ligATP][ptH][0]);
    // A whole number may be written as a real.
    const TConstSet real = ParseConstSet(
        Replaced("\"step\": 0, \"log10_k\": 6.5", "\"step\": 1.0, \"log10_k\": 6.5"), "x");
    EXPECT_TRUE(real.Entries[ligATP][ptH][1]);
    // The edges of the range: a K of 10^4932 and an enthalpy far beyond any reaction's.
    EXPECT_NO_THROW(ParseConstSet(Replaced("6.5", "4932"), "lab.json"));
    EXPECT_NO_THROW(ParseConstSet(Replaced("-35", "-1e4"), "lab.json"));
}

TEST(SetFile, EveryKindOfBadFileIsRefusedWithFileEntryAndProblem)
{
    struct TCase {
        const char* Name;
        std::string Text;
        const char* Message; // after "lab.json: "
    };
    const TCase cases[] = {
        {"not JSON", Replaced("]}", "],}"), "not a valid JSON text: parse error at line 7"},
        {"NaN is no JSON number", Replaced("6.5", "NaN"), "not a valid JSON text"},
        {"number beyond the extended range", Replaced("6.5", "1e99999"), "number overflow"},
        {"not an object", "[]", "a set file holds one JSON object"},
        {"unknown key", Replaced("\"description\"", "\"descripton\""),
         "unknown key \"descripton\""},
        {"missing key", Replaced("\"reference_temperature_c\": 25,", ""),
         "the key \"reference_temperature_c\" is missing"},
        {"another format", Replaced("quelix constant set", "constants"), "\"format\" must be"},
        {"a later version", Replaced("\"version\": 1", "\"version\": 2"),
         "\"version\" 2 is not known"},
        {"other reference ionic strength", Replaced("0.1,", "0.15,"),
         "refer to an ionic strength of 0.1 M, as the program's table does; "
         "\"reference_ionic_strength_m\" is 0.15"},
        // Values at infinite dilution or at a lower ionic strength are no 0.1 M values
        // either: the activity correction would start from the wrong point.
        {"thermodynamic values at I = 0", Replaced("0.1,", "0,"),
         "\"reference_ionic_strength_m\" is 0"},
        {"values at 0.05 M", Replaced("0.1,", "0.05,"), "\"reference_ionic_strength_m\" is 0.05"},
        {"values a hair off 0.1 M", Replaced("0.1,", "0.1000001,"),
         "\"reference_ionic_strength_m\" is 0.1000001"},
        {"temperature as text", Replaced("_c\": 25", "_c\": \"25\""),
         "\"reference_temperature_c\" must be a number, not the text \"25\""},
        {"temperature in kelvin", Replaced("_c\": 25", "_c\": 298.15"), "between 0 and 100"},
        {"empty name", Replaced("\"Lab set\"", "\" \""), "\"name\" must not be empty"},
        {"line break in the name", Replaced("Lab set", "Lab\\nset"), "control characters"},
        {"entries not a list",
         GoodText.substr(0, GoodText.find("\"entries\"")) + "\"entries\": {}}",
         "\"entries\" must be a list, not an object"},
        {"entry not an object", Replaced("{\"row\": \"ATP-H\"", "7, {\"row\": \"ATP-H\""),
         "entry 1: an entry must be an object, not 7"},
        {"unknown row", Replaced("ATP-H", "EGTA-Zn"), "entry 1: unknown row \"EGTA-Zn\""},
        {"step out of range",
         Replaced("\"step\": 0, \"log10_k\": 6.5", "\"step\": 4, \"log10_k\": 6.5"),
         "entry 1 (ATP-H): \"step\" must be 0, 1, 2 or 3, not 4"},
        {"step not whole",
         Replaced("\"step\": 0, \"log10_k\": 6.5", "\"step\": 1.5, \"log10_k\": 6.5"),
         "entry 1 (ATP-H): \"step\" must be 0, 1, 2 or 3, not 1.5"},
        {"metal step 3", WithEntry(R"({"row": "ADP-Mg", "step": 3, "log10_k": 1, "source": "c"})"),
         "entry 3 (ADP-Mg): step 3 of a metal row is read by no calculation"},
        {"same row and step twice",
         WithEntry(R"({"row": "atp-h", "step": 0, "log10_k": 6.4, "source": "c"})"),
         "entry 3 (ATP-H step 0): this row and step is given twice"},
        {"log10 K as text", Replaced("6.5", "\"6.5\""),
         "entry 1 (ATP-H step 0): \"log10_k\" must be a number, not the text \"6.5\""},
        {"log10 K null", Replaced("6.5", "null"), "\"log10_k\" must be a number, not null"},
        {"negative log10 K", Replaced("6.5", "-6.5"), "\"log10_k\" must not be negative"},
        // Values that make every calculation overflow (at some temperature) are no data.
        {"log10 K beyond the range", Replaced("6.5", "4933"),
         "entry 1 (ATP-H step 0): \"log10_k\" 4933 is beyond the range of numbers"},
        {"enormous enthalpy", Replaced("-35", "-1e6"),
         "entry 2 (EGTA-Ca step 0): the enthalpy -1e+06 kJ/mol is so large that log10 K "
         "leaves the range of numbers at 0 \u00B0C"},
        {"enthalpy beyond the range in J", Replaced("-35", "1e4930"),
         "the enthalpy 1e+4930 kJ/mol is so large"},
        {"enthalpy without unit", Replaced(", \"enthalpy_unit\": \"kJ/mol\"", ""),
         "entry 2 (EGTA-Ca step 0): the enthalpy has no unit"},
        {"unit without enthalpy", Replaced("\"enthalpy\": -35, ", ""),
         "\"enthalpy_unit\" is given without an enthalpy"},
        {"unknown unit", Replaced("kJ/mol", "kJ"),
         "must be \"kJ/mol\" or \"kcal/mol\", not \"kJ\""},
        {"enthalpy as text", Replaced("-35", "\"-35\""), "\"enthalpy\" must be a number"},
        {"enthalpy of an absent step", Replaced("10.9", "0"),
         "a step that does not exist (log10 K 0) has no enthalpy"},
        {"enthalpy without reference temperature", Replaced("_c\": 25", "_c\": null"),
         "an enthalpy needs the set's \"reference_temperature_c\""},
        {"empty source", Replaced("\"source\": \"a\"", "\"source\": \"\""),
         "entry 1 (ATP-H step 0): \"source\" must not be empty"},
        {"missing source", Replaced(", \"source\": \"a\"", ""), "the key \"source\" is missing"},
        {"misspelt entry key", Replaced("enthalpy_unit", "enthalpy_units"),
         "entry 2: unknown key \"enthalpy_units\""},
        {"key twice in an entry",
         Replaced("\"log10_k\": 6.5", "\"log10_k\": 6.5, \"log10_k\": 6.6"),
         "the key \"log10_k\" appears twice in one object"},
        {"key twice at the top",
         Replaced("\"name\": \"Lab set\"", "\"name\": \"A\", \"name\": \"B\""),
         "the key \"name\" appears twice in one object"},
        {"text not UTF-8", Replaced("Lab set", "Lab \xFF set"), "ill-formed UTF-8"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string message = ReadError(c.Text);
        EXPECT_TRUE(message.starts_with("lab.json: ")) << message;
        EXPECT_NE(message.find(c.Message), std::string::npos) << message;
    }
}

TEST(SetFile, WrittenSetsReadBackBitForBit)
{
    TConstSet set;
    set.Name = "Mixed \"quotes\", back\\slash, 25 \u00B0C";
    set.ReferenceC = 37.5L;
    const TConstTable builtIn = BuiltInTable();
    // Values with all 64 bits of the significand in use, a tiny and a large one.
    set.Entries[ligPO4][ptH][0] = TSetEntry {
        builtIn[ligPO4][ptH][0], 1 / 7.0L, TEnthalpyUnit::euKJPerMol, "computed"};
    set.Entries[ligPO4][ptMg][1] = TSetEntry {
        builtIn[ligPO4][ptMg][1], -2 / 3.0L, TEnthalpyUnit::euKcalPerMol, "computed"};
    set.Entries[ligEGTA][ptCa][0] = TSetEntry {10.973L, -8.4L, TEnthalpyUnit::euKcalPerMol, "x"};
    set.Entries[ligADP][ptH][3] = TSetEntry {1e-5L, std::nullopt, TEnthalpyUnit::euKJPerMol, "y"};
    set.Entries[ligEDTA][ptMg][2] = TSetEntry {4567.891L, 0, TEnthalpyUnit::euKJPerMol, "z"};
    set.Entries[ligATP][ptCa][1] = TSetEntry {0, std::nullopt, TEnthalpyUnit::euKJPerMol, "gone"};
    ExpectSameBits(ParseConstSet(ConstSetText(set), "x"), set);

    TempDir dir;
    WriteConstSetFile(dir / "set.json", set);
    ExpectSameBits(ReadConstSetFile(dir / "set.json"), set);

    // A set without a reference temperature and without entries.
    TConstSet bare;
    bare.Name = "Bare";
    ExpectSameBits(ParseConstSet(ConstSetText(bare), "x"), bare);
}

TEST(SetFile, BundledFilesAreExactlyWhatTheWriterWrites)
{
    for (const TBundledSet& bundled : BundledSets()) {
        SCOPED_TRACE(std::string(bundled.Id));
        const auto path = std::filesystem::path(QUELIX_SOURCE_DIR) / "constsets" / "sets"
            / (std::string(bundled.Id) + ".json");
        EXPECT_EQ(ConstSetText(bundled.Set), FileText(path));
        ExpectSameBits(ReadConstSetFile(path), bundled.Set);
    }
}

TEST(SetFile, WriterRefusesWhatWouldNotReadBackAndKeepsTheOldFile)
{
    TempDir dir;
    TConstSet good;
    good.Name = "Good";
    WriteConstSetFile(dir / "set.json", good);
    const std::string before = FileText(dir / "set.json");

    struct TCase {
        const char* Name;
        void (*Spoil)(TConstSet&);
        const char* Message;
    };
    const TCase cases[] = {
        {"metal step 3",
         [](TConstSet& s) {
             s.Entries[ligATP][ptMg][3] = TSetEntry {
                 1, std::nullopt, {}, std::string(EditedSource)};
         },
         "step 3 of a metal row"},
        {"empty source",
         [](TConstSet& s) {
             s.Entries[ligATP][ptMg][0] = TSetEntry {4, std::nullopt, {}, ""};
         },
         "\"source\" must not be empty"},
        {"enthalpy without reference",
         [](TConstSet& s) {
             s.Entries[ligATP][ptMg][0] = TSetEntry {4, 1, {}, "a"};
         },
         "needs the set's \"reference_temperature_c\""},
        {"the built-in table's name with entries",
         [](TConstSet& s) {
             s.Name = BuiltInSetName;
             s.Entries[ligATP][ptMg][0] = TSetEntry {4, std::nullopt, {}, "a"};
         },
         "stands for the program's own table"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TConstSet bad = good;
        c.Spoil(bad);
        try {
            WriteConstSetFile(dir / "set.json", bad);
            ADD_FAILURE() << "written";
        } catch (const TConstSetError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
        EXPECT_EQ(FileText(dir / "set.json"), before);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "set.json.tmp"));
    EXPECT_THROW(WriteConstSetFile(dir / "no such folder" / "set.json", good), TConstSetError);
}

TEST(SetFile, FileLevelProblemsNameTheFile)
{
    TempDir dir;
    struct TCase {
        const char* Name;
        std::string Text; // empty: no file at all
        const char* Message;
    };
    const std::string builtInCopy = Replaced("\"Lab set\"", "\"Built-in\"");
    const TCase cases[] = {
        {"missing file", "", "the file cannot be opened"},
        {"too large", std::string(1 << 20, ' ') + GoodText, "larger than 1 MB"},
        {"the built-in name with entries", builtInCopy, "stands for the program's own table"},
        // Names that only look like the built-in table's, with or without entries.
        {"lower case", Replaced("\"Lab set\"", "\"built-in\""), "looks like \"Built-in\""},
        {"blanks", Replaced("\"Lab set\"", "\" Built in \""), "looks like \"Built-in\""},
        {"non-breaking hyphen", Replaced("\"Lab set\"", "\"Built\u2011in\""), "looks like"},
        {"minus sign, full-width n", Replaced("\"Lab set\"", "\"Built\u2212i\uFF4E\""),
         "looks like"},
        {"bidirectional control", Replaced("\"Lab set\"", "\"Built-in\u200F\""),
         "the name \"Built-in\\u200F\" looks like"},
        {"zero-width space", Replaced("\"Lab set\"", "\"Bui\u200Blt-in\""), "looks like"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto path = dir / "case.json";
        std::filesystem::remove(path);
        if (!c.Text.empty())
            WriteFile(path, c.Text);
        try {
            ReadConstSetFile(path);
            ADD_FAILURE() << "read";
        } catch (const TConstSetError& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with(path.string() + ": ")) << message;
            EXPECT_NE(message.find(c.Message), std::string::npos) << message;
        }
    }
}
