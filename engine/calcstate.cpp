// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "engine/calcstate.h"

#include "engine/bindconst.h"

namespace {

using enum TValueField;

// The four inputs of each mode among the ten mode-dependent fields.
constexpr std::array<std::array<TValueField, 4>, ModeCount> ModeInputs {{
    {vfTotalMg, vfTotalCa, vfTotalATP, vfTotalADP}, // cmEveryGiven
    {vfTotalCa, vfFreeMg, vfMgATP, vfMgADP},        // cmMgATP_MgADP_Mg
    {vfFreeMg, vfFreeCa, vfMgATP, vfMgADP},         // cmMgATP_Mg_MgADP_Ca
    {vfTotalMg, vfFreeCa, vfCaATP, vfCaADP},        // cmCaATP_Ca_CaADP
    {vfFreeMg, vfFreeCa, vfCaATP, vfCaADP},         // cmCaATP_CaADP_Ca_Mg
    {vfTotalADP, vfFreeCa, vfMgATP, vfCaATP},       // cmMgATP_CaATP_Ca
    {vfTotalMg, vfTotalATP, vfTotalADP, vfFreeCa},  // cmCa
}};

} // namespace

bool IsModeInput(TCalcMode mode, TValueField field)
{
    switch (field) {
    case vfpH:
    case vfIonStr:
    case vfTotalEGTA:
    case vfTotalEDTA:
    case vfTotalPO4:
        return true;
    default:
        break;
    }
    const int m = static_cast<int>(mode);
    if (m < 0 || m >= ModeCount)
        return false;
    for (TValueField input : ModeInputs[static_cast<std::size_t>(m)])
        if (input == field)
            return true;
    return false;
}

TReal ValueOf(const TEngine& engine, const TCalcState& state, TValueField field)
{
    switch (field) {
    case vfpH:
        return engine.pH();
    case vfIonStr:
        return engine.IonStr();
    default:
        return ConcentrationRef(state, field);
    }
}

void SetValueOf(TEngine& engine, TCalcState& state, TValueField field, TReal value)
{
    switch (field) {
    case vfpH:
        engine.SetpH(value);
        break;
    case vfIonStr:
        engine.SetIonStr(value);
        break;
    default:
        ConcentrationRef(state, field) = value;
        break;
    }
}

void SetValues(TEngine& engine, TCalcState& state, const TValueSet& values)
{
    for (TValueField field : AllValueFields)
        SetValueOf(engine, state, field, values[field]);
}

TValueSet ValuesOf(const TEngine& engine, const TCalcState& state)
{
    TValueSet values;
    for (TValueField field : AllValueFields)
        values[field] = ValueOf(engine, state, field);
    return values;
}
