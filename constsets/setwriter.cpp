// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "constsets/setfile.h"

#include "constsets/setjson.h"
#include "engine/calcerror.h"

#include <fstream>
#include <system_error>

namespace {

void AppendKey(std::string& out, std::string_view key)
{
    out += '"';
    out += key;
    out += "\": ";
}

void AppendString(std::string& out, const std::string& text)
{
    try {
        out += TJson(text).dump(-1, ' ', false, TJson::error_handler_t::strict);
    } catch (const TJson::exception&) {
        throw TConstSetError("The set cannot be saved: a text of it is not valid UTF-8.");
    }
}

void AppendEntry(std::string& out, std::string_view indent, const std::string& row,
                 std::size_t step, const TSetEntry& e)
{
    out += indent;
    out += "{";
    AppendKey(out, "row");
    AppendString(out, row);
    out += ", ";
    AppendKey(out, "step");
    out += std::to_string(step);
    out += ", ";
    AppendKey(out, "log10_k");
    out += NumberText(e.Log10K);
    if (e.Enthalpy) {
        out += ", ";
        AppendKey(out, "enthalpy");
        out += NumberText(*e.Enthalpy);
        out += ", ";
        AppendKey(out, "enthalpy_unit");
        AppendString(out, std::string(EnthalpyUnitText(e.EnthalpyUnit)));
    }
    out += ", ";
    AppendKey(out, "source");
    AppendString(out, e.Source);
    if (e.Estimate) {
        out += ", ";
        AppendKey(out, "estimate");
        out += "true";
    }
    out += "}";
}

// The further ligands, one object each with its entries a line.
void AppendLigands(std::string& out, const std::vector<TLigandDef>& ligands)
{
    out += ",\n  ";
    AppendKey(out, "ligands");
    out += "[";
    for (std::size_t i = 0; i < ligands.size(); ++i) {
        const TLigandDef& def = ligands[i];
        out += i == 0 ? "\n    {" : ",\n    {";
        AppendKey(out, "name");
        AppendString(out, def.Name);
        out += ", ";
        AppendKey(out, "description");
        AppendString(out, def.Description);
        out += ", ";
        AppendKey(out, "charge");
        out += std::to_string(def.Charge) + ", ";
        AppendKey(out, "entries");
        out += "[";
        bool first = true;
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step)
                if (const auto& entry = def.Entries[pt][step]) {
                    out += first ? "\n" : ",\n";
                    AppendEntry(out, "      ", LigandRowLabel(def.Name, pt), step, *entry);
                    first = false;
                }
        out += first ? "]}" : "\n    ]}";
    }
    out += "\n  ]";
}

} // namespace

std::string ConstSetText(const TConstSet& set)
{
    // Written by hand around the library's string escaping: the library prints an extended
    // real with too few digits to read back exactly, and the fixed layout (one entry a line)
    // keeps files easy to compare.
    std::string out = "{\n  ";
    AppendKey(out, "format");
    AppendString(out, std::string(SetFormatName));
    out += ",\n  ";
    AppendKey(out, "version");
    out += std::to_string(SetFormatVersion) + ",\n  ";
    AppendKey(out, "name");
    AppendString(out, set.Name);
    out += ",\n  ";
    AppendKey(out, "description");
    AppendString(out, set.Description);
    out += ",\n  ";
    AppendKey(out, "reference_temperature_c");
    out += set.ReferenceC ? NumberText(*set.ReferenceC) : "null";
    out += ",\n  ";
    AppendKey(out, "reference_ionic_strength_m");
    out += NumberText(SetIonStr) + ",\n  ";
    AppendKey(out, "entries");
    out += "[";
    bool first = true;
    for (TLigand lig : AllLigands)
        for (TPartner pt : AllPartners)
            for (std::size_t step = 0; step < StepCount; ++step)
                if (const auto& entry = set.Entries[lig][pt][step]) {
                    out += first ? "\n" : ",\n";
                    AppendEntry(out, "    ", RowLabel(lig, pt), step, *entry);
                    first = false;
                }
    out += first ? "]" : "\n  ]";
    // Only a set with further ligands has the key, so that other files read as they did.
    if (!set.Ligands.empty())
        AppendLigands(out, set.Ligands);
    out += "\n}\n";
    // What this program writes, it must read back to the same set: the reader's checks are
    // the writer's.
    const std::string what = "The set \"" + set.Name + "\"";
    CheckName(set, what);
    if (ParseConstSet(out, what) != set)
        throw TConstSetError(what + " would not read back as it is.");
    return out;
}

void WriteConstSetFile(const std::filesystem::path& path, const TConstSet& set)
{
    const std::string text = ConstSetText(set);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    const std::string fileName = path.string();
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
        file.close();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw TConstSetError(CalcMessage::CannotWrite(fileName));
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw TConstSetError(CalcMessage::CannotWrite(fileName));
    }
}
