// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"
#include "engine/fpcheck.h"

using namespace fpcheck;
using enum TLigand;
using enum TPartner;

namespace {

// The singly and doubly protonated forms of a ligand and the Mg and Ca complexes of the
// singly protonated one, from the free ligand and the ligand's working constants.
void ProtonatedForms(const TLigandConst& k, TReal ligand, TReal mg, TReal ca, TReal& hl,
                     TReal& h2l, TReal& mgHl, TReal& caHl)
{
    hl = CheckFinite(k[ptH][0] * ligand);
    h2l = CheckFinite(k[ptH][1] * hl);
    mgHl = CheckFinite(mg * k[ptMg][1] * hl);
    caHl = CheckFinite(ca * k[ptCa][1] * hl);
}

} // namespace

void TEngine::CalcMinors(TCalcState& s) const
{
    const auto& egta = FWorkConst[ligEGTA];
    const auto& edta = FWorkConst[ligEDTA];
    const auto& po4 = FWorkConst[ligPO4];
    const auto& lig = s.FreeLigand;
    const TReal mg = s.FreeMg;
    const TReal ca = s.FreeCa;

    // Each species is one product, left to right; a singly protonated form is computed
    // before the complexes made from it.
    s.CaEGTA = CheckFinite(ca * egta[ptCa][0] * lig[ligEGTA]);
    s.MgEGTA = CheckFinite(mg * egta[ptMg][0] * lig[ligEGTA]);
    s.CaEDTA = CheckFinite(ca * edta[ptCa][0] * lig[ligEDTA]);
    s.MgEDTA = CheckFinite(mg * edta[ptMg][0] * lig[ligEDTA]);
    s.HPO4 = CheckFinite(po4[ptH][0] * lig[ligPO4]);
    s.H2PO4 = CheckFinite(po4[ptH][1] * s.HPO4);
    s.CaHPO4 = CheckFinite(ca * po4[ptCa][1] * s.HPO4);
    s.MgHPO4 = CheckFinite(mg * po4[ptMg][1] * s.HPO4);
    ProtonatedForms(FWorkConst[ligATP], lig[ligATP], mg, ca, s.HATP, s.H2ATP, s.MgHATP, s.CaHATP);
    ProtonatedForms(FWorkConst[ligEGTA], lig[ligEGTA], mg, ca, s.HEGTA, s.H2EGTA, s.MgHEGTA,
                    s.CaHEGTA);
    ProtonatedForms(FWorkConst[ligEDTA], lig[ligEDTA], mg, ca, s.HEDTA, s.H2EDTA, s.MgHEDTA,
                    s.CaHEDTA);
    ProtonatedForms(FWorkConst[ligADP], lig[ligADP], mg, ca, s.HADP, s.H2ADP, s.MgHADP, s.CaHADP);
}

TReal TEngine::GetIonStr(const TCalcState& s) const
{
    if (!s.HasResults)
        return 0;
    // Concentration times squared charge; the protonated forms of each ligand are
    // expressed through its free form and the apparent protonation factors.
    const auto tetravalent = [this, &s](TLigand lig) {
        const auto& h = FWorkConst[lig][ptH];
        return (((h[2] + 4) * h[1] + 9) * h[0] + 16) * s.FreeLigand[lig];
    };
    const auto& hAdp = FWorkConst[ligADP][ptH];
    TReal sum = tetravalent(ligATP);
    sum += tetravalent(ligEGTA);
    sum += tetravalent(ligEDTA);
    sum += ((hAdp[1] + 4) * hAdp[0] + 9) * s.FreeLigand[ligADP];
    sum += 9 * s.FreeLigand[ligPO4] + 4 * s.HPO4 + s.H2PO4;
    sum += 4 * (s.FreeMg + s.MgATP + s.MgEGTA + s.MgEDTA) + s.MgADP;
    sum += 4 * (s.FreeCa + s.CaATP + s.CaEGTA + s.CaEDTA) + s.CaADP;
    // Two singly charged counter-anions come with every Mg or Ca ion added.
    sum += 2 * s.TotalMg + 2 * s.TotalCa;
    return CheckFinite(sum) / 2;
}
