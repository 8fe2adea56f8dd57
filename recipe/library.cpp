// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "recipe/library.h"

#include "constsets/jsonread.h"
#include "engine/asciitext.h"
#include "engine/bindconst.h"
#include "recipe/tabletexts.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <set>

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// A small whole number of ASCII digits, or none.
std::optional<int> SmallCount(std::string_view text, int most)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc {} || end != text.data() + text.size() || value < 1
        || value > most || !IsDigit(text.front()))
        return std::nullopt;
    return value;
}

// Names compare without regard to case, and "." or "*" stand for the raised dot of a
// hydrate, which keyboards lack.
std::string NameKey(std::string_view name)
{
    std::string key;
    const std::string_view dot = "\u00B7";
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, dot.size()) == dot) {
            key += '.';
            i += dot.size() - 1;
        } else if (name[i] == '*') {
            key += '.';
        } else {
            key += static_cast<char>(AsciiLower(name[i]));
        }
    }
    return std::string(TrimBlanks(key));
}

// The name before " (": "Na2ATP·3H2O" of "Na2ATP·3H2O (disodium ATP trihydrate)".
std::string_view ShortName(std::string_view name)
{
    const auto paren = name.find(" (");
    return paren == name.npos ? name : name.substr(0, paren);
}

using TProblems = TJsonProblems<TRecipeError>;

std::vector<TSalt> ReadSaltTable()
{
    TProblems problems("salts.json");
    const TJson json = ParseJson(SaltTableText(), problems);
    std::vector<TSalt> salts;
    for (const TJson& item : json.at("salts")) {
        TSalt salt;
        salt.Name = item.at("name").get<std::string>();
        salt.Formula = item.at("formula").get<std::string>();
        salt.MolarMass = item.at("molar_mass_g_mol").get<TReal>();
        salt.Ions = ParseIonList(item.at("ions").get<std::string>());
        salt.Source = item.at("source").get<std::string>();
        salts.push_back(std::move(salt));
    }
    return salts;
}

std::optional<TReal> OptionalNumber(const TJson& value)
{
    if (value.is_null())
        return std::nullopt;
    return value.get<TReal>();
}

std::vector<TpHBuffer> ReadBufferTable()
{
    TProblems problems("ph-buffers.json");
    const TJson json = ParseJson(BufferTableText(), problems);
    std::vector<TpHBuffer> buffers;
    for (const TJson& item : json.at("buffers")) {
        TpHBuffer buffer;
        buffer.Name = item.at("name").get<std::string>();
        buffer.pKa = OptionalNumber(item.at("pka_25c_i0"));
        buffer.EnthalpyKJPerMol = OptionalNumber(item.at("delta_h_kj_mol"));
        buffer.dpKadT = OptionalNumber(item.at("dpka_dt_per_k"));
        buffer.AcidCharge = item.at("charge_of_acid_form").get<int>();
        buffer.BaseCharge = item.at("charge_of_base_form").get<int>();
        buffer.Source = item.at("source").get<std::string>();
        buffers.push_back(std::move(buffer));
    }
    return buffers;
}

template <typename T>
std::string JoinedNames(std::span<const T> items)
{
    std::string names;
    for (const T& item : items)
        names += (names.empty() ? "" : ", ") + item.Name;
    return names;
}

} // namespace

TIon ParseIon(std::string_view text)
{
    const std::string shown = "\"" + std::string(text) + "\"";
    text = TrimBlanks(text);
    TIon ion;
    std::string_view species = text;
    if (!text.empty() && (text.back() == '+' || text.back() == '-')) {
        const int sign = text.back() == '+' ? 1 : -1;
        std::string_view rest = text.substr(0, text.size() - 1);
        int magnitude = 1;
        if (!rest.empty() && IsDigit(rest.back())) {
            magnitude = rest.back() - '0';
            rest.remove_suffix(1);
            if (!rest.empty() && IsDigit(rest.back()))
                throw TRecipeError("the ion " + shown + " has a charge beyond 9");
        }
        if (!rest.empty() && rest.back() == '^')
            rest.remove_suffix(1);
        if (magnitude == 0)
            throw TRecipeError("the ion " + shown + " has a charge of 0 written as a charge");
        ion.Charge = sign * magnitude;
        species = rest;
    }
    if (species.empty())
        throw TRecipeError("the ion " + shown + " has no species");
    for (char ch : species) {
        const bool allowed = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || IsDigit(ch)
            || ch == '(' || ch == ')' || ch == '_';
        if (!allowed)
            throw TRecipeError("the ion " + shown
                               + " may hold only letters, digits, '(', ')' and '_' before its "
                                 "charge");
    }
    ion.Species = std::string(species);
    return ion;
}

std::string IonText(const TIon& ion)
{
    std::string text = ion.Species;
    if (ion.Charge == 0)
        return text;
    const int magnitude = ion.Charge < 0 ? -ion.Charge : ion.Charge;
    if (magnitude > 1) {
        if (IsDigit(text.back()))
            text += '^';
        text += static_cast<char>('0' + magnitude);
    }
    text += ion.Charge < 0 ? '-' : '+';
    return text;
}

std::vector<TIonCount> ParseIonList(std::string_view text)
{
    std::vector<TIonCount> ions;
    int charge = 0;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(';', at), text.size());
        const std::string_view item = TrimBlanks(text.substr(at, end - at));
        at = end + 1;
        if (item.empty())
            throw TRecipeError("the ion list \"" + std::string(text) + "\" has an empty item");
        TIonCount count;
        const auto colon = item.find(':');
        count.Ion = ParseIon(item.substr(0, colon));
        if (colon != item.npos) {
            const auto n = SmallCount(TrimBlanks(item.substr(colon + 1)), 99);
            if (!n)
                throw TRecipeError("the ion list \"" + std::string(text) + "\": the count of "
                                   + IonText(count.Ion) + " must be a whole number from 1 to 99");
            count.Count = *n;
        }
        for (const TIonCount& earlier : ions)
            if (earlier.Ion == count.Ion)
                throw TRecipeError("the ion list \"" + std::string(text) + "\" names "
                                   + IonText(count.Ion) + " twice");
        charge += count.Count * count.Ion.Charge;
        ions.push_back(count);
    }
    if (charge != 0)
        throw TRecipeError(
            "the ion list \"" + std::string(text) + "\" has a net charge of "
            + std::to_string(charge)
            + "; a salt is neutral (write the protons a weighed acid carries as H+)");
    return ions;
}

std::string IonListText(const std::vector<TIonCount>& ions)
{
    std::string text;
    for (const TIonCount& count : ions)
        text += (text.empty() ? "" : ";") + IonText(count.Ion) + ":" + std::to_string(count.Count);
    return text;
}

std::span<const TSalt> SaltLibrary()
{
    static const std::vector<TSalt> salts = ReadSaltTable();
    return salts;
}

const TSalt* FindSalt(std::string_view name)
{
    const std::string key = NameKey(name);
    for (const TSalt& salt : SaltLibrary())
        if (NameKey(salt.Name) == key)
            return &salt;
    const TSalt* found = nullptr;
    for (const TSalt& salt : SaltLibrary()) {
        if (NameKey(ShortName(salt.Name)) != key)
            continue;
        if (found)
            return nullptr; // two salts share the short name: the whole name must be given
        found = &salt;
    }
    return found;
}

std::string KnownSaltNames()
{
    return JoinedNames(SaltLibrary());
}

std::span<const TpHBuffer> BufferLibrary()
{
    static const std::vector<TpHBuffer> buffers = ReadBufferTable();
    return buffers;
}

const TpHBuffer* FindBuffer(std::string_view name)
{
    const std::string key = NameKey(name);
    for (const TpHBuffer& buffer : BufferLibrary()) {
        const std::string_view whole = buffer.Name;
        if (NameKey(whole) == key || NameKey(whole.substr(0, whole.find(' '))) == key)
            return &buffer;
    }
    return nullptr;
}

std::string KnownBufferNames()
{
    return JoinedNames(BufferLibrary());
}

TReal BufferpKa(const TpHBuffer& buffer, TReal celsius, TReal ionStr)
{
    if (!buffer.pKa)
        throw TRecipeError("the pH buffer " + buffer.Name
                           + " has no pKa; give its \"pka\" (at 25 \u00B0C and zero ionic "
                             "strength)");
    TReal pKa = *buffer.pKa;
    if (celsius != BufferReferenceC) {
        if (!buffer.EnthalpyKJPerMol)
            throw TRecipeError("the pH buffer " + buffer.Name
                               + " has no enthalpy of ionisation, so its pKa cannot be brought "
                                 "from 25 \u00B0C to another temperature; give its "
                                 "\"enthalpy_kj_mol\"");
        // van 't Hoff for the association H+ + B = HB, whose log K is the pKa and whose
        // enthalpy is minus the enthalpy of ionisation.
        pKa = VantHoff(pKa, -*buffer.EnthalpyKJPerMol * 1000, BufferReferenceC, celsius);
    }
    const int acid = buffer.AcidCharge;
    const int base = buffer.BaseCharge;
    return pKa + TReal(acid * acid - base * base - 1) * ActivityTerm(ionStr);
}

std::string SignificantText(TReal x, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lg", digits, static_cast<long double>(x));
    return text;
}

std::string FixedText(TReal x, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, static_cast<long double>(x));
    return text;
}

TReal WaterpKw(TReal celsius, TReal ionStr)
{
    // pKw 13.995 at 25 °C (Marshall & Franck, J. Phys. Chem. Ref. Data 10 (1981) 295);
    // enthalpy of ionisation 55.815 kJ/mol, the difference of the standard enthalpies of
    // formation of OH-(aq), -230.015, and H2O(l), -285.830 kJ/mol (CODATA Key Values for
    // Thermodynamics, Cox, Wagman & Medvedev 1989).
    constexpr TReal pKw25 = 13.995L;
    constexpr TReal enthalpyJPerMol = 55815;
    const TReal pKw = VantHoff(pKw25, -enthalpyJPerMol, BufferReferenceC, celsius);
    return pKw - 2 * ActivityTerm(ionStr);
}
