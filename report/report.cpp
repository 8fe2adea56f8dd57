// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "report/report.h"

#include "engine/fpcheck.h"
#include "engine/realtext.h"

#include <array>

using enum TLigand;

namespace {

constexpr char Tab[] = "\t";
constexpr char CrLf[] = "\r\n";

std::string F(TReal x)
{
    return FormatConc(x);
}

// " (pX = 3.000)" for a positive free cation, nothing otherwise.
std::string PValue(const char* name, TReal freeConc)
{
    if (!(freeConc > 0))
        return {};
    return std::string(" (") + name + " = " + FormatFixed(-fpcheck::Log10(freeConc), 5, 3) + ")";
}

} // namespace

std::string FormatConc(TReal x)
{
    if (x == 0)
        return " 0 M";
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
    for (const TUnit& unit : Units)
        if (x >= unit.Threshold)
            return FormatFixed(x * unit.Factor, 8, 3) + unit.Suffix;
    return FormatFixed(x * 1e15L, 8, 3) + " fM";
}

std::vector<std::string> ReportLines(const TEngine& engine, const TCalcState& s)
{
    if (!s.HasResults)
        RaiseCalcError(CalcMessage::NoResults);
    const auto& total = s.TotalLigand;
    const auto& free = s.FreeLigand;
    std::vector<std::string> lines;

    std::string line = "Z = " + FormatFixed(engine.IonStr, 6, 3) + " M" + "  pH = "
        + FormatFixed(engine.pH, 5, 2);
    if (total[ligEGTA] > 0)
        line += "  total EGTA =" + F(total[ligEGTA]);
    if (total[ligEDTA] > 0)
        line += "  total EDTA =" + F(total[ligEDTA]);
    lines.push_back(line);

    lines.push_back("total Mg  =" + F(s.TotalMg) + Tab + "free Mg++ =" + F(s.FreeMg)
                    + PValue("pMg", s.FreeMg));
    lines.push_back("total Ca  =" + F(s.TotalCa) + Tab + "free Ca++ =" + F(s.FreeCa)
                    + PValue("pCa", s.FreeCa));

    line = "total ATP =" + F(total[ligATP]);
    if (total[ligADP] > 0)
        line += Tab + std::string("total ADP =") + F(total[ligADP]);
    if (total[ligPO4] > 0)
        line += Tab + std::string("total PO4 =") + F(total[ligPO4]);
    lines.push_back(line);

    // Each ligand block: the complexes (a CRLF splits unprotonated from protonated ones),
    // then the free ligand and its protonated forms. Labels are eleven characters wide.
    const auto block = [&](TLigand lig, std::array<const char*, 7> labels,
                           std::array<TReal, 7> values) {
        if (!(total[lig] > 0))
            return;
        lines.push_back(labels[0] + F(values[0]) + Tab + labels[1] + F(values[1]) + CrLf
                        + labels[2] + F(values[2]) + Tab + labels[3] + F(values[3]));
        lines.push_back(labels[4] + F(values[4]) + Tab + labels[5] + F(values[5]) + Tab
                        + labels[6] + F(values[6]));
    };
    block(ligATP,
          {"MgATP2-   =", "CaATP2-   =", "MgHATP-   =", "CaHATP-   =", "ATP4-     =",
           "HATP3-    =", "H2ATP2-   ="},
          {s.MgATP, s.CaATP, s.MgHATP, s.CaHATP, free[ligATP], s.HATP, s.H2ATP});
    block(ligEGTA,
          {"MgEGTA2-  =", "CaEGTA2-  =", "MgHEGTA-  =", "CaHEGTA-  =", "EGTA4-    =",
           "HEGTA3-   =", "H2EGTA2-  ="},
          {s.MgEGTA, s.CaEGTA, s.MgHEGTA, s.CaHEGTA, free[ligEGTA], s.HEGTA, s.H2EGTA});
    block(ligEDTA,
          {"MgEDTA2-  =", "CaEDTA2-  =", "MgHEDTA-  =", "CaHEDTA-  =", "EDTA4-    =",
           "HEDTA3-   =", "H2EDTA2-  ="},
          {s.MgEDTA, s.CaEDTA, s.MgHEDTA, s.CaHEDTA, free[ligEDTA], s.HEDTA, s.H2EDTA});
    block(ligADP,
          {"MgADP-    =", "CaADP-    =", "MgHADP    =", "CaHADP    =", "ADP3-     =",
           "HADP2-    =", "H2ADP-    ="},
          {s.MgADP, s.CaADP, s.MgHADP, s.CaHADP, free[ligADP], s.HADP, s.H2ADP});
    if (total[ligPO4] > 0) {
        lines.push_back("MgHPO4    =" + F(s.MgHPO4) + Tab + "CaHPO4    =" + F(s.CaHPO4));
        lines.push_back("PO4(3-)   =" + F(free[ligPO4]) + Tab + "HPO4(2-)  =" + F(s.HPO4) + Tab
                        + "H2PO4(-)  =" + F(s.H2PO4));
    }

    lines.push_back("Ionic strength >= " + F(engine.GetIonStr(s)) + " + [KCl] + "
                    + F(engine.GetIonStrTris()) + " (if [Tris] = 20 mM)");
    return lines;
}

std::string ReportText(const TEngine& engine, const TCalcState& state)
{
    std::string text = "\n";
    for (const std::string& line : ReportLines(engine, state)) {
        std::size_t start = 0;
        for (std::size_t pos; (pos = line.find(CrLf, start)) != std::string::npos;
             start = pos + 2)
            text.append(line, start, pos - start).append("\n");
        text.append(line, start).append("\n");
    }
    return text;
}
