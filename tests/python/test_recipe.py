# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""quelix.recipe() and the series with recipe=: the solution as quelix-cli --recipe makes
it, field for field; the same recipe as a dict or a file; bad recipes refused naming the
key; and the finished solution electrically neutral at the target ionic strength, with
every charge counted here from the species, the water, the buffer and the counter-ions the
weighed salts bring."""

import csv
import decimal
import json
import math
import os
import random
import re
import subprocess
import warnings

import pytest

import quelix
from conftest import CLI, SOURCE_DIR

# Fewer under the sanitizers, where every run of the command line is slow.
COUNT = min(70, int(os.environ.get("QUELIX_TEST_RECIPES", 70)))

# --- What the test knows of chemistry, apart from the code under test ------------------

# The fully deprotonated ligands' charges; a species' charge is its ligand's, plus one per
# proton and two for Mg++ or Ca++ (MgHATP-: -4 + 1 + 2).
LIGAND_CHARGES = {"atp": -4, "egta": -4, "edta": -4, "adp": -3, "po4": -3, "crp": -2}
SPECIES = re.compile(r"^(mg|ca)?(h2|h)?(" + "|".join(LIGAND_CHARGES) + r")$")
# The ions that no equilibrium changes; every other ion a salt releases is a component's.
COUNTER_IONS = {"Na", "K", "Cl", "propionate", "methanesulfonate", "gluconate"}
# Water: pKw 13.995 at 25 °C, enthalpy of ionisation 55.815 kJ/mol.
PKW_25, WATER_ENTHALPY, GAS_CONSTANT = 13.995, 55815.0, 8.314462618


def activity_term(ionic_strength):
    """-log10 of the activity coefficient of a singly charged ion (Davies, in the pieces
    this field's programs join)."""
    s = math.sqrt(ionic_strength)
    if ionic_strength < 0.001:
        return 0.5091 * s
    if ionic_strength < 0.1:
        return 0.5091 * s / (1 + s)
    return 0.5091 * (s / (1 + s) - 0.2 * ionic_strength)


def water_pkw(celsius, ionic_strength):
    inverse_gap = 1 / (celsius + 273.15) - 1 / 298.15
    return (PKW_25 + WATER_ENTHALPY / (GAS_CONSTANT * math.log(10)) * inverse_gap
            - 2 * activity_term(ionic_strength))


def ion_charge(text):
    """'Ca2+' -> ('Ca', 2), 'Cl-' -> ('Cl', -1), 'HPO4^2-' -> ('HPO4', -2), 'Tris' -> 0."""
    m = re.fullmatch(r"(.*?)\^?(\d?)([+-]?)", text)
    species, digits, sign = m.groups()
    if not sign:
        return text, 0
    return species, (int(digits) if digits else 1) * (1 if sign == "+" else -1)


def read_table(name):
    with open(os.path.join(SOURCE_DIR, "tests", "data", name), newline="",
              encoding="utf-8") as f:
        return list(csv.DictReader(f))


SALT_IONS = {row["salt"]: [(ion_charge(item.split(":")[0]), int(item.split(":")[1]))
                           for item in row["ions"].split(";")]
             for row in read_table("salts.csv") if row["ions"]}
SALT_IONS["HCl"] = [(("H", 1), 1), (("Cl", -1), 1)]
BUFFER_CHARGES = {row["buffer"]: (int(row["charge_of_acid_form"]),
                                  int(row["charge_of_base_form"]))
                  for row in read_table("ph_buffers.csv")}


def solution_temperature(fields):
    if fields["temperature_c"] is not None:
        return fields["temperature_c"]
    return 20.0 if fields["constants"].startswith("NIST SRD 46, 20") else 25.0


def charge_sums(fields, counter_ions):
    """sum c z, 1/2 sum c z^2 and 1/2 sum c |z| (mM) over the record's species, free H+
    and OH-, the buffer's two forms and the counter-ions; and for each ligand the amount
    (mM) its total holds beyond the species the record lists."""
    charged = []
    listed = dict.fromkeys(LIGAND_CHARGES, 0.0)
    for name, value in fields.items():
        if name in ("free_mg", "free_ca"):
            charged.append((value, 2))
        elif name.startswith("free_") and name[5:] in LIGAND_CHARGES:
            charged.append((value, LIGAND_CHARGES[name[5:]]))
            listed[name[5:]] += value
        elif m := SPECIES.match(name):
            metal, protons, ligand = m.groups()
            charged.append((value, LIGAND_CHARGES[ligand] + {None: 0, "h": 1, "h2": 2}[protons]
                            + (2 if metal else 0)))
            listed[ligand] += value
    hydrogen = 10 ** -fields["pch"] * 1000
    hydroxide = 10 ** -water_pkw(solution_temperature(fields), fields["ionic_strength"]) * 1e6 \
        / hydrogen
    charged += [(hydrogen, 1), (hydroxide, -1)]
    if fields["buffer"] is not None:
        acid, base = BUFFER_CHARGES[fields["buffer"]]
        assert (fields["buffer_acid_charge"], fields["buffer_base_charge"]) == (acid, base)
        charged += [(fields["buffer_acid_mM"], acid), (fields["buffer_base_mM"], base)]
    for ion, mM in counter_ions.items():
        charged.append((mM, ion_charge(ion)[1]))
    unlisted = {ligand: fields.get(f"total_{ligand}", 0.0) - amount
                for ligand, amount in listed.items()}
    return (sum(c * z for c, z in charged), sum(c * z * z for c, z in charged) / 2,
            sum(c * abs(z) for c, z in charged) / 2, unlisted)


def within_unlisted(residual, unlisted, weight, tolerance=1e-9):
    """The record lists each ligand's forms up to H2L and the complexes up to MHL; a ligand
    with more protonation steps also forms H3L, H4L and MH2L, which carry the ligand's
    charge plus 3 or plus 4. `residual` is what the listed species leave of a sum that must
    close; the unlisted amounts must account for it, between the weights of their two
    charges."""
    low = sum(u * min(weight(z + 3), weight(z + 4))
              for z, u in ((LIGAND_CHARGES[l], u) for l, u in unlisted.items()))
    high = sum(u * max(weight(z + 3), weight(z + 4))
               for z, u in ((LIGAND_CHARGES[l], u) for l, u in unlisted.items()))
    assert low - tolerance <= residual <= high + tolerance, (residual, low, high)


def counter_ions_of_weighing(weighing, contaminating_ca):
    """The counter-ions (mM) the weighed salts, the titrant and the filler release, and the
    two chloride ions of each contaminating Ca."""
    ions = {}
    for line in weighing:
        for (species, charge), count in SALT_IONS[line["salt"]]:
            if species in COUNTER_IONS:
                key = species + ("+" if charge > 0 else "-")
                ions[key] = ions.get(key, 0) + line["mM"] * count  # every salt here releases one of its component
    if contaminating_ca:
        ions["Cl-"] = ions.get("Cl-", 0) + 2 * contaminating_ca
    return ions


def check_solution_laws(fields, counter_ions, weighing=None, contaminating_ca=0):
    """The finished solution is neutral (to 1e-9 mM) and at the target ionic strength,
    counting the species no record field lists by their ligands' mass balance; its
    counter-ions are those its weighing sheet releases."""
    z, z2, absz, unlisted = charge_sums(fields, counter_ions)
    assert all(u > -1e-9 for u in unlisted.values()), unlisted
    assert abs(fields["charge_balance_mM"]) < 1e-9
    within_unlisted(-z, unlisted, lambda q: q)
    target = fields["ionic_strength"] * 1000
    within_unlisted(target - z2, unlisted, lambda q: q * q / 2, 1e-9 + 1e-12 * target)
    assert fields["ionic_strength_solution"] * 1000 == pytest.approx(target, rel=1e-12)
    equivalent = fields["ionic_equivalent"] * 1000
    within_unlisted(equivalent - absz, unlisted, lambda q: abs(q) / 2, 1e-9 + 1e-12 * target)
    if abs(unlisted["crp"]) < 1e-9:
        # The unlisted forms of ATP, EGTA and EDTA carry -1 or 0, those of ADP and
        # phosphate 0 or +1; each adds |q| / 2 = q^2 / 2 to the ionic strength. The charge
        # and the ionic strength left over then give the amounts of each sign, which the
        # mass balances bound; a cation or anion miscounted (a titrant off by 1e-9 mM)
        # shows here, whatever the unlisted amounts are.
        charge_left, strength_left = -z, target - z2
        negative, positive = strength_left - charge_left / 2, strength_left + charge_left / 2
        tolerance = 2e-9 + 1e-12 * target
        assert -tolerance <= negative <= sum(unlisted[l] for l in ("atp", "egta", "edta")) \
            + tolerance, (negative, unlisted)
        assert -tolerance <= positive <= unlisted["adp"] + unlisted["po4"] + tolerance, \
            (positive, unlisted)
        assert equivalent - absz == pytest.approx(strength_left, abs=tolerance)
    assert fields["filler_mM"] >= 0
    if weighing is not None:
        released = counter_ions_of_weighing(weighing, contaminating_ca)
        assert set(released) == set(counter_ions)
        for ion, mM in released.items():
            assert counter_ions[ion] == pytest.approx(mM, rel=1e-12, abs=1e-12), ion


# --- Recipes ----------------------------------------------------------------------------

SALTS = {
    "ca": ["CaCl2·2H2O", "CaCl2 (anhydrous)"],
    "mg": ["MgCl2·6H2O", "MgCl2 (anhydrous)"],
    "atp": ["Na2ATP·3H2O (disodium ATP trihydrate)", "K2ATP (anhydrous)", "ATP (free acid)"],
    "egta": ["EGTA (free acid)"],
    "edta": ["EDTA (free acid)", "Na2EDTA·2H2O"],
    "adp": ["ADP disodium salt", "ADP (free acid)"],
    "po4": ["KH2PO4", "Na2HPO4 (anhydrous)"],
    "CrP": ["creatine phosphate disodium salt tetrahydrate",
            "creatine phosphate disodium salt (anhydrous)"],
}
BUFFERS = [None, "imidazole", "MOPS", "HEPES", "BES", "TES", "PIPES", "Tris"]
FILLERS = ["KCl", "NaCl", "K-propionate", "K-methanesulfonate", "K-gluconate"]


def generated_recipe(rng, i):
    """A recipe of mode i % 7 with salts, buffer, titrant and filler drawn at random, at a
    target ionic strength the salts mostly leave room for."""
    typed = lambda lo, hi: float(f"{rng.uniform(lo, hi):.4g}")
    calc = {"mode": i % 7, "ph": typed(6.8, 7.4), "ionic_strength": typed(0.17, 0.3),
            "total_egta": typed(1, 10), "total_edta": typed(0.01, 0.5) if i % 5 == 1 else 0,
            "total_mg": typed(1, 7), "total_ca": typed(0.05, 5), "total_atp": typed(1, 5),
            "total_adp": typed(0.01, 1) if i % 4 == 2 else 0,
            "total_po4": typed(0.5, 5) if i % 6 == 3 else 0,
            "free_mg": typed(0.2, 2), "free_ca": 10 ** (3 - rng.uniform(4.5, 8)),
            "mgatp": typed(0.5, 4), "caatp": 10 ** rng.uniform(-6, -3),
            "mgadp": typed(0.001, 0.05), "caadp": 10 ** rng.uniform(-7, -4)}
    recipe = {"name": f"generated {i}", "volume_ml": rng.choice([10, 50, 100, 250]),
              "calculation": calc}
    if i % 3 == 0:
        recipe["ligands"] = {"CrP": typed(5, 15)}
    recipe["temperature_c"] = rng.choice([None, 20, 22, 25.0, 37])
    if recipe["temperature_c"] is None:
        del recipe["temperature_c"]
    if i % 7 == 5:
        recipe["constants"] = "nist-srd46-20c"
    if i % 8 == 6:
        recipe["ph_scale"] = "activity"
    recipe["salts"] = {key: rng.choice(names) for key, names in SALTS.items()
                       if rng.random() < 0.6 and (key != "CrP" or "ligands" in recipe)}
    if rng.random() < 0.3:
        recipe["purity"] = {"atp": typed(0.9, 1), "filler": 0.99}
    if rng.random() < 0.3:
        recipe["contaminating_ca_mM"] = typed(0.001, 0.02)
    buffer = rng.choice(BUFFERS)
    if buffer:
        recipe["buffer"] = {"name": buffer, "total_mM": rng.choice([10, 20, 25])}
    recipe["titrant"] = "HCl" if buffer == "Tris" and rng.random() < 0.7 else rng.choice(
        ["KOH", "NaOH"])
    recipe["filler"] = rng.choice(FILLERS)
    if rng.random() < 0.4:
        recipe["stock_solutions"] = {"ca": 100, "titrant": rng.choice([1000, 4000])}
    return recipe


RECIPES = [generated_recipe(random.Random(41 + i), i) for i in range(COUNT)]


def write_recipe(path, recipe):
    """The recipe as a file, with format and version."""
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"format": "quelix-recipe", "version": 1, **recipe}, f, ensure_ascii=False)
    return str(path)


def run_recipe(path, *args, fmt="json"):
    if not CLI:
        pytest.fail("QUELIX_CLI must name the built quelix-cli")
    return subprocess.run([CLI, f"--recipe={path}", *args, f"--format={fmt}"],
                          capture_output=True, text=True)


def recipe_outcome(value):
    """(result, the error's message or None, the notes warned)."""
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            result, message = quelix.recipe(value), None
        except quelix.CalculationError as e:
            result, message = getattr(e, "result", None), str(e)
    notes = [str(w.message) for w in caught if issubclass(w.category, quelix.QuelixWarning)]
    return result, message, notes


def check_against_json(result, line):
    """to_json() is the command line's line byte for byte; to_dict() and the attributes hold
    its values (floats to within the rounding of either to a double)."""
    assert result.to_json() + "\n" == line
    expected = json.loads(line)
    got = result.to_dict()
    assert list(got) == list(expected)

    def same(a, b, where):
        if isinstance(b, dict):
            assert list(a) == list(b), where
            for k in b:
                same(a[k], b[k], (where, k))
        elif isinstance(b, list):
            assert len(a) == len(b), where
            for k, (x, y) in enumerate(zip(a, b)):
                same(x, y, (where, k))
        elif isinstance(b, (int, float)) and not isinstance(a, int):
            # JSON writes a whole real without a point.
            assert isinstance(a, float) and abs(a - b) <= math.ulp(b), (where, a, b)
        else:
            assert a == b and type(a) is type(b), (where, a, b)

    for name, value in expected.items():
        same(got[name], value, name)
        attribute = getattr(result, name)
        assert attribute == got[name] or (attribute is None and got[name] is None), name


def test_recipes_equal_the_command_line_and_the_solution_is_neutral(tmp_path):
    outcomes = {"made": 0, "cannot be made": 0, "calculation failed": 0}
    for i, recipe in enumerate(RECIPES):
        path = write_recipe(tmp_path / f"r{i}.json", recipe)
        run = run_recipe(path)
        result, message, notes = recipe_outcome(recipe)
        assert notes == [line[len("note: "):] for line in run.stderr.splitlines()
                         if line.startswith("note: ")], i
        from_file, file_message, _ = recipe_outcome(path)
        assert file_message == message, i
        if message is None:
            assert run.returncode == 0, (i, run.stderr)
            outcomes["made"] += 1
        elif result is not None:
            # The record is printed, with recipe_error and the solution's fields null.
            assert run.returncode == 1 and run.stderr.splitlines()[-1] == message, i
            assert result.recipe_error == message and result.weighing is None
            outcomes["cannot be made"] += 1
        else:
            assert run.returncode == 1 and run.stdout == "", i
            assert run.stderr.splitlines()[-1] == message, i
            outcomes["calculation failed"] += 1
            continue
        check_against_json(result, run.stdout)
        assert from_file.to_json() == result.to_json(), i
        if message is None:
            fields = result.to_dict()
            check_solution_laws(fields, fields["counter_ions_mM"], fields["weighing"],
                                recipe.get("contaminating_ca_mM", 0))
    # The generated recipes reach the made solutions and the refusals both.
    assert outcomes["made"] >= COUNT * 0.6 and outcomes["cannot be made"] >= 1, outcomes


def test_reports_and_sheets_equal_the_command_line(tmp_path):
    for i, recipe in enumerate(RECIPES[:12]):
        result, message, _ = recipe_outcome(recipe)
        if message is not None:
            continue
        run = run_recipe(write_recipe(tmp_path / f"r{i}.json", recipe), fmt="report")
        assert run.returncode == 0 and result.report == run.stdout, i
        assert result.report.endswith(result.sheet)
        assert result.sheet.startswith("Weighing sheet: generated")


def test_a_dict_is_the_file_it_stands_for():
    base = {"calculation": {"mode": 2, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                            "mgatp": 4.5, "free_mg": 1, "free_ca": 1e-6},
            "ligands": {"CrP": 14.5}, "temperature_c": 22,
            "salts": {"egta": "EGTA (free acid)", "ca": "CaCl2.2H2O"},
            "buffer": {"name": "imidazole", "total_mM": 20}, "stock_solutions": {"ca": 10}}
    reference = quelix.recipe(base).to_json()
    # Numbers as calculate() reads them: a Decimal or an int by its digits, a float as the
    # decimal it prints as; format and version may be given.
    same = [
        dict(base, calculation=dict(base["calculation"], ph=decimal.Decimal("7.10"))),
        dict(base, temperature_c=22.0, format="quelix-recipe", version=1),
    ]
    for recipe in same:
        assert quelix.recipe(recipe).to_json() == reference
    result = quelix.recipe(base)
    # The recipe's own text reads back as the same recipe, by the command line too.
    again = quelix.recipe(json.loads(result.recipe_text))
    assert again.to_json() == reference
    assert isinstance(result, quelix.Result) and result.total_crp == 14.5
    assert result.constants == "Built-in" and result.temperature_c == 22


@pytest.mark.filterwarnings("ignore::quelix.QuelixWarning")
def test_a_path_like_and_a_str_read_the_same_file(tmp_path):
    path = tmp_path / "r.json"
    write_recipe(path, RECIPES[1])
    assert quelix.recipe(path).to_json() == quelix.recipe(str(path)).to_json()


# A recipe that cannot be read or used: the key the message must name, and the recipe.
BAD = [
    ("colour", {"colour": "blue"}),
    ("format", {"format": "quelix-set"}),
    ("version", {"version": 2}),
    ("volume_ml", {"volume_ml": 0}),
    ("ph", {"calculation": {"ph": "7.1"}}),
    ("mode", {"calculation": {"mode": 7}}),
    ("ionic_strength", {"calculation": {"ionic_strength": 0}}),
    ("ca", {"salts": {"ca": "CaCl3"}}),
    ("egta", {"salts": {"egta": "CaCl2·2H2O"}}),
    ("total_mM", {"buffer": {"name": "imidazole"}}),
    ("Bicine", {"buffer": {"name": "Bicine", "total_mM": 20}}),
    ("atp", {"purity": {"atp": 1.5}}),
    ("xyz", {"stock_solutions": {"xyz": 100}}),
    ("Unobtainium", {"ligands": {"Unobtainium": 1}}),
    ("temperature_c", {"temperature_c": 120}),
    ("ions", {"salts": {"ca": {"name": "my Ca", "molar_mass_g_mol": 111, "ions": "Ca2+:1"}}}),
    ("KCl", {"titrant": "KCl"}),
    ("CaCl2·2H2O", {"filler": "CaCl2·2H2O"}),
]


@pytest.mark.parametrize("key,recipe", BAD, ids=[b[0] for b in BAD])
def test_bad_recipes_are_refused_with_the_readers_message_naming_the_key(tmp_path, key, recipe):
    with pytest.raises(ValueError) as caught:
        quelix.recipe(recipe)
    message = str(caught.value)
    assert not isinstance(caught.value, quelix.CalculationError)
    assert message.startswith("<recipe>: ") and key in message, message
    # The command line refuses the same recipe as a file with the same words.
    path = tmp_path / "bad.json"
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"format": "quelix-recipe", "version": 1, **recipe}, f, ensure_ascii=False)
    run = run_recipe(path)
    assert run.returncode == 2
    assert run.stderr.splitlines()[0] == message.replace("<recipe>", str(path), 1)
    with pytest.raises(ValueError) as from_file:
        quelix.recipe(path)
    assert str(from_file.value) == run.stderr.splitlines()[0]


def self_holding():
    recipe = {}
    recipe["calculation"] = recipe
    return recipe


ARGUMENTS = [
    ({"calculation": {"ph": float("nan")}}, ValueError,
     '<recipe>: "calculation": "ph" is not a finite number'),
    ({"volume_ml": float("inf")}, ValueError, '<recipe>: "volume_ml" is not a finite number'),
    ({"volume_ml": decimal.Decimal("NaN")}, ValueError,
     '<recipe>: "volume_ml" is not a finite number'),
    ({"volume_ml": {1, 2}}, TypeError, None),
    # Lists and tuples go to the reader as JSON lists, which it refuses by name.
    ({"calculation": [1, 2]}, ValueError, '<recipe>: "calculation" must be an object, not a list'),
    ({"calculation": (7.1,)}, ValueError, '<recipe>: "calculation" must be an object, not a list'),
    ({"salts": {"ca": [1, float("nan")]}}, ValueError,
     '<recipe>: "salts": "1" is not a finite number'),
    ({"calculation": {7: 1}}, TypeError, None),
    (self_holding(), ValueError, None),
    (42, TypeError, None),
    (["calculation"], TypeError, None),
    ("", ValueError, "recipe: expected the path of a recipe file, got an empty text"),
    ("/no/such/folder/r.json", ValueError, "/no/such/folder/r.json: the file cannot be opened"),
]


@pytest.mark.parametrize("value,error,message", ARGUMENTS, ids=range(len(ARGUMENTS)))
def test_arguments_no_recipe_file_could_hold_are_refused(value, error, message):
    with pytest.raises(error) as caught:
        quelix.recipe(value)
    if message is not None:
        assert str(caught.value) == message


def test_a_solution_beyond_its_target_ionic_strength_raises_with_its_record():
    recipe = {"calculation": {"mode": 0, "ph": 7.0, "ionic_strength": 0.05, "total_egta": 10,
                              "total_mg": 10, "total_atp": 8, "total_ca": 5}}
    with pytest.raises(quelix.CalculationError) as caught:
        quelix.recipe(recipe)
    result = caught.value.result
    assert result.recipe_error == str(caught.value) and "ionic strength" in str(caught.value)
    assert result.filler_mM is None and result.counter_ions_mM is None
    # The calculation itself succeeded: its record is there.
    assert result.error is None and result.total_egta == 10
    assert "cannot be made" in result.sheet


def test_a_failed_calculation_raises_without_a_result():
    with pytest.raises(quelix.CalculationError) as caught:
        quelix.recipe({"calculation": {"mode": 2, "free_mg": 0, "mgatp": 1}})
    assert not hasattr(caught.value, "result")


# --- Series -----------------------------------------------------------------------------

SERIES_RECIPE = {
    "name": "pCa ladder", "volume_ml": 50,
    "calculation": {"mode": 6, "ph": 7.1, "ionic_strength": 0.18, "total_egta": 7,
                    "total_atp": 5, "free_mg": 1},
    "ligands": {"CrP": 14.5}, "temperature_c": 22,
    "buffer": {"name": "imidazole", "total_mM": 20}, "filler": "K-propionate",
    "stock_solutions": {"titrant": 4000},
}
STOCK_A = {"total_egta": 7, "total_mg": 6.5, "total_atp": 5.5, "total_crp": 14.5}
STOCK_B = {"total_egta": 7, "total_ca": 7, "total_mg": 6, "total_atp": 5.5, "total_crp": 14.5}


def text_of(stock):
    return ",".join(f"{k}={v}" for k, v in stock.items())


def assert_columns_equal(columns, cli_json, cli_csv):
    """The columns are the command line's CSV columns, by name and in order; every value of
    its JSON lines is in them (counter-ions and weighing lines in their own columns)."""
    header = next(csv.reader(cli_csv.splitlines()))
    assert list(columns) == header
    lines = cli_json.splitlines()
    assert len(lines) == len(columns["pca_target"])

    def same(got, value, where):
        if value is None:
            assert got is None or (isinstance(got, float) and math.isnan(got)), where
        elif isinstance(value, str):
            assert got == value, where
        else:
            assert abs(got - value) <= math.ulp(value), (where, got, value)

    for i, line in enumerate(lines):
        expected = json.loads(line)
        for name, value in expected.items():
            if name == "counter_ions_mM":
                for ion, mM in (value or {}).items():
                    same(columns[f"counter_ions_mM:{ion}"][i], mM, (i, ion))
            elif name == "weighing":
                for w in value or []:
                    for field in ("salt", "mM", "mg", "ul"):
                        same(columns[f"weigh_{w['component'].lower()}_{field}"][i], w[field],
                             (i, w["component"], field))
            else:
                same(columns[name][i], value, (i, name))
    return lines


def row_fields(columns, i):
    fields = {name: columns[name][i] for name in columns}
    ions = {name.split(":", 1)[1]: value for name, value in fields.items()
            if name.startswith("counter_ions_mM:")}
    return fields, ions


def test_pca_series_with_a_recipe_equals_the_command_line_and_every_point_is_neutral(tmp_path):
    path = write_recipe(tmp_path / "ladder.json", SERIES_RECIPE)
    targets = "9,7:5:0.5,4.5"
    rows = quelix.pca_series(targets, recipe=SERIES_RECIPE)
    lines = assert_columns_equal(rows, run_recipe(path, f"--pca={targets}").stdout,
                                 run_recipe(path, f"--pca={targets}", fmt="csv").stdout)
    assert len(lines) == 7
    for i in range(len(lines)):
        fields, ions = row_fields(rows, i)
        assert fields["recipe_error"] is None
        check_solution_laws(fields, ions)
    frame = quelix.pca_series(targets, recipe=path, as_frame=True)
    assert str(frame["buffer_acid_charge"].dtype) == "Int64"
    assert list(frame["titrant_mM"]) == list(rows["titrant_mM"])


def test_mixing_table_with_a_recipe_equals_the_command_line_and_shows_each_mixtures_drift(
        tmp_path):
    path = write_recipe(tmp_path / "ladder.json", SERIES_RECIPE)
    targets = "9,7:5:0.5,4.5,2"  # pCa 2 lies beyond the high-Ca stock
    rows = quelix.mixing_table(targets, recipe=SERIES_RECIPE, stock_a=STOCK_A,
                               stock_b=text_of(STOCK_B), volume=20)
    args = [f"--pca={targets}", f"--stock-a={text_of(STOCK_A)}",
            f"--stock-b={text_of(STOCK_B)}", "--volume=20"]
    run = run_recipe(path, *args)
    assert run.returncode == 1  # the row beyond the stocks
    lines = assert_columns_equal(rows, run.stdout, run_recipe(path, *args, fmt="csv").stdout)
    assert rows["recipe_error"][-1] is not None and rows["error"][-1] is not None
    drift = []
    for i in range(len(lines)):
        fields, ions = row_fields(rows, i)
        if fields["recipe_error"] is not None:
            continue
        # A mixture's ionic strength is its own, from its species and the counter-ions mixed
        # as the totals are; its charge balance is what it would need to stay at its pH.
        _, z2, _, unlisted = charge_sums(fields, ions)
        within_unlisted(fields["ionic_strength_solution"] * 1000 - z2, unlisted,
                        lambda q: q * q / 2, 1e-9 + 1e-12 * z2)
        drift.append(fields["ionic_strength_solution"] - fields["ionic_strength"])
    assert len(drift) >= 5
    assert max(abs(d) for d in drift) > 1e-6  # Ca moving between chelators moves it


SERIES_ERRORS = [
    (quelix.pca_series, {"ph": 7.0}, TypeError,
     "pca_series(): ph cannot be combined with recipe: the recipe gives the calculation, its "
     "constants and conditions"),
    (quelix.pca_series, {"constants": "nist-srd46-20c"}, TypeError, None),
    (quelix.pca_series, {"stock_a": STOCK_A}, TypeError, None),
    (quelix.mixing_table, {"stock_a": STOCK_A}, TypeError, None),
    (quelix.mixing_table, {"stock_a": STOCK_A, "stock_b": STOCK_B, "ionic_strength": 0.2},
     TypeError, None),
    (quelix.mixing_table, {"stock_a": {"total_egg": 1}, "stock_b": STOCK_B}, ValueError, None),
]


@pytest.mark.parametrize("function,kwargs,error,message", SERIES_ERRORS,
                         ids=range(len(SERIES_ERRORS)))
def test_series_keywords_that_the_recipe_gives_are_refused(function, kwargs, error, message):
    with pytest.raises(error) as caught:
        function("9,6", recipe=SERIES_RECIPE, **kwargs)
    if message is not None:
        assert str(caught.value) == message


def test_a_per_point_recipe_needs_a_mode_that_takes_free_ca():
    recipe = dict(SERIES_RECIPE, calculation=dict(SERIES_RECIPE["calculation"], mode=1))
    with pytest.raises(ValueError, match="mode must be 2 to 6"):
        quelix.pca_series("9,6", recipe=recipe)
    with pytest.raises(ValueError, match='"buffer"'):
        quelix.pca_series("9,6", recipe=dict(SERIES_RECIPE, buffer={"name": "imidazole"}))


def test_recipe_none_is_a_series_without_recipe():
    inputs = dict(SERIES_RECIPE["calculation"], ligands=SERIES_RECIPE["ligands"])
    plain = quelix.pca_series("9,6", **inputs)
    assert list(quelix.pca_series("9,6", recipe=None, **inputs)["total_ca"]) == list(
        plain["total_ca"])
    assert "titrant_mM" not in plain
    table = quelix.mixing_table("9,6", recipe=None, stock_a=STOCK_A, stock_b=STOCK_B)
    assert "titrant_mM" not in table
