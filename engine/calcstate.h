// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The state of one equilibrium calculation (every number except the binding constants,
// pH and the ionic strength, which live in TEngine), the seven calculation modes, and the
// table of which of the fifteen values of the main window is an input in which mode.

#include "engine/realtype.h"

#include <array>
#include <concepts>
#include <cstddef>
#include <stdexcept>
#include <string_view>
#include <type_traits>

/// An std::array indexed by an enumeration, so that tables read in the domain's terms.
template <typename E, typename T, std::size_t N>
struct TEnumArray {
    std::array<T, N> Items {};

    constexpr T& operator[](E e) { return Items[static_cast<std::size_t>(e)]; }
    constexpr const T& operator[](E e) const { return Items[static_cast<std::size_t>(e)]; }
    constexpr auto begin() { return Items.begin(); }
    constexpr auto end() { return Items.end(); }
    constexpr auto begin() const { return Items.begin(); }
    constexpr auto end() const { return Items.end(); }
    friend constexpr bool operator==(const TEnumArray&, const TEnumArray&) = default;
};

enum class TLigand : int { ligATP, ligEGTA, ligEDTA, ligADP, ligPO4 };
inline constexpr std::size_t LigandCount = 5;
inline constexpr std::array<TLigand, LigandCount> AllLigands {
    TLigand::ligATP, TLigand::ligEGTA, TLigand::ligEDTA, TLigand::ligADP, TLigand::ligPO4};

template <typename T>
using TPerLigand = TEnumArray<TLigand, T, LigandCount>;

/// How many further ligands (creatine phosphate, BAPTA, a lab's own chelator) a calculation
/// may carry besides the five, and how many protons a further ligand may take.
inline constexpr std::size_t MaxFurtherLigands = 4;
inline constexpr std::size_t FurtherProtonSteps = 4;

/// The species of one further ligand L, in M. Its total is an input in every mode; the
/// solve writes the free form and CalcMinors the rest.
struct TFurtherSpecies {
    TReal Total {};
    TReal Free {};                                       // L, fully deprotonated
    std::array<TReal, FurtherProtonSteps> Protonated {}; // HL, H2L, H3L, H4L
    TReal Mg {}, MgH {}, Ca {}, CaH {};                  // ML and MHL of each cation

    friend bool operator==(const TFurtherSpecies&, const TFurtherSpecies&) = default;
};

/// All concentrations in M. Zero when created, as is HasResults.
struct TCalcState {
    TReal TotalMg {};
    TReal FreeMg {};
    TReal TotalCa {};
    TReal FreeCa {};
    TPerLigand<TReal> TotalLigand {};
    // The unprotonated 1:1 nucleotide complexes MgATP2-, MgADP-, CaATP2-, CaADP-.
    TReal MgATP {};
    TReal MgADP {};
    TReal CaATP {};
    TReal CaADP {};
    // Free, unbound, fully deprotonated ligands: ATP4-, EGTA4-, EDTA4-, ADP3-, PO4(3-).
    TPerLigand<TReal> FreeLigand {};
    // Minor species, written by CalcMinors.
    TReal HATP {}, H2ATP {}, MgHATP {}, CaHATP {};
    TReal HEGTA {}, H2EGTA {}, MgEGTA {}, MgHEGTA {}, CaEGTA {}, CaHEGTA {};
    TReal HEDTA {}, H2EDTA {}, MgHEDTA {}, CaHEDTA {}, MgEDTA {}, CaEDTA {};
    TReal HADP {}, H2ADP {}, MgHADP {}, CaHADP {};
    TReal HPO4 {}, H2PO4 {}, MgHPO4 {}, CaHPO4 {};
    /// The further ligands, in the order the engine holds their definitions; only as many
    /// as the engine has are read or written.
    std::array<TFurtherSpecies, MaxFurtherLigands> Further {};
    /// Zero threshold of the solver and of pCa: 10 x MachineEpsilon, set once at start-up.
    TReal Tiny {};
    bool HasResults = false;
};

/// The item index of the mode selector. Any value outside 0..6 (-1: nothing selected)
/// is a valid TCalcMode that selects no solver.
enum class TCalcMode : int {
    cmEveryGiven = 0,
    cmMgATP_MgADP_Mg = 1,
    cmMgATP_Mg_MgADP_Ca = 2,
    cmCaATP_Ca_CaADP = 3,
    cmCaATP_CaADP_Ca_Mg = 4,
    cmMgATP_CaATP_Ca = 5,
    cmCa = 6,
};
inline constexpr int ModeCount = 7;
inline constexpr std::array<std::string_view, ModeCount> ModeCaptions {
    "Every concentration is given",
    "Control MgATP, MgADP, Mg++",
    "Control MgATP, Mg++, MgADP, Ca++",
    "Control CaATP, Ca++, CaADP",
    "Control CaATP, CaADP, Ca++, Mg++",
    "Control MgATP, CaATP, Ca++",
    "Control Ca++",
};

/// The fifteen values of the main window, in the order in which they are read from the
/// entry fields and written to the settings file.
enum class TValueField : int {
    vfpH,
    vfIonStr,
    vfTotalEGTA,
    vfTotalEDTA,
    vfTotalMg,
    vfTotalCa,
    vfTotalATP,
    vfTotalADP,
    vfTotalPO4,
    vfFreeMg,
    vfFreeCa,
    vfMgATP,
    vfCaATP,
    vfMgADP,
    vfCaADP,
};
inline constexpr std::size_t ValueFieldCount = 15;
inline constexpr auto AllValueFields = [] {
    std::array<TValueField, ValueFieldCount> fields {};
    for (std::size_t i = 0; i < ValueFieldCount; ++i)
        fields[i] = static_cast<TValueField>(i);
    return fields;
}();

/// True for the concentrations (held in M, shown in mM); false for pH and ionic strength.
constexpr bool IsConcentration(TValueField f)
{
    return f != TValueField::vfpH && f != TValueField::vfIonStr;
}

/// The ten fields whose role depends on the mode, in the order the window enables them.
inline constexpr std::array<TValueField, 10> ModeFields {
    TValueField::vfTotalMg,  TValueField::vfTotalCa, TValueField::vfTotalATP,
    TValueField::vfTotalADP, TValueField::vfFreeMg,  TValueField::vfFreeCa,
    TValueField::vfMgATP,    TValueField::vfCaATP,   TValueField::vfMgADP,
    TValueField::vfCaADP};

/// The fifteen values of a calculation indexed by TValueField: pH, the ionic strength (M)
/// and the thirteen concentrations (M). The built-in defaults are one such set.
using TValueSet = TEnumArray<TValueField, TReal, ValueFieldCount>;

/// The concentration `field` (M) of a state, const or not. pH and the ionic strength are
/// not part of the state (they belong to the engine): asking for them is a programming
/// error (std::logic_error).
template <typename TState>
    requires std::same_as<std::remove_const_t<TState>, TCalcState>
constexpr auto& ConcentrationRef(TState& state, TValueField field)
{
    using enum TValueField;
    using enum TLigand;
    switch (field) {
    case vfTotalEGTA:
        return state.TotalLigand[ligEGTA];
    case vfTotalEDTA:
        return state.TotalLigand[ligEDTA];
    case vfTotalMg:
        return state.TotalMg;
    case vfTotalCa:
        return state.TotalCa;
    case vfTotalATP:
        return state.TotalLigand[ligATP];
    case vfTotalADP:
        return state.TotalLigand[ligADP];
    case vfTotalPO4:
        return state.TotalLigand[ligPO4];
    case vfFreeMg:
        return state.FreeMg;
    case vfFreeCa:
        return state.FreeCa;
    case vfMgATP:
        return state.MgATP;
    case vfCaATP:
        return state.CaATP;
    case vfMgADP:
        return state.MgADP;
    case vfCaADP:
        return state.CaADP;
    case vfpH:
    case vfIonStr:
        break;
    }
    throw std::logic_error("pH and the ionic strength are not concentrations of the state");
}

/// True when `field` is an input of `mode`. pH, ionic strength, total EGTA, total EDTA and
/// total PO4 are inputs in every mode; of the other ten, each mode takes exactly four.
/// A mode outside 0..6 makes none of the ten an input.
bool IsModeInput(TCalcMode mode, TValueField field);
