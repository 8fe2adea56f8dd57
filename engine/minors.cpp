// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"
#include "engine/fpcheck.h"

using namespace fpcheck;
using enum TLigand;
using enum TPartner;

void TEngine::CalcMinors(TCalcState& s) const
{
    const auto& atp = FWorkConst[ligATP];
    const auto& egta = FWorkConst[ligEGTA];
    const auto& edta = FWorkConst[ligEDTA];
    const auto& adp = FWorkConst[ligADP];
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
    s.HATP = CheckFinite(atp[ptH][0] * lig[ligATP]);
    s.H2ATP = CheckFinite(atp[ptH][1] * s.HATP);
    s.MgHATP = CheckFinite(mg * atp[ptMg][1] * s.HATP);
    s.CaHATP = CheckFinite(ca * atp[ptCa][1] * s.HATP);
    s.HEGTA = CheckFinite(egta[ptH][0] * lig[ligEGTA]);
    s.H2EGTA = CheckFinite(egta[ptH][1] * s.HEGTA);
    s.MgHEGTA = CheckFinite(mg * egta[ptMg][1] * s.HEGTA);
    s.CaHEGTA = CheckFinite(ca * egta[ptCa][1] * s.HEGTA);
    s.HEDTA = CheckFinite(edta[ptH][0] * lig[ligEDTA]);
    s.H2EDTA = CheckFinite(edta[ptH][1] * s.HEDTA);
    s.MgHEDTA = CheckFinite(mg * edta[ptMg][1] * s.HEDTA);
    s.CaHEDTA = CheckFinite(ca * edta[ptCa][1] * s.HEDTA);
    s.HADP = CheckFinite(adp[ptH][0] * lig[ligADP]);
    s.H2ADP = CheckFinite(adp[ptH][1] * s.HADP);
    s.MgHADP = CheckFinite(mg * adp[ptMg][1] * s.HADP);
    s.CaHADP = CheckFinite(ca * adp[ptCa][1] * s.HADP);

    // The further ligands alike: each protonated form from the one before it, then the
    // complexes with L and with HL.
    for (std::size_t i = 0; i < FFurtherWork.Count; ++i) {
        const TLigandConst& k = FFurtherWork.Const[i];
        TFurtherSpecies& further = s.Further[i];
        TReal form = further.Free;
        for (std::size_t step = 0; step < FurtherProtonSteps; ++step) {
            // A step that does not exist holds 0 (or the table's value <= 0), and so
            // does every form after it.
            form = k[ptH][step] > 0 ? CheckFinite(k[ptH][step] * form) : TReal {0};
            further.Protonated[step] = form;
        }
        further.Mg = CheckFinite(mg * k[ptMg][0] * further.Free);
        further.MgH = CheckFinite(mg * k[ptMg][1] * further.Protonated[0]);
        further.Ca = CheckFinite(ca * k[ptCa][0] * further.Free);
        further.CaH = CheckFinite(ca * k[ptCa][1] * further.Protonated[0]);
    }
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
    // Every species of a further ligand with its squared charge: L carries -z, each proton
    // adds 1 and a bound cation 2.
    for (std::size_t i = 0; i < FFurtherWork.Count; ++i) {
        const TFurtherSpecies& further = s.Further[i];
        const TReal z = FFurther[i].Charge;
        const auto squared = [](TReal charge) { return charge * charge; };
        sum += squared(z) * further.Free;
        for (std::size_t step = 0; step < FurtherProtonSteps; ++step)
            sum += squared(z + TReal(step + 1)) * further.Protonated[step];
        sum += squared(z + 2) * (further.Mg + further.Ca);
        sum += squared(z + 3) * (further.MgH + further.CaH);
    }
    return CheckFinite(sum) / 2;
}
