// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What a lab weighs and what it releases in water: ions written as chemists write them
// ("Ca2+", "Cl-", "HPO4^2-", "imidazole"), salts with their formula, molar mass and the ions
// one formula unit releases, and pH buffers with their thermodynamic pKa, enthalpy of
// ionisation and the charges of their pair. The bundled tables are built into the program
// from recipe/data/*.json; a recipe may bring salts and buffers of its own.

#include "engine/realtype.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// A salt, buffer or ion text that cannot be used; the message says what is wrong.
class TRecipeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An ion: its species without the charge ("Ca", "HPO4", "imidazole") and its charge.
struct TIon {
    std::string Species;
    int Charge = 0;

    friend bool operator==(const TIon&, const TIon&) = default;
};

/// "Ca2+" -> {Ca, 2}, "Cl-" -> {Cl, -1}, "HPO4^2-" -> {HPO4, -2}, "Tris" -> {Tris, 0}. A
/// species whose name ends in a digit writes "^" before its charge, so that "HPO4^2-" is not
/// read as "HPO" with 4 charges. Charges from -9 to 9. Throws TRecipeError otherwise.
TIon ParseIon(std::string_view text);

/// The ion as ParseIon reads it back: "Ca2+", "Cl-", "HPO4^2-", "Tris".
std::string IonText(const TIon& ion);

/// How many of an ion one formula unit releases.
struct TIonCount {
    TIon Ion;
    int Count = 1;

    friend bool operator==(const TIonCount&, const TIonCount&) = default;
};

/// "Na+:2;ATP4-:1;H+:2" (a count of 1 may be left out): each ion once, counts 1 to 99. A
/// multiprotic ligand is written as its fully deprotonated form plus the protons the weighed
/// form still carries (H+), so that the charges sum to zero. Throws TRecipeError for a list
/// that cannot be read or whose charges do not sum to zero.
std::vector<TIonCount> ParseIonList(std::string_view text);
std::string IonListText(const std::vector<TIonCount>& ions);

/// Something weighed: a salt, a hydrate, a free acid, a base, a buffer substance.
struct TSalt {
    std::string Name;    // as the user chooses it ("CaCl2·2H2O")
    std::string Formula; // "CaCl2·2H2O"
    TReal MolarMass = 0; // g/mol, of the form weighed (water of crystallisation included)
    std::vector<TIonCount> Ions;
    std::string Source;

    friend bool operator==(const TSalt&, const TSalt&) = default;
};

/// The bundled salts in the table's order.
std::span<const TSalt> SaltLibrary();

/// The bundled salt called `name`: the whole name or the part before " (", without regard to
/// case, and with "." or "*" standing for "·" ("CaCl2.2H2O"); none when no salt or more
/// than one salt has that name.
const TSalt* FindSalt(std::string_view name);

/// The names of the bundled salts, "CaCl2·2H2O, ..." for messages.
std::string KnownSaltNames();

/// A pH buffer: the pair HB/B that buffers near pH 7, with HB's charge one above B's.
struct TpHBuffer {
    std::string Name;                      // "imidazole"
    std::optional<TReal> pKa;              // thermodynamic, at 25 °C and zero ionic strength
    std::optional<TReal> EnthalpyKJPerMol; // of ionisation (HB -> H+ + B), kJ/mol
    std::optional<TReal> dpKadT;           // per K, where a source gives it (shown, not used)
    int AcidCharge = 1;
    int BaseCharge = 0;
    std::string Source;

    friend bool operator==(const TpHBuffer&, const TpHBuffer&) = default;
};

/// The temperature at which the buffers' pKa values hold, in degrees Celsius.
inline constexpr TReal BufferReferenceC = 25;

/// The bundled buffers in the table's order.
std::span<const TpHBuffer> BufferLibrary();

/// The bundled buffer called `name`: the whole name or its first word, without regard to case.
const TpHBuffer* FindBuffer(std::string_view name);

/// The names of the bundled buffers, "imidazole, MOPS, ..." for messages.
std::string KnownBufferNames();

/// The buffer's pKa on the concentration scale at `celsius` and ionic strength `ionStr` (M):
/// the thermodynamic pKa brought from 25 °C by van 't Hoff with its enthalpy of ionisation,
/// then to the ionic strength by the engine's activity rule for the charges of H+, HB and B:
/// pKa' = pKa + (z(HB)^2 - z(B)^2 - 1) x ActivityTerm(I), which leaves a cationic acid
/// (imidazole, Tris) unchanged and lowers a neutral or anionic one. Throws TRecipeError for
/// a buffer without pKa, and for a temperature other than 25 °C when no enthalpy is known.
TReal BufferpKa(const TpHBuffer& buffer, TReal celsius, TReal ionStr);

/// x with `digits` significant digits in the shortest general form ("0.1813", "6.8e-18"),
/// and x with `decimals` fixed decimals: the texts of sheets and messages.
std::string SignificantText(TReal x, int digits);
std::string FixedText(TReal x, int decimals);

/// -log10 Kw of water on the concentration scale at `celsius` and `ionStr`: 13.995 at 25 °C
/// and zero ionic strength, brought to the temperature by van 't Hoff with the enthalpy of
/// ionisation 55.815 kJ/mol and to the ionic strength for H+ and OH-.
TReal WaterpKw(TReal celsius, TReal ionStr);
