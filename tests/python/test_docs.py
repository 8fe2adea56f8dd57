# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""What editors, help() and the manual page say matches what the module does."""

import ast
import html
import os
import re
import subprocess
import sys

import quelix
from conftest import CLI, SOURCE_DIR

STUB = os.path.join(SOURCE_DIR, "python", "quelix.pyi")
EXAMPLE = os.path.join(SOURCE_DIR, "docs", "python-example.py")
PAGE = os.path.join(SOURCE_DIR, "docs", "python.html")


def stub_functions():
    tree = ast.parse(open(STUB, encoding="utf-8").read())
    functions = {}
    for node in ast.walk(tree):
        if isinstance(node, ast.FunctionDef):
            functions.setdefault(node.name, []).append(node)
    return functions


RUN_OPTIONS = ["const", "constants", "temperature", "ph_scale"]
CONDITIONS = ["constants", "edited_entries", "temperature_c", "uncorrected_entries", "ph_scale",
              "pch"]


def stub_properties(class_name):
    tree = ast.parse(open(STUB, encoding="utf-8").read())
    for node in ast.walk(tree):
        if isinstance(node, ast.ClassDef) and node.name == class_name:
            return [f.name for f in node.body if isinstance(f, ast.FunctionDef)
                    and any(getattr(d, "id", "") == "property" for d in f.decorator_list)]
    return []


# The forms of the series that take a recipe, which gives the calculation and its conditions.
RECIPE_FORMS = {"pca_series": ["recipe", "as_frame"],
                "mixing_table": ["recipe", "stock_a", "stock_b", "volume", "as_frame"]}


def test_stub_signatures_name_the_inputs_with_their_defaults():
    functions = stub_functions()
    per_point = [n for n in quelix.INPUT_NAMES if n != "free_ca"]
    for name, inputs, extra in (
            ("calculate", quelix.INPUT_NAMES, RUN_OPTIONS + ["ligands"]),
            ("calculate_many", quelix.INPUT_NAMES, RUN_OPTIONS + ["ligands", "workers"]),
            ("pca_series", per_point, RUN_OPTIONS + ["ligands", "as_frame"]),
            ("mixing_table", ["stock_a", "stock_b", "ph", "ionic_strength", "volume"],
             RUN_OPTIONS + ["as_frame"])):
        for node in functions[name]:
            args = node.args.kwonlyargs
            if name in RECIPE_FORMS and args and args[0].arg == "recipe":
                assert [a.arg for a in args] == RECIPE_FORMS[name], name
                continue
            assert [a.arg for a in args] == list(inputs) + extra, name
            defaults = {a.arg: ast.literal_eval(d) for a, d in zip(args, node.args.kw_defaults)
                        if d is not None}
            for input_name in inputs:
                if input_name in quelix.DEFAULTS:
                    assert defaults[input_name] == quelix.DEFAULTS[input_name], (name, input_name)
            assert defaults.get("ph_scale") == "concentration", name
            # The docstring's signature shows the same keywords, with the same defaults.
            doc = getattr(quelix, name).__doc__.split("\n", 1)[0]
            for arg in list(inputs) + extra:
                assert re.search(rf"\b{arg}\b", doc), (name, arg)
    for name, forms in RECIPE_FORMS.items():
        assert sum(n.args.kwonlyargs[0].arg == "recipe" for n in functions[name]) == 2, name
        assert "recipe=" in getattr(quelix, name).__doc__, name
    # Every field of a result is a property of the stub's Result, and the other way round.
    assert stub_properties("Result") == list(quelix.COLUMNS) + CONDITIONS + ["report"]
    for name in CONDITIONS:
        assert getattr(quelix.Result, name).__doc__, name
    # A recipe's result adds the solution's fields, in its record's order.
    record = quelix.recipe({"stock_solutions": {"ca": 100}}).to_dict()
    solution = list(record)[list(record).index("pch") + 1:]
    assert stub_properties("RecipeResult") == solution + ["sheet", "report", "recipe_text"]
    for name in solution:
        assert getattr(quelix.RecipeResult, name).__doc__, name


def test_help_explains_every_argument_with_its_unit_and_default():
    doc = quelix.calculate.__doc__
    assert doc.startswith("calculate(mode=0, ph=8, ionic_strength=0.2, total_egta=2,")
    for name in quelix.INPUT_NAMES[3:]:
        assert re.search(rf"^    {name} +\S.*, mM \(default [0-9.]+\)$", doc, re.M), name
    assert re.search(r"^    ionic_strength +ionic strength, M \(default 0.2\)$", doc, re.M)
    for caption in quelix.MODE_CAPTIONS:
        assert caption in doc
    for name in RUN_OPTIONS:
        assert re.search(rf"^    {name} +\S", doc, re.M), name
    assert doc.split("\n", 1)[0].endswith(
        "const=None, constants=None, temperature=None, ph_scale='concentration', ligands=None) -> Result")
    for name in quelix.COLUMNS:
        assert getattr(quelix.Result, name).__doc__, name


def test_the_example_runs_and_the_manual_page_shows_its_code_and_output(tmp_path):
    env = dict(os.environ, MPLBACKEND="Agg", PYTHONPATH=os.path.dirname(quelix.__file__))
    run = subprocess.run([sys.executable, EXAMPLE], cwd=tmp_path, env=env,
                         capture_output=True, text=True, timeout=120)
    assert run.returncode == 0, run.stderr
    page = html.unescape(open(PAGE, encoding="utf-8").read())
    code = "".join(line for line in open(EXAMPLE, encoding="utf-8").read().splitlines(True)
                   if not line.startswith("# SPDX"))
    assert code.rstrip("\n") in page
    assert run.stdout.rstrip("\n") in page
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        return
    assert (tmp_path / "python-pca-ladder.png").stat().st_size > 10000


def test_the_manuals_table_of_constants_counts_steps_as_set_files_and_const_do():
    """Each value of the manual's table of built-in constants sits under the step that
    quelix-cli --show-constants gives it, so that a set file written from the table
    changes the step meant."""
    manual = open(os.path.join(SOURCE_DIR, "docs", "manual.html"), encoding="utf-8").read()
    section = manual[manual.index('<h2 id="constants">'):manual.index('<h2 id="settings">')]
    table = section[section.index("<table>"):section.index("</table>")]
    rows = re.findall(r"<tr>(.*?)</tr>", table, re.S)
    headers = [re.sub(r"<[^>]+>", " ", h) for h in re.findall(r"<th>(.*?)</th>", rows[0])]
    steps = [int(re.match(r"\s*Step (\d)", h).group(1)) for h in headers[1:]]
    assert steps == [0, 1, 2, 3]
    shown = {}
    for row in rows[1:]:
        cells = re.findall(r"<td[^>]*>(.*?)</td>", row)
        for step, cell in zip(steps, cells[1:]):
            if cell:
                shown[(cells[0], step)] = float(cell)
    out = subprocess.run([CLI, "--show-constants"], capture_output=True, text=True, check=True)
    in_force = {}
    for line in out.stdout.splitlines()[1:]:
        row, step, log10_k = line.split(",")[:3]
        in_force[(row, int(step))] = round(float(log10_k), 3)
    assert shown == in_force


def test_the_manual_pages_recipe_section_shows_what_the_module_gives():
    page = html.unescape(open(PAGE, encoding="utf-8").read())
    section = page[page.index('<h2 id="recipe">'):page.index('<h2 id="errors">')]
    code = re.search(r"<pre>(relaxing = \{.*?\n\})\n", section, re.S).group(1)
    scope = {}
    exec(code, scope)
    relaxing = scope["relaxing"]
    assert quelix.recipe(relaxing).sheet.rstrip("\n") in section
    too_low = dict(relaxing, calculation=dict(relaxing["calculation"], ionic_strength=0.08))
    try:
        quelix.recipe(too_low)
    except quelix.CalculationError as e:
        assert " ".join(re.findall(r"print\(e\)\s+# (.*)\n\s+# (.*)</pre>", section)[0]) == str(e)
    rows = quelix.pca_series("9,6,5,4.5", recipe=relaxing)
    for i, pca in enumerate(rows["pca_target"]):
        line = f"# {i}         {pca:.1f}  {rows['total_ca'][i]:.6f}"
        assert line in section, line
