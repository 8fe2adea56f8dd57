// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/compute.h"

#include "engine/calcerror.h"
#include "engine/fpcheck.h"
#include "report/report.h"

#include <cmath>

namespace {

// Every species of the further ligands stays finite in mM, as the record writes it.
bool FurtherInMillimolarFinite(const TCalcOutcome& o, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const TFurtherSpecies& f = o.State.Further[i];
        for (TReal x : {f.Free, f.Protonated[0], f.Protonated[1], f.Protonated[2], f.Protonated[3],
                        f.Mg, f.MgH, f.Ca, f.CaH, o.Input.FurtherTotals[i]})
            if (!std::isfinite(x * 1000))
                return false;
    }
    return true;
}

} // namespace

TCalcOutcome Compute(TEngine& engine, const TCalcInput& input, TOutputFormat format)
{
    TCalcOutcome o;
    o.Input = input;
    static const TReal tiny = 10 * MachineEpsilon(); // the same for every calculation
    o.State.Tiny = tiny;
    for (TValueField f : AllValueFields)
        SetValueOf(engine, o.State, f, IsConcentration(f) ? input[f] / 1000 : input[f]);
    for (std::size_t i = 0; i < engine.FurtherLigands().size(); ++i)
        o.State.Further[i].Total = input.FurtherTotals[i] / 1000;
    engine.SetTemperatureC(input.TemperatureC);
    engine.SetpHScale(input.pHScale);
    const TCalcStatus status = engine.Calculate(o.State, input.Mode);
    o.Iterations = status.Iterations;
    o.Error = status.Error;
    if (o.Failed())
        return o;
    try {
        o.IonStrSpecies = engine.GetIonStr(o.State);
        o.IonStrTris = engine.GetIonStrTris();
        o.pcH = engine.pcH();
        // A result in range in M can leave the range in mM, and the Tris term of an
        // enormous pH overflows: such a record must fail in every format, not print an
        // empty cell in one and a number in another.
        if (!AllRealsFinite(o) || !FurtherInMillimolarFinite(o, engine.FurtherLigands().size()))
            fpcheck::RaiseOverflow();
        if (format == TOutputFormat::ofReport)
            o.Report = ReportText(engine, o.State);
    } catch (const TCalcError& e) {
        o.Error = e.what();
    }
    return o;
}
