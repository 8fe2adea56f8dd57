// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "recipe/recipe.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"
#include "engine/fpcheck.h"
#include "report/record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

using enum TLigand;
using enum TPartner;

namespace {

// The charge of each built-in ligand's fully deprotonated form: ATP4-, EGTA4-, EDTA4-,
// ADP3-, PO4 3-.
constexpr TPerLigand<int> BuiltInCharges {{-4, -4, -4, -3, -3}};

// Above this (in M) a titrant of the wrong kind is an error; below it the mixture is already
// at its pH to rounding, and the titrant is shown as it is.
constexpr TReal TitrantRounding = 1e-12L;

// Below this mass (mg) the sheet advises a stock solution.
constexpr TReal SmallMassMg = 5;

std::string Number(TReal x, int digits = 4)
{
    return SignificantText(x, digits);
}

// What a component is in the solution: the species its salt may release (the usual name
// first) and its charge. Views of texts that outlive the calculation: literals, and the
// names of the recipe's further ligands.
struct TComponent {
    std::string_view Key;
    bool IsCation = false;
    std::array<std::string_view, 3> Species {};
    int Charge = 0; // of the fully deprotonated ligand, or of the cation
};

std::vector<TComponent> Components(const TRecipe& recipe)
{
    std::vector<TComponent> components;
    components.reserve(2 + LigandCount + recipe.Constants.Ligands.size());
    components.push_back({"ca", true, {"Ca"}, 2});
    components.push_back({"mg", true, {"Mg"}, 2});
    for (TLigand lig : AllLigands) {
        const auto i = static_cast<std::size_t>(lig);
        TComponent c {BuiltInComponents[2 + i], false, {LigandNames[i]}, BuiltInCharges[lig]};
        if (lig == ligPO4)
            c.Species = {LigandNames[i], "HPO4", "H2PO4"};
        components.push_back(c);
    }
    for (const TFurtherLigand& ligand : recipe.Constants.Ligands) {
        TComponent c {ligand.Name, false, {ligand.Name}, ligand.Charge};
        if (EqualNoCase(ligand.Name, "CrP"))
            c.Species[1] = "PCr"; // phosphocreatine, as salt tables write it
        components.push_back(c);
    }
    return components;
}

// The protons an ion of `component` carries beyond the fully deprotonated form, or none when
// the ion is not one of the component's.
std::optional<int> ComponentProtons(const TComponent& component, const TIon& ion)
{
    // The charge decides first: it rules out most ions without comparing names.
    const int protons = ion.Charge - component.Charge;
    if (component.IsCation ? protons != 0
                           : protons < 0 || protons > static_cast<int>(FurtherProtonSteps))
        return std::nullopt;
    for (std::string_view species : component.Species)
        if (!species.empty() && EqualNoCase(species, ion.Species))
            return protons;
    return std::nullopt;
}

// The species of a buffer's base form: the buffer's name up to its first blank.
std::string_view BufferSpecies(const TpHBuffer& buffer)
{
    const std::string_view name = buffer.Name;
    return name.substr(0, name.find(' '));
}

std::optional<int> BufferProtons(const TpHBuffer& buffer, const TIon& ion)
{
    if (!EqualNoCase(BufferSpecies(buffer), ion.Species))
        return std::nullopt;
    const int protons = ion.Charge - buffer.BaseCharge;
    return protons >= 0 ? std::optional<int>(protons) : std::nullopt;
}

bool IsProton(const TIon& ion)
{
    return ion.Species == "H" && ion.Charge == 1;
}

bool IsHydroxide(const TIon& ion)
{
    return ion.Species == "OH" && ion.Charge == -1;
}

// What one ion of a salt is in the solution: a proton, a hydroxide, a form of a component
// or of the buffer, or a counter-ion that no equilibrium changes.
struct TIonRole {
    const TIonCount* Item = nullptr;
    const TComponent* Component = nullptr;
    bool Buffer = false;
    int Protons = 0; // that one ion brings: H+ 1, OH- -1, a form its protons

    bool IsCounter() const
    {
        return !Component && !Buffer && !IsProton(Item->Ion) && !IsHydroxide(Item->Ion);
    }
};

std::vector<TIonRole> RolesOf(const TSalt& salt, const std::vector<TComponent>& components,
                              const TpHBuffer* buffer)
{
    std::vector<TIonRole> roles;
    for (const TIonCount& item : salt.Ions) {
        TIonRole role {&item};
        if (IsProton(item.Ion))
            role.Protons = 1;
        else if (IsHydroxide(item.Ion))
            role.Protons = -1;
        for (const TComponent& c : components)
            if (auto p = ComponentProtons(c, item.Ion); p && !role.Component) {
                role.Component = &c;
                role.Protons = *p;
            }
        if (auto p = buffer ? BufferProtons(*buffer, item.Ion) : std::nullopt;
            p && !role.Component) {
            role.Buffer = true;
            role.Protons = *p;
        }
        roles.push_back(role);
    }
    return roles;
}

// The protons one formula unit brings: its H+, less its OH-, plus those its component's
// (or the buffer's) form carries.
int SaltProtons(const std::vector<TIonRole>& roles)
{
    int protons = 0;
    for (const TIonRole& role : roles)
        protons += role.Item->Count * role.Protons;
    return protons;
}

// Whether an ion stays as it is in the solution.
bool IsCounterIon(const TIon& ion, const std::vector<TComponent>& components)
{
    const TIonCount item {ion, 1};
    const TSalt salt {"", "", 0, {item}, ""};
    return RolesOf(salt, components, nullptr).front().IsCounter();
}

// How many of the component's ions one formula unit releases (0: none).
int ComponentCount(const std::vector<TIonRole>& roles, const TComponent& component)
{
    for (const TIonRole& role : roles)
        if (role.Component == &component)
            return role.Item->Count;
    return 0;
}

void CheckComponentSalt(const std::vector<TIonRole>& roles, const TComponent& component,
                        const TSalt& salt)
{
    const std::string which = "the salt " + salt.Name + " of " + std::string(component.Key);
    if (ComponentCount(roles, component) == 0)
        throw TRecipeError(which + " releases no "
                           + IonText({std::string(component.Species.front()), component.Charge})
                           + " (its ions: " + IonListText(salt.Ions) + ")");
    for (const TIonRole& role : roles) {
        if (role.Component && role.Component != &component)
            throw TRecipeError(which + " also releases " + IonText(role.Item->Ion) + ", which is "
                               + std::string(role.Component->Key)
                               + "; give each component a salt of its own");
        if (role.Buffer)
            throw TRecipeError(which + " also releases the pH buffer " + IonText(role.Item->Ion));
    }
    if (!(salt.MolarMass > 0))
        throw TRecipeError(which + " has no molar mass");
}

// Whether an ion is a pH buffer's form: a buffer's species takes up or gives off protons, so
// it cannot be a titrant's or a filler's counter-ion.
bool IsBufferForm(const TIon& ion)
{
    for (const TpHBuffer& buffer : BufferLibrary())
        if (EqualNoCase(BufferSpecies(buffer), ion.Species))
            return true;
    return false;
}

// A titrant is a strong base or acid: one hydroxide or one proton with one counter-ion that
// stays as it is.
bool IsTitrant(const TSalt& salt, const std::vector<TComponent>& components,
               const TpHBuffer* buffer)
{
    if (salt.Ions.size() != 2)
        return false;
    int reactive = 0;
    for (const TIonRole& role : RolesOf(salt, components, buffer)) {
        const TIon& ion = role.Item->Ion;
        if (role.Item->Count == 1 && (IsProton(ion) || IsHydroxide(ion)))
            ++reactive;
        else if (!role.IsCounter() || IsBufferForm(ion))
            return false;
    }
    return reactive == 1;
}

bool IsBase(const TSalt& titrant)
{
    for (const TIonCount& item : titrant.Ions)
        if (IsHydroxide(item.Ion))
            return true;
    return false;
}

// The titrant's counter-ion (K+ of KOH, Cl- of HCl).
TIon TitrantCounterIon(const TSalt& titrant)
{
    for (const TIonCount& item : titrant.Ions)
        if (!IsProton(item.Ion) && !IsHydroxide(item.Ion))
            return item.Ion;
    return {};
}

class TCounterIons {
public:
    void Add(const TIon& ion, TReal mM)
    {
        if (ion.Charge == 0)
            return;
        for (TCounterIon& c : FIons)
            if (c.Ion == ion) {
                c.mM += mM;
                return;
            }
        FIons.push_back({ion, mM});
    }
    void AddSalt(const std::vector<TIonRole>& roles, TReal saltmM)
    {
        for (const TIonRole& role : roles)
            if (role.IsCounter())
                Add(role.Item->Ion, saltmM * role.Item->Count);
    }
    std::vector<TCounterIon> Take() { return std::move(FIons); }

private:
    std::vector<TCounterIon> FIons;
};

// The component's total in the solution, M.
TReal ComponentTotal(const TCalcState& s, std::size_t index)
{
    if (index == 0)
        return s.TotalCa;
    if (index == 1)
        return s.TotalMg;
    if (index < 2 + LigandCount)
        return s.TotalLigand[static_cast<TLigand>(index - 2)];
    return s.Further[index - 2 - LigandCount].Total;
}

const TSalt& SaltOf(const TRecipe& recipe, const std::string& key)
{
    if (auto it = recipe.Salts.find(key); it != recipe.Salts.end())
        return it->second;
    if (const TSalt* salt = DefaultSalt(key))
        return *salt;
    throw TRecipeError("no salt is known for " + key
                       + "; give its salt under \"salts\" (its "
                         "formula, molar mass and ions)");
}

TReal PurityOf(const TRecipe& recipe, const std::string& key)
{
    const auto it = recipe.Purity.find(key);
    return it == recipe.Purity.end() ? TReal {1} : it->second;
}

TWeighingLine WeighingLine(const TRecipe& recipe, const std::string& key, const TSalt& salt,
                           TReal mM, TReal saltmM)
{
    TWeighingLine line;
    line.Key = key;
    line.Salt = salt.Name;
    line.mM = mM;
    line.SaltmM = saltmM;
    line.MolarMass = salt.MolarMass;
    line.Purity = PurityOf(recipe, key);
    if (auto stock = recipe.Stocks.find(key); stock != recipe.Stocks.end()) {
        line.StockmM = stock->second;
        line.Ul = saltmM * recipe.VolumeMl / stock->second * 1000;
    } else if (salt.MolarMass > 0) {
        // mmol/l x l x g/mol = mg; the purity scales up what is weighed, not the total.
        line.Mg = saltmM * recipe.VolumeMl / 1000 * salt.MolarMass / line.Purity;
    }
    return line;
}

// The temperature at which the buffer and water are taken: the calculation's, else the
// constants' own, else 25 °C (said in a note).
TReal SolutionTemperature(const TRecipe& recipe, std::vector<std::string>& notes)
{
    if (recipe.Calculation.TemperatureC)
        return *recipe.Calculation.TemperatureC;
    if (recipe.Constants.Set.ReferenceC)
        return *recipe.Constants.Set.ReferenceC;
    if (recipe.Buffer)
        notes.push_back("No temperature is given and the constants name none: the pH buffer's "
                        "pKa and water are taken at 25 \u00B0C.");
    return BufferReferenceC;
}

} // namespace

TRecipe DefaultRecipe()
{
    TRecipe recipe;
    recipe.Titrant = *FindSalt("KOH");
    recipe.Filler = *FindSalt("KCl");
    return recipe;
}

const TSalt* DefaultSalt(std::string_view component)
{
    static constexpr std::pair<std::string_view, std::string_view> defaults[] {
        {"ca", "CaCl2\u00B72H2O"},
        {"mg", "MgCl2\u00B76H2O"},
        {"atp", "Na2ATP\u00B73H2O (disodium ATP trihydrate)"},
        {"egta", "EGTA (free acid)"},
        {"edta", "EDTA (free acid)"},
        {"adp", "ADP disodium salt"},
        {"po4", "KH2PO4"},
        {"crp", "creatine phosphate disodium salt tetrahydrate"},
        {"bapta", "BAPTA (free acid)"},
    };
    // Looked up once: every recipe asks for them.
    static const auto salts = [] {
        std::array<const TSalt*, std::size(defaults)> found {};
        for (std::size_t i = 0; i < found.size(); ++i)
            found[i] = FindSalt(defaults[i].second);
        return found;
    }();
    for (std::size_t i = 0; i < salts.size(); ++i)
        if (EqualNoCase(defaults[i].first, component))
            return salts[i];
    return nullptr;
}

const TSalt* DefaultBufferSalt(const TpHBuffer& buffer)
{
    for (const TSalt& salt : SaltLibrary())
        for (const TIonCount& item : salt.Ions)
            if (BufferProtons(buffer, item.Ion) && item.Count == 1)
                return &salt;
    return nullptr;
}

std::optional<std::string> ComponentKey(const TRecipe& recipe, std::string_view name)
{
    for (std::string_view key : BuiltInComponents)
        if (EqualNoCase(key, name))
            return std::string(key);
    for (const TFurtherLigand& ligand : recipe.Constants.Ligands)
        if (EqualNoCase(ligand.Name, name))
            return ligand.Name;
    return std::nullopt;
}

void CheckBuffer(const TpHBuffer& buffer)
{
    if (!buffer.pKa)
        throw TRecipeError("the pH buffer " + buffer.Name
                           + " has no pKa; give its \"pka\" (at 25 \u00B0C and zero ionic "
                             "strength)");
    if (buffer.AcidCharge != buffer.BaseCharge + 1)
        throw TRecipeError("the pH buffer " + buffer.Name
                           + ": its acid form's charge must be one above its base form's");
    if (EqualNoCase(BufferSpecies(buffer), "phosphate"))
        throw TRecipeError("phosphate binds Mg and Ca: give it as the calculation's total_po4 "
                           "with its salt, not as the pH buffer");
}

void CheckRecipe(const TRecipe& recipe)
{
    if (!(recipe.VolumeMl > 0))
        throw TRecipeError("the final volume must be above 0 ml");
    const std::vector<TComponent> components = Components(recipe);
    for (const auto& [key, salt] : recipe.Salts) {
        const std::string& name = key; // a lambda may not capture a structured binding
        const auto c = std::find_if(components.begin(), components.end(),
                                    [&](const TComponent& x) { return x.Key == name; });
        if (c == components.end())
            throw TRecipeError("a salt is given for " + key + ", which is no component");
        CheckComponentSalt(
            RolesOf(salt, components, recipe.Buffer ? &recipe.Buffer->Buffer : nullptr), *c, salt);
    }
    for (const auto& [key, purity] : recipe.Purity)
        if (!(purity > 0 && purity <= 1))
            throw TRecipeError("the purity of " + key + " must be above 0 and at most 1, not "
                               + Number(purity, 19));
    if (!(recipe.ContaminatingCamM >= 0))
        throw TRecipeError("the contaminating Ca must not be negative");
    if (recipe.Buffer) {
        const TRecipeBuffer& b = *recipe.Buffer;
        CheckBuffer(b.Buffer);
        if (!(b.TotalmM >= 0))
            throw TRecipeError("the pH buffer's total must not be negative");
        bool releasesBase = false;
        for (const TIonCount& item : b.Salt.Ions)
            releasesBase = releasesBase || BufferProtons(b.Buffer, item.Ion).has_value();
        if (!releasesBase)
            throw TRecipeError("the salt " + b.Salt.Name + " of the pH buffer " + b.Buffer.Name
                               + " releases no " + std::string(BufferSpecies(b.Buffer))
                               + " (its ions: " + IonListText(b.Salt.Ions) + ")");
        for (const TIonCount& item : b.Salt.Ions)
            for (const TComponent& c : components)
                if (ComponentProtons(c, item.Ion))
                    throw TRecipeError("the salt " + b.Salt.Name
                                       + " of the pH buffer also "
                                         "releases "
                                       + IonText(item.Ion) + ", which is " + std::string(c.Key));
    }
    if (!IsTitrant(recipe.Titrant, components, recipe.Buffer ? &recipe.Buffer->Buffer : nullptr))
        throw TRecipeError("the titrant " + recipe.Titrant.Name
                           + " is no strong base or acid (one OH- or one H+ with one counter-ion, "
                             "as KOH, NaOH or HCl)");
    const auto& filler = recipe.Filler.Ions;
    const bool oneToOne = filler.size() == 2 && filler[0].Count == 1 && filler[1].Count == 1
        && filler[0].Ion.Charge * filler[1].Ion.Charge == -1
        && IsCounterIon(filler[0].Ion, components) && IsCounterIon(filler[1].Ion, components)
        && !IsBufferForm(filler[0].Ion) && !IsBufferForm(filler[1].Ion)
        && !(recipe.Buffer
             && (BufferProtons(recipe.Buffer->Buffer, filler[0].Ion)
                 || BufferProtons(recipe.Buffer->Buffer, filler[1].Ion)));
    if (!oneToOne)
        throw TRecipeError("the filler " + recipe.Filler.Name
                           + " is no 1:1 salt of ions that stay as they are (as KCl or "
                             "K-gluconate)");
    for (const auto& [key, stock] : recipe.Stocks)
        if (!(stock > 0))
            throw TRecipeError("the stock solution of " + key
                               + " must have a concentration "
                                 "above 0 mM");
}

TCalcInput SolutionInput(const TRecipe& recipe)
{
    TCalcInput input = recipe.Calculation;
    if (IsModeInput(input.Mode, TValueField::vfTotalCa))
        input[TValueField::vfTotalCa] += recipe.ContaminatingCamM;
    return input;
}

namespace {

// Calls visit(TSpecies) for every species of the calculation: each ligand's L, HnL and
// complexes M HkL (none of a ligand whose free form is 0), then free Mg++ and Ca++. L comes from the state, each HnL from the one
// before by its apparent constant (which holds [H+]), and each complex from HkL; a step that
// does not exist forms nothing, as in the engine's sums.
template <typename TVisit>
void VisitSpecies(const TEngine& engine, const TCalcState& state, TVisit&& visit)
{
    const auto ligand = [&](const TLigandConst& base, const TLigandConst& app, TReal free,
                            int charge) {
        if (free == 0)
            return; // a ligand the solution does not hold: every species of it is 0
        std::array<TReal, StepCount + 1> forms {free};
        visit(TSpecies {free, charge, 0});
        for (std::size_t n = 0; n < StepCount; ++n) {
            forms[n + 1] = base[ptH][n] > 0 ? app[ptH][n] * forms[n] : 0;
            visit(
                TSpecies {forms[n + 1], charge + static_cast<int>(n) + 1, static_cast<int>(n) + 1});
        }
        for (auto [metal, m] : {std::pair {ptMg, state.FreeMg}, std::pair {ptCa, state.FreeCa}})
            for (std::size_t k = 0; k + 1 < StepCount; ++k)
                if (base[metal][k] > 0)
                    visit(TSpecies {m * app[metal][k] * forms[k], charge + static_cast<int>(k) + 2,
                                    static_cast<int>(k)});
    };
    for (TLigand lig : AllLigands)
        ligand(engine.BaseConst()[lig], engine.AppConst()[lig], state.FreeLigand[lig],
               BuiltInCharges[lig]);
    const auto further = engine.FurtherLigands();
    for (std::size_t i = 0; i < further.size(); ++i)
        ligand(further[i].BaseConst, engine.FurtherApp().Const[i], state.Further[i].Free,
               further[i].Charge);
    visit(TSpecies {state.FreeMg, 2, 0});
    visit(TSpecies {state.FreeCa, 2, 0});
}

} // namespace

std::vector<TSpecies> SolutionSpecies(const TEngine& engine, const TCalcState& state)
{
    std::vector<TSpecies> species;
    VisitSpecies(engine, state, [&](const TSpecies& s) { species.push_back(s); });
    return species;
}

TReal AddEquilibrium(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& outcome,
                     TSolution& solution, TChargeSums& sums)
{
    const TReal ionStr = engine.IonStr();
    const TReal hydrogen = fpcheck::Pow10(-outcome.pcH);
    const TReal hydroxide = fpcheck::Pow10(-WaterpKw(solution.TemperatureC, ionStr)) / hydrogen;
    sums.Add(hydrogen, 1);
    sums.Add(hydroxide, -1);
    TReal bound = hydrogen - hydroxide;
    VisitSpecies(engine, outcome.State, [&](const TSpecies& sp) {
        bound += fpcheck::CheckFinite(sp.M) * sp.Protons;
        sums.Add(sp.M, sp.Charge);
    });
    if (recipe.Buffer && recipe.Buffer->TotalmM > 0) {
        const TRecipeBuffer& b = *recipe.Buffer;
        solution.HasBuffer = true;
        solution.BufferName = b.Buffer.Name;
        solution.BufferpKa = BufferpKa(b.Buffer, solution.TemperatureC, ionStr);
        const TReal ka = fpcheck::Pow10(-solution.BufferpKa);
        const TReal acid = b.TotalmM / 1000 * hydrogen / (hydrogen + ka);
        const TReal base = b.TotalmM / 1000 - acid;
        solution.BufferAcidmM = acid * 1000;
        solution.BufferBasemM = base * 1000;
        solution.BufferAcidCharge = b.Buffer.AcidCharge;
        solution.BufferBaseCharge = b.Buffer.BaseCharge;
        bound += acid;
        sums.Add(acid, b.Buffer.AcidCharge);
        sums.Add(base, b.Buffer.BaseCharge);
        const TReal pH = outcome.Input[TValueField::vfpH];
        if (pH - solution.BufferpKa > 1 || pH - solution.BufferpKa < -1)
            solution.Notes.push_back(b.Buffer.Name + " (pKa " + Number(solution.BufferpKa)
                                     + " here) buffers poorly at pH " + Number(pH)
                                     + ": more than 1 unit from its pKa.");
    }
    return bound;
}

TSolution MakeSolution(const TEngine& engine, const TRecipe& recipe, const TCalcOutcome& outcome)
{
    TSolution solution;
    try {
        const TCalcState& s = outcome.State;
        const std::vector<TComponent> components = Components(recipe);
        const TpHBuffer* buffer = recipe.Buffer ? &recipe.Buffer->Buffer : nullptr;
        solution.TemperatureC = SolutionTemperature(recipe, solution.Notes);
        TCounterIons counter;
        TReal weighedProtons = 0; // M
        std::vector<TWeighingLine> ligandLines, cationLines;

        for (std::size_t i = 0; i < components.size(); ++i) {
            const TComponent& c = components[i];
            TReal total = ComponentTotal(s, i) * 1000; // mM
            if (c.Key == "ca") {
                total -= recipe.ContaminatingCamM;
                // The contaminating Ca comes with two chloride ions, as CaCl2 would.
                if (recipe.ContaminatingCamM > 0)
                    counter.Add({"Cl", -1}, 2 * recipe.ContaminatingCamM);
                if (total < 0 && total + recipe.ContaminatingCamM >= 0) {
                    solution.Error = "The water and salts bring " + Number(recipe.ContaminatingCamM)
                        + " mM Ca, more than the " + Number(total + recipe.ContaminatingCamM)
                        + " mM total Ca this solution holds: it cannot be made by "
                          "adding Ca.";
                    return solution;
                }
            }
            if (total == 0)
                continue;
            if (total < 0) {
                solution.Error = "The solution holds " + Number(total) + " mM of "
                    + std::string(c.Key) + ": a negative amount cannot be weighed.";
                return solution;
            }
            const std::string key(c.Key);
            const TSalt& salt = SaltOf(recipe, key);
            const std::vector<TIonRole> roles = RolesOf(salt, components, buffer);
            CheckComponentSalt(roles, c, salt);
            const TReal saltmM = total / ComponentCount(roles, c);
            weighedProtons += saltmM * SaltProtons(roles) / 1000;
            counter.AddSalt(roles, saltmM);
            (c.IsCation ? cationLines : ligandLines)
                .push_back(WeighingLine(recipe, key, salt, total, saltmM));
        }

        TChargeSums sums;
        const TReal boundProtons = AddEquilibrium(engine, recipe, outcome, solution, sums);
        std::vector<TWeighingLine> lines;
        if (solution.HasBuffer) {
            const TRecipeBuffer& b = *recipe.Buffer;
            int count = 0;
            for (const TIonCount& item : b.Salt.Ions)
                if (BufferProtons(b.Buffer, item.Ion))
                    count = item.Count;
            const TReal saltmM = b.TotalmM / count;
            const std::vector<TIonRole> roles = RolesOf(b.Salt, components, buffer);
            weighedProtons += saltmM * SaltProtons(roles) / 1000;
            counter.AddSalt(roles, saltmM);
            lines.push_back(WeighingLine(recipe, "buffer", b.Salt, b.TotalmM, saltmM));
        }
        std::move(ligandLines.begin(), ligandLines.end(), std::back_inserter(lines));
        std::move(cationLines.begin(), cationLines.end(), std::back_inserter(lines));

        // The proton balance: what the weighed forms brought, less what the equilibrium
        // holds bound and free, plus the hydroxide; a base titrant supplies the difference.
        const TReal base = weighedProtons - boundProtons; // M
        solution.TitrantName = recipe.Titrant.Name;
        solution.TitrantmM = base * 1000;
        const bool titrantIsBase = IsBase(recipe.Titrant);
        if ((base > TitrantRounding && !titrantIsBase)
            || (base < -TitrantRounding && titrantIsBase)) {
            solution.Error = "The mixture as weighed needs "
                + Number(base > 0 ? base * 1000 : -base * 1000) + " mM of "
                + (base > 0 ? "base" : "acid") + " to reach pH "
                + Number(outcome.Input[TValueField::vfpH]) + "; the titrant " + recipe.Titrant.Name
                + " is " + (titrantIsBase ? "a base" : "an acid") + ": choose "
                + (base > 0 ? "KOH or NaOH" : "HCl") + ".";
            return solution;
        }
        const TReal titrantmM = titrantIsBase ? solution.TitrantmM : -solution.TitrantmM;
        counter.Add(TitrantCounterIon(recipe.Titrant), titrantmM);

        std::vector<TCounterIon> ions = counter.Take();
        for (const TCounterIon& ion : ions)
            sums.Add(ion.mM / 1000, ion.Ion.Charge);
        solution.IonStrWithoutFiller = sums.Z2 / 2;
        const TReal target = engine.IonStr();
        const TReal filler = target - solution.IonStrWithoutFiller; // M of a 1:1 salt
        if (filler < 0) {
            solution.Error = "Without filler the solution already has an ionic strength of "
                + Number(solution.IonStrWithoutFiller) + " M, above the target " + Number(target)
                + " M: raise the target or take less salt.";
            return solution;
        }
        solution.FillerName = recipe.Filler.Name;
        solution.FillermM = filler * 1000;
        TCounterIons all;
        for (const TCounterIon& ion : ions)
            all.Add(ion.Ion, ion.mM);
        for (const TIonCount& item : recipe.Filler.Ions) {
            all.Add(item.Ion, solution.FillermM);
            sums.Add(filler, item.Ion.Charge);
        }
        solution.CounterIons = all.Take();
        solution.IonStr = sums.Z2 / 2;
        solution.IonicEquivalent = sums.AbsZ / 2;
        solution.ChargeBalancemM = sums.Z * 1000;

        if (solution.FillermM > 0)
            lines.push_back(WeighingLine(
                recipe, "filler", recipe.Filler, solution.FillermM, solution.FillermM));
        if (titrantmM != 0) {
            TWeighingLine line = WeighingLine(
                recipe, "titrant", recipe.Titrant, titrantmM, titrantmM);
            line.Mg.reset(); // a titrant is added from a stock solution, not weighed
            lines.push_back(line);
        }
        // A balance weighs a few milligrams no better than to some per cent.
        for (const TWeighingLine& line : lines)
            if (line.Mg && *line.Mg < SmallMassMg)
                solution.Notes.push_back("Only " + Number(*line.Mg, 2) + " mg of " + line.Salt
                                         + " for " + line.Key
                                         + ": weigh it into a stock solution and give that "
                                           "under \"stock_solutions\".");
        solution.Weighing = std::move(lines);
        fpcheck::CheckFinite(solution.ChargeBalancemM);
        fpcheck::CheckFinite(solution.IonStr);
    } catch (const TCalcError& e) {
        solution.Error = e.what();
    } catch (const TRecipeError& e) {
        solution.Error = e.what();
    }
    return solution;
}

TRecipeOutcome ComputeRecipe(TEngine& engine, const TRecipe& recipe, TOutputFormat format)
{
    CheckRecipe(recipe);
    UseRunConstants(engine, recipe.Constants);
    const TToleranceScope tolerance(engine, RecipeTolerance);
    TRecipeOutcome outcome;
    outcome.Calc = Compute(engine, SolutionInput(recipe), format);
    if (!outcome.Calc.Failed())
        outcome.Solution = MakeSolution(engine, recipe, outcome.Calc);
    return outcome;
}
