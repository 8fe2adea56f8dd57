# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""The module gives what quelix-cli gives for the same inputs: every record field, the
report, the failure messages, single runs and a batch."""

import concurrent.futures
import csv
import json
import math
import os

import numpy as np

import quelix
from conftest import FAILURES, cli_args, cli_text, recipes, run_cli

# Fewer under the sanitizers, where every run of the command line is slow.
RECIPES = recipes(int(os.environ.get("QUELIX_TEST_RECIPES", 350)), seed=14, failing_every=9,
                  const_every=11)


def check_fields(result, cli_json_line):
    """The result's floats are the CLI's 19-digit values to within the rounding of either
    to a double; ints and nulls are the same; and the JSON text is the CLI's, byte for byte."""
    assert result.to_json() + "\n" == cli_json_line
    expected = json.loads(cli_json_line)
    got = result.to_dict()
    assert list(got) == list(expected) == list(quelix.COLUMNS)
    for name, value in expected.items():
        assert got[name] == getattr(result, name) or got[name] is getattr(result, name), name
        if name in ("mode", "iterations"):
            assert type(got[name]) is int and got[name] == value, name
        elif value is None:
            assert got[name] is None, name
        else:
            assert isinstance(got[name], float), name
            assert abs(got[name] - value) <= math.ulp(value), (name, got[name], value)


def single_case(case):
    inputs, const, failure = case
    run = run_cli(cli_args(inputs, const))
    try:
        result = quelix.calculate(**inputs, const=const)
    except quelix.CalculationError as e:
        return inputs, run, None, str(e)
    return inputs, run, result, None


def test_single_runs_equal_the_command_line_field_for_field():
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        outcomes = list(pool.map(single_case, RECIPES))
    for (inputs, run, result, error), (_, _, failure) in zip(outcomes, RECIPES):
        assert error == failure, inputs
        if error is not None:
            assert run.returncode == 1, (inputs, run.stdout)
            assert error == run.stderr.rstrip("\n"), inputs
            continue
        assert run.returncode == 0, (inputs, run.stderr)
        check_fields(result, run.stdout)
    assert {failure for _, _, failure in RECIPES} == {None} | {f[3] for f in FAILURES}


def test_reports_equal_the_command_line():
    for inputs, const, failure in RECIPES[::25]:
        if failure:
            continue
        run = run_cli(cli_args(inputs, const), fmt="report")
        assert run.returncode == 0, run.stderr
        assert quelix.calculate(**inputs, const=const).report == run.stdout


def test_calculate_many_equals_a_batch_run(tmp_path):
    # One batch shares its constants, so the recipes with their own are left out.
    cases = [(inputs, failure) for inputs, const, failure in RECIPES if const is None]
    path = tmp_path / "rows.csv"
    with open(path, "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(quelix.INPUT_NAMES)
        for inputs, _ in cases:
            # An empty cell takes the command line's value, here the default.
            writer.writerow(
                [cli_text(inputs[n]) if n in inputs else "" for n in quelix.INPUT_NAMES])
    run = run_cli([f"--batch={path}"])
    lines = run.stdout.splitlines()
    assert run.returncode == 1 and len(lines) == len(cases)  # some rows fail
    columns = {
        name: [inputs.get(name, quelix.DEFAULTS[name]) for inputs, _ in cases]
        for name in quelix.INPUT_NAMES
    }
    out = quelix.calculate_many(columns)
    for i, line in enumerate(lines):
        expected = json.loads(line)
        for name, value in expected.items():
            got = out[name][i]
            if name == "error":
                assert got == value, i
            elif value is None:
                assert math.isnan(got), (i, name)
            else:
                assert abs(got - value) <= math.ulp(value), (i, name, got, value)
    assert sum(e is not None for e in out["error"]) == sum(f is not None for _, f in cases)


def test_numpy_columns_equal_a_batch_run_of_the_same_numbers(tmp_path):
    # Float arrays take the fast path of reading each double as its shortest text.
    rng = np.random.default_rng(3)
    n = 2000
    columns = {
        "mode": np.arange(n) % 7,
        "ph": rng.uniform(6.5, 7.5, n),
        "ionic_strength": np.round(rng.uniform(0.1, 0.25, n), 3),
        "total_egta": rng.uniform(0, 10, n),
        "total_mg": rng.uniform(0.5, 10, n),
        "total_ca": rng.uniform(0, 10, n),
        "total_atp": rng.uniform(0, 8, n),
        "free_ca": 10.0 ** (3 - rng.uniform(4, 8, n)),
        "free_mg": rng.uniform(0.1, 3, n),
        "mgatp": rng.uniform(0.1, 5, n),
        "caatp": 10.0 ** rng.uniform(-6, -2, n),
    }
    path = tmp_path / "rows.csv"
    with open(path, "w") as f:
        f.write(",".join(columns) + "\n")
        for i in range(n):
            f.write(",".join(repr(v[i].item()) for v in columns.values()) + "\n")
    run = run_cli([f"--batch={path}"])
    out = quelix.calculate_many(columns)
    for i, line in enumerate(run.stdout.splitlines()):
        for name, value in json.loads(line).items():
            if name != "error" and value is not None:
                assert abs(out[name][i] - value) <= math.ulp(value), (i, name)


def test_mode_inputs_are_the_values_that_change_the_result():
    base = {"ph": 7.0, "ionic_strength": 0.15, "total_egta": 5, "total_edta": 0.5,
            "total_mg": 3, "total_ca": 2, "total_atp": 4, "total_adp": 0.5, "total_po4": 1,
            "free_mg": 0.8, "free_ca": 0.001, "mgatp": 3, "caatp": 0.01, "mgadp": 0.2,
            "caadp": 0.001}
    for mode in range(7):
        inputs = quelix.mode_inputs(mode)
        assert len(inputs) == 9 and inputs[:4] == ("ph", "ionic_strength", "total_egta",
                                                   "total_edta"), mode
        reference = quelix.calculate(mode=mode, **base).to_json()
        for name in base:
            changed = dict(base, **{name: base[name] * 1.1})
            differs = quelix.calculate(mode=mode, **changed).to_json() != reference
            assert differs == (name in inputs), (mode, name)
