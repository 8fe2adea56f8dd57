// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The fifteen values of a calculation as the windows label them, with the main window's
// name of each entry field, in the order of TValueField.

#include "engine/calcstate.h"

#include <array>

struct TFieldRow {
    TValueField Field;
    const char* Label;
    const char* Name; // the main window's field name
};

inline constexpr std::array<TFieldRow, ValueFieldCount> ValueFieldRows {{
    {TValueField::vfpH, "pH", "pHEdit"},
    {TValueField::vfIonStr, "Ionic strength (M)", "IonStrEdit"},
    {TValueField::vfTotalEGTA, "Total EGTA", "tEGTAEdit"},
    {TValueField::vfTotalEDTA, "Total EDTA", "tEDTAEdit"},
    {TValueField::vfTotalMg, "Total Mg", "tMgEdit"},
    {TValueField::vfTotalCa, "Total Ca", "tCaEdit"},
    {TValueField::vfTotalATP, "Total ATP", "tATPEdit"},
    {TValueField::vfTotalADP, "Total ADP", "tADPEdit"},
    {TValueField::vfTotalPO4, "Total PO4", "tPOivEdit"},
    {TValueField::vfFreeMg, "Free Mg++", "fMgEdit"},
    {TValueField::vfFreeCa, "Free Ca++", "fCaEdit"},
    {TValueField::vfMgATP, "MgATP", "MgATPEdit"},
    {TValueField::vfCaATP, "CaATP", "CaATPEdit"},
    {TValueField::vfMgADP, "MgADP", "MgADPEdit"},
    {TValueField::vfCaADP, "CaADP", "CaADPEdit"},
}};
