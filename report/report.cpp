// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/report.h"

#include "engine/fpcheck.h"
#include "engine/realtext.h"
#include "report/conditions.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using enum TLigand;

namespace {

constexpr char Tab[] = "\t";
constexpr char CrLf[] = "\r\n";

// FormatConc, appended to `out`.
void AppendConc(std::string& out, TReal x)
{
    if (x == 0) {
        out += " 0 M";
        return;
    }
    struct TUnit {
        TReal Threshold;
        TReal Factor;
        const char* Suffix;
    };
    static constexpr std::array<TUnit, 5> Units {{
        {1, 1, "  M"},
        {0.001L, 1e3L, " mM"},
        {1e-6L, 1e6L, " uM"},
        {1e-9L, 1e9L, " nM"},
        {1e-12L, 1e12L, " pM"},
    }};
    // The unit is chosen before rounding, so 0.9999996 mM prints as 1000.000 uM.
    for (const TUnit& unit : Units) {
        if (x >= unit.Threshold) {
            AppendFixed(out, x * unit.Factor, 8, 3);
            out += unit.Suffix;
            return;
        }
    }
    AppendFixed(out, x * 1e15L, 8, 3);
    out += " fM";
}

void AppendSpeciesLabel(std::string& out, std::string_view prefix, std::string_view name,
                        std::optional<int> charge);

// A report line under construction: the last line of `lines` when it was started. Pieces
// are appended in place, which keeps a whole report to a handful of allocations.
class TLine {
public:
    explicit TLine(std::vector<std::string>& lines)
        : Lines(lines)
        , Index(lines.size())
    {
        lines.emplace_back().reserve(160);
    }
    TLine& operator<<(const char* piece)
    {
        Text() += piece;
        return *this;
    }
    TLine& Fixed(TReal x, int width, int decimals)
    {
        AppendFixed(Text(), x, width, decimals);
        return *this;
    }
    // A label and its concentration.
    TLine& Conc(const char* label, TReal x)
    {
        Text() += label;
        AppendConc(Text(), x);
        return *this;
    }
    // A further ligand's species (AppendSpeciesLabel) and its concentration.
    TLine& Species(std::string_view prefix, std::string_view name, std::optional<int> charge,
                   TReal x)
    {
        AppendSpeciesLabel(Text(), prefix, name, charge);
        AppendConc(Text(), x);
        return *this;
    }

    // " (pX = 3.000)" for a positive free cation, nothing otherwise.
    TLine& PValue(const char* name, TReal freeConc)
    {
        if (freeConc > 0)
            (*this << " (" << name << " = ").Fixed(-fpcheck::Log10(freeConc), 5, 3) << ")";
        return *this;
    }

private:
    std::string& Text() { return Lines[Index]; }

    std::vector<std::string>& Lines;
    std::size_t Index;
};

// A further ligand's label in the style of the built-in ones, appended to `out`: `prefix`
// (what L carries), the name, the species' charge ("HCrP-", "MgHCrP+", "H2BAPTA2-"), padded
// to the ten characters of the built-in labels (a longer one is not cut), and " =" ... "=".
// Written in place: a report is built without allocations of its own.
void AppendSpeciesLabel(std::string& out, std::string_view prefix, std::string_view name,
                        std::optional<int> charge)
{
    const std::size_t start = out.size();
    out += prefix;
    out += name;
    if (charge && *charge != 0) {
        const int magnitude = *charge < 0 ? -*charge : *charge;
        if (magnitude > 1)
            out += static_cast<char>('0' + magnitude);
        out += *charge < 0 ? '-' : '+';
    }
    if (out.size() - start < 10)
        out.append(10 - (out.size() - start), ' ');
    out += '=';
}

// A further ligand's block in the style of the built-in ones: its total, the complexes
// (ML, and MHL where the ligand forms it), then the free ligand and its protonated forms;
// H3L and H4L only where the ligand takes that many protons. Its note (an estimated
// constant) follows.
void AppendFurtherBlock(std::vector<std::string>& lines, const TFurtherLigand& ligand,
                        const TFurtherSpecies& species)
{
    const std::string_view name = ligand.Name;
    const int z = ligand.Charge;
    TLine total(lines);
    total.Species("total ", name, std::nullopt, species.Total);
    TLine complexes(lines);
    complexes.Species("Mg", name, z + 2, species.Mg) << Tab;
    complexes.Species("Ca", name, z + 2, species.Ca);
    // The complexes with HL only where the ligand forms one: a block of zeros tells nothing.
    if (ligand.BaseConst[TPartner::ptMg][1] > 0 || ligand.BaseConst[TPartner::ptCa][1] > 0) {
        (complexes << CrLf).Species("MgH", name, z + 3, species.MgH) << Tab;
        complexes.Species("CaH", name, z + 3, species.CaH);
    }
    TLine forms(lines);
    forms.Species("", name, z, species.Free);
    constexpr std::array<const char*, FurtherProtonSteps> prefixes {"H", "H2", "H3", "H4"};
    for (std::size_t step = 0; step < FurtherProtonSteps; ++step) {
        if (step >= 2 && !(ligand.BaseConst[TPartner::ptH][step] > 0))
            break;
        (forms << Tab)
            .Species(
                prefixes[step], name, z + static_cast<int>(step) + 1, species.Protonated[step]);
    }
    if (!ligand.Note.empty())
        TLine(lines) << "(" << ligand.Note.c_str() << ")";
}

} // namespace

std::string FormatConc(TReal x)
{
    std::string text;
    AppendConc(text, x);
    return text;
}

std::vector<std::string> ReportLines(const TEngine& engine, const TCalcState& s)
{
    if (!s.HasResults)
        RaiseCalcError(CalcMessage::NoResults);
    const auto& total = s.TotalLigand;
    const auto& free = s.FreeLigand;
    std::vector<std::string> lines;
    lines.reserve(17 + 4 * engine.FurtherLigands().size());
    if (!engine.HasDefaultConditions())
        lines.push_back(ConditionsLine(engine));

    TLine head(lines);
    (head << "Z = ").Fixed(engine.IonStr(), 6, 3) << " M  pH = ";
    head.Fixed(engine.pH(), 5, 2);
    if (total[ligEGTA] > 0)
        head.Conc("  total EGTA =", total[ligEGTA]);
    if (total[ligEDTA] > 0)
        head.Conc("  total EDTA =", total[ligEDTA]);

    TLine mg(lines);
    mg.Conc("total Mg  =", s.TotalMg) << Tab;
    mg.Conc("free Mg++ =", s.FreeMg).PValue("pMg", s.FreeMg);
    TLine ca(lines);
    ca.Conc("total Ca  =", s.TotalCa) << Tab;
    ca.Conc("free Ca++ =", s.FreeCa).PValue("pCa", s.FreeCa);

    TLine totals(lines);
    totals.Conc("total ATP =", total[ligATP]);
    if (total[ligADP] > 0)
        (totals << Tab).Conc("total ADP =", total[ligADP]);
    if (total[ligPO4] > 0)
        (totals << Tab).Conc("total PO4 =", total[ligPO4]);

    // Each ligand block: the complexes (a CRLF splits unprotonated from protonated ones),
    // then the free ligand and its protonated forms. Labels are eleven characters wide.
    const auto block = [&](TLigand lig, const std::array<const char*, 7>& labels,
                           const std::array<TReal, 7>& values) {
        if (!(total[lig] > 0))
            return;
        TLine complexes(lines);
        complexes.Conc(labels[0], values[0]) << Tab;
        complexes.Conc(labels[1], values[1]) << CrLf;
        complexes.Conc(labels[2], values[2]) << Tab;
        complexes.Conc(labels[3], values[3]);
        TLine forms(lines);
        forms.Conc(labels[4], values[4]) << Tab;
        forms.Conc(labels[5], values[5]) << Tab;
        forms.Conc(labels[6], values[6]);
    };
    block(ligATP,
          {"MgATP2-   =", "CaATP2-   =", "MgHATP-   =", "CaHATP-   =", "ATP4-     =", "HATP3-    =",
           "H2ATP2-   ="},
          {s.MgATP, s.CaATP, s.MgHATP, s.CaHATP, free[ligATP], s.HATP, s.H2ATP});
    block(ligEGTA,
          {"MgEGTA2-  =", "CaEGTA2-  =", "MgHEGTA-  =", "CaHEGTA-  =", "EGTA4-    =", "HEGTA3-   =",
           "H2EGTA2-  ="},
          {s.MgEGTA, s.CaEGTA, s.MgHEGTA, s.CaHEGTA, free[ligEGTA], s.HEGTA, s.H2EGTA});
    block(ligEDTA,
          {"MgEDTA2-  =", "CaEDTA2-  =", "MgHEDTA-  =", "CaHEDTA-  =", "EDTA4-    =", "HEDTA3-   =",
           "H2EDTA2-  ="},
          {s.MgEDTA, s.CaEDTA, s.MgHEDTA, s.CaHEDTA, free[ligEDTA], s.HEDTA, s.H2EDTA});
    block(ligADP,
          {"MgADP-    =", "CaADP-    =", "MgHADP    =", "CaHADP    =", "ADP3-     =", "HADP2-    =",
           "H2ADP-    ="},
          {s.MgADP, s.CaADP, s.MgHADP, s.CaHADP, free[ligADP], s.HADP, s.H2ADP});
    if (total[ligPO4] > 0) {
        TLine complexes(lines);
        complexes.Conc("MgHPO4    =", s.MgHPO4) << Tab;
        complexes.Conc("CaHPO4    =", s.CaHPO4);
        TLine forms(lines);
        forms.Conc("PO4(3-)   =", free[ligPO4]) << Tab;
        forms.Conc("HPO4(2-)  =", s.HPO4) << Tab;
        forms.Conc("H2PO4(-)  =", s.H2PO4);
    }

    const auto further = engine.FurtherLigands();
    for (std::size_t i = 0; i < further.size(); ++i)
        AppendFurtherBlock(lines, further[i], s.Further[i]);
    TLine ionic(lines);
    ionic.Conc("Ionic strength >= ", engine.GetIonStr(s)) << " + [KCl] + ";
    // The Tris term is linear in pH: an enormous pH overflows it, which must not print "-inf".
    ionic.Conc("", fpcheck::CheckFinite(engine.GetIonStrTris())) << " (if [Tris] = 20 mM)";
    return lines;
}

std::string ReportText(const TEngine& engine, const TCalcState& state)
{
    std::string text = "\n";
    for (const std::string& line : ReportLines(engine, state)) {
        std::size_t start = 0;
        for (std::size_t pos; (pos = line.find(CrLf, start)) != std::string::npos; start = pos + 2)
            text.append(line, start, pos - start).append("\n");
        text.append(line, start).append("\n");
    }
    return text;
}
