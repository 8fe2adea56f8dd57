// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "recipe/recipefile.h"

#include "constsets/jsonread.h"
#include "engine/asciitext.h"

#include <fstream>
#include <set>

namespace {

constexpr std::size_t MaxFileBytes = 1 << 20;
constexpr std::string_view FormatName = "quelix-recipe";

using TProblems = TJsonProblems<TRecipeError>;
using TKeys = std::set<std::string, std::less<>>;

const TKeys TopKeys {"format",      "version", "name",      "volume_ml",
                     "calculation", "ligands", "constants", "temperature_c",
                     "ph_scale",    "salts",   "purity",    "contaminating_ca_mM",
                     "buffer",      "titrant", "filler",    "stock_solutions"};
const TKeys SaltKeys {"name", "formula", "molar_mass_g_mol", "ions"};
const TKeys BufferKeys {
    "name", "total_mM", "salt", "pka", "enthalpy_kj_mol", "acid_charge", "base_charge"};

// The largest final volume a recipe takes, in ml (a thousand litres).
constexpr TReal MaxVolumeMl = 1e6;
// The largest concentration a recipe's stock, buffer or contamination may name, in mM.
constexpr TReal MaxmM = 1e5;

const TJson& Object(const TJson& value, std::string_view key, const TProblems& problems)
{
    if (!value.is_object())
        problems.Raise(Quoted(key) + " must be an object, not " + ValueText(value));
    return value;
}

TReal NumberIn(const TJson& value, std::string_view key, TReal low, TReal high,
               const TProblems& problems, std::string_view range)
{
    const TReal x = Number(value, key, problems);
    if (!(x >= low && x <= high))
        problems.Raise(Quoted(key) + " must be " + std::string(range) + ", not "
                       + ValueText(value));
    return x;
}

int Charge(const TJson& value, std::string_view key, const TProblems& problems)
{
    if (!value.is_number_integer() || value.get<long long>() < -9 || value.get<long long>() > 9)
        problems.Raise(Quoted(key) + " must be a whole number from -9 to 9, not "
                       + ValueText(value));
    return static_cast<int>(value.get<long long>());
}

// A salt: a bundled one by its name, or the user's as an object.
TSalt ReadSalt(const TJson& value, std::string_view key, const TProblems& problems)
{
    if (value.is_string()) {
        const std::string name = Text(value, key, problems);
        if (const TSalt* salt = FindSalt(name))
            return *salt;
        problems.Raise(Quoted(key) + ": no bundled salt is named \"" + EchoText(name)
                       + "\"; give it as an object with \"name\", \"molar_mass_g_mol\" and "
                         "\"ions\", or choose one of: "
                       + KnownSaltNames());
    }
    Object(value, key, problems);
    CheckKeys(value, SaltKeys, {"name", "molar_mass_g_mol", "ions"}, problems);
    TSalt salt;
    salt.Name = Text(value["name"], "name", problems);
    if (value.contains("formula"))
        salt.Formula = Text(value["formula"], "formula", problems);
    salt.MolarMass = NumberIn(value["molar_mass_g_mol"], "molar_mass_g_mol", 0.5, 1e5, problems,
                              "from 0.5 to 100000 g/mol");
    try {
        salt.Ions = ParseIonList(Text(value["ions"], "ions", problems));
    } catch (const TRecipeError& e) {
        problems.Raise(Quoted("ions") + ": " + e.what());
    }
    salt.Source = "given in the recipe";
    return salt;
}

TpHBuffer ReadBufferKind(const TJson& value, const TProblems& problems)
{
    const std::string name = Text(value["name"], "name", problems);
    const bool own = value.contains("pka") || value.contains("acid_charge")
        || value.contains("base_charge") || value.contains("enthalpy_kj_mol");
    TpHBuffer buffer;
    if (const TpHBuffer* bundled = FindBuffer(name); bundled && !own) {
        buffer = *bundled;
    } else if (!own) {
        problems.Raise("no bundled pH buffer is named \"" + EchoText(name)
                       + "\"; give its \"pka\", \"enthalpy_kj_mol\", \"acid_charge\" and "
                         "\"base_charge\", or choose one of: "
                       + KnownBufferNames());
    } else {
        CheckKeys(value, BufferKeys, {"pka", "acid_charge", "base_charge"}, problems);
        buffer.Name = name;
        buffer.pKa = NumberIn(value["pka"], "pka", -2, 16, problems, "from -2 to 16");
        if (value.contains("enthalpy_kj_mol"))
            buffer.EnthalpyKJPerMol = NumberIn(value["enthalpy_kj_mol"], "enthalpy_kj_mol", -1000,
                                               1000, problems, "from -1000 to 1000 kJ/mol");
        buffer.AcidCharge = Charge(value["acid_charge"], "acid_charge", problems);
        buffer.BaseCharge = Charge(value["base_charge"], "base_charge", problems);
        if (buffer.AcidCharge != buffer.BaseCharge + 1)
            problems.Raise("\"acid_charge\" must be one above \"base_charge\"");
        buffer.Source = "given in the recipe";
    }
    return buffer;
}

TRecipeBuffer ReadBuffer(const TJson& value, TProblems& problems)
{
    Object(value, "buffer", problems);
    problems.SetWhere("\"buffer\"");
    CheckKeys(value, BufferKeys, {"name", "total_mM"}, problems);
    TRecipeBuffer b;
    b.Buffer = ReadBufferKind(value, problems);
    try {
        CheckBuffer(b.Buffer);
    } catch (const TRecipeError& e) {
        problems.Raise(e.what());
    }
    b.TotalmM = NumberIn(value["total_mM"], "total_mM", 0, MaxmM, problems, "from 0 to 100000 mM");
    if (value.contains("salt")) {
        b.Salt = ReadSalt(value["salt"], "salt", problems);
    } else if (const TSalt* salt = DefaultBufferSalt(b.Buffer)) {
        b.Salt = *salt;
    } else {
        problems.Raise("no bundled salt releases " + b.Buffer.Name + "; give its \"salt\"");
    }
    problems.SetWhere("");
    return b;
}

void ReadCalculation(const TJson& value, TRecipe& recipe, TProblems& problems)
{
    Object(value, "calculation", problems);
    problems.SetWhere("\"calculation\"");
    TKeys known;
    const auto columns = RecordColumns();
    for (std::size_t i = 0; i < InputColumnCount; ++i)
        known.insert(std::string(columns[i].Name));
    CheckKeys(value, known, {}, problems);
    for (const auto& [key, item] : value.items()) {
        if (key == "mode") {
            if (!item.is_number_integer() || item.get<long long>() < 0 || item.get<long long>() > 6)
                problems.Raise("\"mode\" must be a whole number from 0 to 6, not "
                               + ValueText(item));
            recipe.Calculation.Mode = static_cast<TCalcMode>(item.get<long long>());
            continue;
        }
        const int column = FindColumn(key);
        recipe.Calculation.Values[static_cast<std::size_t>(column - 1)] = Number(
            item, key, problems);
    }
    if (!(recipe.Calculation[TValueField::vfIonStr] > 0))
        problems.Raise("\"ionic_strength\" (the target of the solution) must be above 0 M");
    problems.SetWhere("");
}

// Whole-number keys of a map: the components' keys of the recipe.
std::string Component(const TRecipe& recipe, const std::string& key, const TProblems& problems,
                      bool alsoSolutions)
{
    if (alsoSolutions && (key == "buffer" || key == "filler" || key == "titrant"))
        return key;
    if (auto c = ComponentKey(recipe, key))
        return *c;
    std::string known;
    for (std::string_view k : BuiltInComponents)
        known += (known.empty() ? "" : ", ") + std::string(k);
    for (const TFurtherLigand& l : recipe.Constants.Ligands)
        known += ", " + l.Name;
    if (alsoSolutions)
        known += ", buffer, filler, titrant";
    problems.Raise(Quoted(key) + " is no component of this recipe (" + known + ")");
}

// The names of the "ligands" object in the order the text gives them: the reader's objects
// keep their keys sorted. The text has been read once already, so it parses.
std::vector<std::string> LigandOrder(std::string_view text)
{
    using TOrderedJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                              std::int64_t, std::uint64_t, TReal>;
    const TOrderedJson json = TOrderedJson::parse(text.begin(), text.end());
    std::vector<std::string> names;
    for (const auto& item : json.at("ligands").items())
        names.push_back(item.key());
    return names;
}

} // namespace

TRecipe ParseRecipe(std::string_view text, std::string_view fileName,
                    const std::filesystem::path& folder)
{
    TProblems problems(fileName);
    const TJson json = ParseJson(text, problems);
    if (!json.is_object())
        problems.Raise("a recipe file holds one JSON object");
    CheckKeys(json, TopKeys, {"format", "version"}, problems);
    if (json["format"] != FormatName)
        problems.Raise("\"format\" must be \"quelix-recipe\", not " + ValueText(json["format"]));
    if (!json["version"].is_number_integer() || json["version"].get<long long>() != 1)
        problems.Raise("\"version\" " + ValueText(json["version"])
                       + " is not a version this program reads (1)");

    TRecipe recipe = DefaultRecipe();
    if (json.contains("name"))
        recipe.Name = Text(json["name"], "name", problems, true);
    if (json.contains("volume_ml"))
        recipe.VolumeMl = NumberIn(json["volume_ml"], "volume_ml", 1e-9L, MaxVolumeMl, problems,
                                   "above 0 and at most 1000000 ml");
    try {
        if (json.contains("constants")) {
            recipe.ConstantsName = Text(json["constants"], "constants", problems, true);
            std::string name = recipe.ConstantsName;
            // A set file named beside the recipe is found there, wherever the program runs.
            if (std::error_code error; !name.empty() && !folder.empty()
                && std::filesystem::path(name).is_relative()
                && std::filesystem::is_regular_file(folder / name, error))
                name = (folder / name).string();
            recipe.Constants = ResolveConstants(name, {});
        }
        if (json.contains("ligands")) {
            const TJson& ligands = Object(json["ligands"], "ligands", problems);
            // In the file's order, which is the order of the records' fields.
            for (const std::string& name : LigandOrder(text)) {
                const std::size_t index = AddRunLigand(recipe.Constants, name, "\"ligands\"");
                recipe.Calculation.FurtherTotals[index] = NumberIn(
                    ligands[name], name, 0, MaxmM, problems, "from 0 to 100000 mM");
            }
        }
    } catch (const TUsageError& e) {
        problems.Raise(e.what());
    }
    if (json.contains("calculation"))
        ReadCalculation(json["calculation"], recipe, problems);
    if (json.contains("temperature_c")) {
        const TReal celsius = Number(json["temperature_c"], "temperature_c", problems);
        if (!IsTemperatureInRange(celsius))
            problems.Raise("\"temperature_c\" must be between 0 and 100 \u00B0C");
        recipe.Calculation.TemperatureC = celsius;
    }
    if (json.contains("ph_scale")) {
        try {
            recipe.Calculation.pHScale = ParsepHScale(Text(json["ph_scale"], "ph_scale", problems));
        } catch (const TUsageError&) {
            problems.Raise("\"ph_scale\" must be \"concentration\" or \"activity\", not "
                           + ValueText(json["ph_scale"]));
        }
    }
    if (json.contains("salts")) {
        problems.SetWhere("\"salts\"");
        for (const auto& [key, salt] : Object(json["salts"], "salts", problems).items())
            recipe.Salts[Component(recipe, key, problems, false)] = ReadSalt(salt, key, problems);
        problems.SetWhere("");
    }
    if (json.contains("purity")) {
        problems.SetWhere("\"purity\"");
        for (const auto& [key, purity] : Object(json["purity"], "purity", problems).items())
            recipe.Purity[Component(recipe, key, problems, true)] = NumberIn(
                purity, key, 1e-6L, 1, problems, "above 0 and at most 1");
        problems.SetWhere("");
    }
    if (json.contains("contaminating_ca_mM"))
        recipe.ContaminatingCamM = NumberIn(json["contaminating_ca_mM"], "contaminating_ca_mM", 0,
                                            MaxmM, problems, "from 0 to 100000 mM");
    if (json.contains("buffer") && !json["buffer"].is_null())
        recipe.Buffer = ReadBuffer(json["buffer"], problems);
    if (json.contains("titrant"))
        recipe.Titrant = ReadSalt(json["titrant"], "titrant", problems);
    if (json.contains("filler"))
        recipe.Filler = ReadSalt(json["filler"], "filler", problems);
    if (json.contains("stock_solutions")) {
        problems.SetWhere("\"stock_solutions\"");
        for (const auto& [key, stock] :
             Object(json["stock_solutions"], "stock_solutions", problems).items())
            recipe.Stocks[Component(recipe, key, problems, true)] = NumberIn(
                stock, key, 1e-9L, MaxmM, problems, "above 0 and at most 100000 mM");
        problems.SetWhere("");
    }
    try {
        CheckRecipe(recipe);
    } catch (const TRecipeError& e) {
        problems.Raise(e.what());
    }
    return recipe;
}

TRecipe ReadRecipeFile(const std::filesystem::path& path)
{
    const std::string text = ReadTextFile<TRecipeError>(path, MaxFileBytes, "a recipe is a few kB");
    return ParseRecipe(text, path.string(), path.parent_path());
}

namespace {

// A JSON object written key by key in the order given, numbers as NumberText writes them so
// that each reads back as the same extended real.
class TObjectText {
public:
    explicit TObjectText(std::size_t indent)
        : FIndent(indent)
    {
    }
    void Raw(std::string_view key, const std::string& text)
    {
        FText += FText.empty() ? "{\n" : ",\n";
        FText += std::string(FIndent + 2, ' ') + Quoted(key) + ": " + text;
    }
    void Number(std::string_view key, TReal x) { Raw(key, NumberText(x)); }
    void String(std::string_view key, const std::string& text) { Raw(key, StringText(text)); }
    std::string Close() const
    {
        return FText.empty() ? "{}" : FText + "\n" + std::string(FIndent, ' ') + "}";
    }
    static std::string StringText(const std::string& text)
    {
        try {
            return TJson(text).dump(-1, ' ', false, TJson::error_handler_t::strict);
        } catch (const TJson::exception&) {
            throw TRecipeError("The recipe cannot be saved: a text of it is not valid UTF-8.");
        }
    }

private:
    std::size_t FIndent;
    std::string FText;
};

std::string SaltText(const TSalt& salt, std::size_t indent)
{
    if (const TSalt* bundled = FindSalt(salt.Name); bundled && *bundled == salt)
        return TObjectText::StringText(salt.Name);
    TObjectText object(indent);
    object.String("name", salt.Name);
    if (!salt.Formula.empty())
        object.String("formula", salt.Formula);
    object.Number("molar_mass_g_mol", salt.MolarMass);
    object.String("ions", IonListText(salt.Ions));
    return object.Close();
}

template <typename TMap>
std::string NumberMapText(const TMap& map, std::size_t indent)
{
    TObjectText object(indent);
    for (const auto& [key, value] : map)
        object.Number(key, value);
    return object.Close();
}

} // namespace

std::string RecipeText(const TRecipe& recipe)
{
    TObjectText json(0);
    json.String("format", std::string(FormatName));
    json.Raw("version", "1");
    json.String("name", recipe.Name);
    json.Number("volume_ml", recipe.VolumeMl);
    TObjectText calc(2);
    calc.Raw("mode", std::to_string(static_cast<int>(recipe.Calculation.Mode)));
    const auto columns = RecordColumns();
    for (std::size_t i = 1; i < InputColumnCount; ++i)
        calc.Number(columns[i].Name, recipe.Calculation.Values[i - 1]);
    json.Raw("calculation", calc.Close());
    if (!recipe.Constants.Ligands.empty()) {
        TObjectText ligands(2);
        for (std::size_t i = 0; i < recipe.Constants.Ligands.size(); ++i)
            ligands.Number(recipe.Constants.Ligands[i].Name, recipe.Calculation.FurtherTotals[i]);
        json.Raw("ligands", ligands.Close());
    }
    if (!recipe.ConstantsName.empty())
        json.String("constants", recipe.ConstantsName);
    if (recipe.Calculation.TemperatureC)
        json.Number("temperature_c", *recipe.Calculation.TemperatureC);
    if (recipe.Calculation.pHScale == TpHScale::psActivity)
        json.String("ph_scale", "activity");
    if (!recipe.Salts.empty()) {
        TObjectText salts(2);
        for (const auto& [key, salt] : recipe.Salts)
            salts.Raw(key, SaltText(salt, 4));
        json.Raw("salts", salts.Close());
    }
    if (!recipe.Purity.empty())
        json.Raw("purity", NumberMapText(recipe.Purity, 2));
    if (recipe.ContaminatingCamM != 0)
        json.Number("contaminating_ca_mM", recipe.ContaminatingCamM);
    if (recipe.Buffer) {
        const TRecipeBuffer& b = *recipe.Buffer;
        TObjectText buffer(2);
        buffer.String("name", b.Buffer.Name);
        buffer.Number("total_mM", b.TotalmM);
        const TpHBuffer* bundled = FindBuffer(b.Buffer.Name);
        if (!bundled || !(*bundled == b.Buffer)) {
            buffer.Number("pka", b.Buffer.pKa.value_or(0));
            if (b.Buffer.EnthalpyKJPerMol)
                buffer.Number("enthalpy_kj_mol", *b.Buffer.EnthalpyKJPerMol);
            buffer.Raw("acid_charge", std::to_string(b.Buffer.AcidCharge));
            buffer.Raw("base_charge", std::to_string(b.Buffer.BaseCharge));
        }
        const TSalt* defaultSalt = DefaultBufferSalt(b.Buffer);
        if (!defaultSalt || !(*defaultSalt == b.Salt))
            buffer.Raw("salt", SaltText(b.Salt, 4));
        json.Raw("buffer", buffer.Close());
    }
    json.Raw("titrant", SaltText(recipe.Titrant, 2));
    json.Raw("filler", SaltText(recipe.Filler, 2));
    if (!recipe.Stocks.empty())
        json.Raw("stock_solutions", NumberMapText(recipe.Stocks, 2));
    return json.Close() + "\n";
}
