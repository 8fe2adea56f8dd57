// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/bindconst.h"

#include "engine/fpcheck.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

using namespace fpcheck;
using enum TLigand;
using enum TPartner;

namespace {

// Charge of the fully deprotonated ligand: ATP4-, EGTA4-, EDTA4-, ADP3-, PO4(3-).
constexpr TPerLigand<int> LigandCharge {{4, 4, 4, 3, 3}};

// Literal defaults, log10 K at 0.1 M; 0 marks a step that does not exist. The phosphate
// constants are computed in LoadDefaultConstants.
constexpr std::array<std::array<TReal, StepCount>, 12> LiteralDefaults {{
    {6.50L, 4.05L, 0, 0},          // ATP-H
    {4.00L, 2.00L, 0, 0},          // ATP-Mg
    {3.60L, 1.80L, 0, 0},          // ATP-Ca
    {9.46L, 8.85L, 2.65L, 2.00L},  // EGTA-H
    {5.20L, 3.40L, 0, 0},          // EGTA-Mg
    {10.97L, 5.30L, 0, 0},         // EGTA-Ca
    {10.26L, 6.16L, 2.67L, 1.99L}, // EDTA-H
    {8.69L, 2.28L, 0, 0},          // EDTA-Mg
    {10.59L, 3.51L, 0, 0},         // EDTA-Ca
    {6.44L, 3.93L, 0, 0},          // ADP-H
    {3.17L, 1.64L, 0, 0},          // ADP-Mg
    {2.86L, 1.58L, 0, 0},          // ADP-Ca
}};

} // namespace

TReal MachineEpsilon()
{
#if defined(__wasm__)
    // The quadruple real of WebAssembly would find 2^-112; the engine's thresholds (Tiny)
    // are those of the extended real, so that a result is zero or not alike everywhere.
    return 0x1p-63L;
#endif
    // volatile keeps every sum in the extended format instead of a wider register.
    volatile TReal x = 1;
    TReal e;
    do {
        e = x;
        x = x / 2;
    } while (static_cast<TReal>(x + 1) != 1);
    return e;
}

TReal ActivityTerm(TReal ionStr)
{
    // Davies-type term with the pieces joined where the literature switches formulas;
    // the jumps at 0.001 M and 0.1 M are part of the method.
    const TReal s = Sqrt(ionStr);
    if (ionStr < 0.001L)
        return 0.5091L * s;
    if (ionStr < 0.1L)
        return 0.5091L * s / (1 + s);
    return 0.5091L * (s / (1 + s) - 0.2L * ionStr);
}

namespace {

// Equal values, with 0 and -0 told apart (the activity term of -0 is -0); a NaN is never
// the same as anything, so a table made with one is always remade.
bool SameReal(TReal a, TReal b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

} // namespace

TLigandConst UnknownLigandEnthalpies()
{
    TLigandConst block;
    for (auto& row : block)
        row.fill(std::numeric_limits<TReal>::quiet_NaN());
    return block;
}

TConstTable UnknownEnthalpies()
{
    TConstTable table;
    for (auto& ligand : table)
        ligand = UnknownLigandEnthalpies();
    return table;
}

TReal VantHoff(TReal log10K, TReal enthalpyJPerMol, TReal fromC, TReal toC)
{
    // d ln K / d(1/T) = -dH / R; in decimal logarithms the slope is divided by ln 10.
    const TReal inverseGap = CheckFinite(Div(1, toC + ZeroCelsiusK) - Div(1, fromC + ZeroCelsiusK));
    const TReal slope = Div(enthalpyJPerMol, GasConstant * std::numbers::ln10_v<TReal>);
    return CheckFinite(log10K - CheckFinite(slope * inverseGap));
}

void TEngine::SetOrigin(TConstOrigin origin)
{
    FOrigin = std::move(origin);
    FCorrFresh = FAppFresh = false;
}

void TEngine::SetTemperatureC(std::optional<TReal> celsius)
{
    const bool same = celsius.has_value() == FTemperatureC.has_value()
        && (!celsius || SameReal(*celsius, *FTemperatureC));
    if (!same)
        FCorrFresh = FAppFresh = false;
    FTemperatureC = celsius;
}

void TEngine::SetpHScale(TpHScale scale)
{
    if (scale != FpHScale)
        FAppFresh = false;
    FpHScale = scale;
}

TReal TEngine::pcH() const
{
    if (FpHScale == TpHScale::psConcentration)
        return FpH;
    return CheckFinite(FpH - ActivityTerm(FIonStr));
}

namespace {

// Whether a calculation reads the entry: metal step 3 is carried but never read.
bool IsReadEntry(TPartner partner, std::size_t step)
{
    return partner == ptH || step < StepCount - 1;
}

} // namespace

// The present entries of one ligand's block that a calculation reads but cannot bring to
// another temperature.
int BlockWithoutCorrection(const TLigandConst& base, const TLigandConst& enthalpy,
                           bool hasReference)
{
    int count = 0;
    for (TPartner pt : AllPartners)
        for (std::size_t step = 0; step < StepCount; ++step)
            if (base[pt][step] > 0 && IsReadEntry(pt, step)
                && (!hasReference || std::isnan(enthalpy[pt][step])))
                ++count;
    return count;
}

int EntriesWithoutCorrection(const TConstTable& base, const TConstOrigin& origin)
{
    int count = 0;
    for (TLigand lig : AllLigands)
        count += BlockWithoutCorrection(
            base[lig], origin.EnthalpyJPerMol[lig], origin.ReferenceC.has_value());
    return count;
}

int EntriesWithoutCorrection(std::span<const TFurtherLigand> ligands)
{
    int count = 0;
    for (const TFurtherLigand& further : ligands)
        count += BlockWithoutCorrection(
            further.BaseConst, further.EnthalpyJPerMol, further.ReferenceC.has_value());
    return count;
}

int TEngine::UncorrectedEntries() const
{
    if (!FTemperatureC)
        return 0;
    return EntriesWithoutCorrection(FBaseConst, FOrigin)
        + EntriesWithoutCorrection(FurtherLigands());
}

void TEngine::SetFurtherLigands(std::span<const TFurtherLigand> ligands)
{
    if (ligands.size() > MaxFurtherLigands)
        throw std::invalid_argument("a calculation carries at most 4 further ligands");
    for (const TFurtherLigand& further : ligands) {
        if (further.Charge < MinFurtherCharge || further.Charge > MaxFurtherCharge)
            throw std::invalid_argument("the charge of a further ligand is -1 to -6");
        for (TPartner metal : {ptMg, ptCa})
            for (std::size_t step = FurtherMetalSteps; step < StepCount; ++step)
                if (further.BaseConst[metal][step] != 0)
                    throw std::invalid_argument(
                        "a further ligand binds a metal as ML and MHL only");
    }
    std::copy(ligands.begin(), ligands.end(), FFurther.begin());
    FFurtherCount = ligands.size();
    FCorrFresh = FAppFresh = false;
}

bool TEngine::HasDefaultConditions() const
{
    return FOrigin.SetName == BuiltInSetName && !FTemperatureC
        && FpHScale == TpHScale::psConcentration;
}

void TEngine::SetpH(TReal value)
{
    if (!SameReal(value, FpH))
        FAppFresh = false;
    FpH = value;
}

void TEngine::SetIonStr(TReal value)
{
    if (!SameReal(value, FIonStr))
        FCorrFresh = FAppFresh = false;
    FIonStr = value;
}

void TEngine::SetBaseConst(const TConstTable& table)
{
    FBaseConst = table;
    FCorrFresh = FAppFresh = false;
}

void TEngine::SetBaseEntry(TLigand lig, TPartner partner, std::size_t step, TReal value)
{
    FBaseConst[lig][partner].at(step) = value;
    FCorrFresh = FAppFresh = false;
}

void TEngine::LoadDefaultConstants()
{
    FCorrFresh = FAppFresh = false;
    FBaseConst = {};
    std::size_t row = 0;
    for (TLigand lig : {ligATP, ligEGTA, ligEDTA, ligADP})
        for (TPartner pt : AllPartners)
            FBaseConst[lig][pt] = LiteralDefaults[row++];

    // Phosphate values quoted at 0 M (protonation) and 0.2 M (metal binding), brought to
    // the table's 0.1 M as AdjustConstants would: the charge factors 2c and 4c (c = 3, 2, 1
    // for the steps) times the change of the activity term, rounded to a double.
    const auto shiftFromZero = static_cast<TReal>(static_cast<double>(ActivityTerm(0.1L)));
    FBaseConst[ligPO4][ptH][0] = 12.325L - 6 * shiftFromZero;
    FBaseConst[ligPO4][ptH][1] = 7.207L - 4 * shiftFromZero;
    FBaseConst[ligPO4][ptH][2] = 2.161L - 2 * shiftFromZero;
    const auto shiftFromPoint2 = static_cast<TReal>(
        static_cast<double>(ActivityTerm(0.1L) - ActivityTerm(0.2L)));
    FBaseConst[ligPO4][ptMg][1] = 1.88L - 8 * shiftFromPoint2;
    FBaseConst[ligPO4][ptCa][1] = 1.7L - 8 * shiftFromPoint2;
}

namespace {

// One ligand's block brought from `fromC` to `toC` by van 't Hoff where an enthalpy is known.
void BringToTemperature(const TLigandConst& base, const TLigandConst& enthalpy, TReal fromC,
                        TReal toC, TLigandConst& corr)
{
    for (TPartner pt : AllPartners)
        for (std::size_t step = 0; step < StepCount; ++step)
            if (base[pt][step] > 0 && !std::isnan(enthalpy[pt][step]))
                corr[pt][step] = VantHoff(base[pt][step], enthalpy[pt][step], fromC, toC);
}

// One ligand's block corrected from 0.1 M: log K moves by the change of the sum of squared
// charges in the reaction times `termShift`, the change of the activity term. `z` is the
// magnitude of the charge of the fully deprotonated ligand, so step s binds to a species of
// charge -(z - s): the squares change by 2 (z - s) when it takes a proton and by 4 (z - s)
// when it takes Mg++ or Ca++. A step that binds to an uncharged species (a trivalent
// ligand's fourth proton) is carried uncorrected; one that binds to a cation (a further
// ligand with more protons than charges) moves the other way.
void CorrectForIonStr(const TLigandConst& base, int z, double termShift, TLigandConst& corr)
{
    for (std::size_t step = 0; step < StepCount; ++step) {
        const TReal charge = z - static_cast<int>(step);
        if (charge == 0)
            continue;
        if (base[ptH][step] > 0)
            corr[ptH][step] -= CheckFinite(charge * termShift * 2);
        for (TPartner metal : {ptMg, ptCa})
            if (base[metal][step] > 0)
                corr[metal][step] -= CheckFinite(charge * termShift * 4);
    }
}

} // namespace

void TEngine::AdjustConstants()
{
    if (FIonStr < 0)
        RaiseCalcError(CalcMessage::NegativeIonStr);
    FCorrFresh = FAppFresh = false;
    FCorrConst = FBaseConst;
    FFurtherCorr.Count = FFurtherCount;
    for (std::size_t i = 0; i < FFurtherCount; ++i)
        FFurtherCorr.Const[i] = FFurther[i].BaseConst;
    if (FTemperatureC)
        CorrectForTemperature();
    // The activity term's change from the table's 0.1 M, rounded to a double.
    const double termShift = static_cast<double>(ActivityTerm(FIonStr) - ActivityTerm(0.1L));
    for (TLigand lig : AllLigands)
        CorrectForIonStr(FBaseConst[lig], LigandCharge[lig], termShift, FCorrConst[lig]);
    for (std::size_t i = 0; i < FFurtherCount; ++i)
        CorrectForIonStr(
            FFurther[i].BaseConst, -FFurther[i].Charge, termShift, FFurtherCorr.Const[i]);
    FCorrFresh = true;
}

void TEngine::CorrectForTemperature()
{
    if (FOrigin.ReferenceC)
        for (TLigand lig : AllLigands)
            BringToTemperature(FBaseConst[lig], FOrigin.EnthalpyJPerMol[lig], *FOrigin.ReferenceC,
                               *FTemperatureC, FCorrConst[lig]);
    for (std::size_t i = 0; i < FFurtherCount; ++i)
        if (FFurther[i].ReferenceC)
            BringToTemperature(FFurther[i].BaseConst, FFurther[i].EnthalpyJPerMol,
                               *FFurther[i].ReferenceC, *FTemperatureC, FFurtherCorr.Const[i]);
}

namespace {

// One ligand's apparent constants at -log10 [H+] `hydrogen` and its three binding sums. An
// entry that does not exist keeps its value from the table the user edits.
void MakeApparent(const TLigandConst& base, const TLigandConst& corr, TReal hydrogen,
                  TLigandConst& app, TLigandSums& sums)
{
    app = base;
    for (TPartner pt : AllPartners) {
        for (std::size_t step = 0; step < StepCount; ++step) {
            if (base[pt][step] <= 0)
                continue;
            // A protonation constant times [H+] is the ratio of successive forms.
            const TReal exponent = pt == ptH ? CheckFinite(corr[pt][step] - hydrogen)
                                             : corr[pt][step];
            app[pt][step] = Pow10(exponent);
        }
    }
    const auto& h = app[ptH];
    sums[ptH] = CheckFinite((((h[3] + 1) * h[2] + 1) * h[1] + 1) * h[0] + 1);
    for (TPartner metal : {ptMg, ptCa}) {
        const auto& m = app[metal];
        sums[metal] = CheckFinite((m[2] * h[1] + m[1]) * h[0] + m[0]);
    }
}

} // namespace

void TEngine::MakeApparentConstants()
{
    // The apparent table is up to date only when the corrected one it is made from is.
    const bool fromFreshCorr = FCorrFresh;
    FAppFresh = false;
    const TReal hydrogen = pcH();
    for (TLigand lig : AllLigands)
        MakeApparent(FBaseConst[lig], FCorrConst[lig], hydrogen, FAppConst[lig], FBindSums[lig]);
    FFurtherApp.Count = FFurtherCount;
    for (std::size_t i = 0; i < FFurtherCount; ++i)
        MakeApparent(FFurther[i].BaseConst, FFurtherCorr.Const[i], hydrogen, FFurtherApp.Const[i],
                     FFurtherApp.Sums[i]);
    FAppFresh = fromFreshCorr;
}

TCalcStatus TEngine::Calculate(TCalcState& state, TCalcMode mode)
{
    TCalcStatus status;
    try {
        if (!FCorrFresh)
            AdjustConstants();
        if (!FAppFresh)
            MakeApparentConstants();
        status.Iterations = SolveMajors(state, mode);
        CalcMinors(state);
    } catch (const TCalcError& e) {
        status.Error = e.what();
    }
    return status;
}

TReal TEngine::GetIonStrTris() const
{
    // An empirical estimate for a 50 mM Tris buffer, in mM: a straight line in the pH
    // (falling as less of the Tris is protonated at a higher pH) plus a fixed 50 mM. It is
    // turned from mM into M and scaled from the 50 mM buffer it was made for to the
    // 20 mM that the report line names. The operations keep this order: the report prints
    // the value to its last digit.
    constexpr TReal lineAtPh0 = 218.44L; // mM
    constexpr TReal lineSlope = 23.81L;  // mM per pH unit
    constexpr TReal fixedPart = 50;      // mM
    constexpr TReal estimatedTris = 50;  // mM of Tris the estimate was made for
    constexpr TReal reportedTris = 20;   // mM of Tris the report line assumes
    return ((lineAtPh0 - lineSlope * FpH) + fixedPart) / 1000 * reportedTris / estimatedTris;
}
