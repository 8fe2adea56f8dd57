# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""pca_series and mixing_table give the rows quelix-cli --pca gives, and the constant sets,
the temperature and the pH scale reach every kind of call as they reach the command line."""

import json
import math
import os

import numpy as np
import pytest

import quelix
from conftest import cli_args, run_cli

SKINNED_FIBRE = {"ph": 7.0, "ionic_strength": 0.15, "total_egta": 10, "total_mg": 5.4,
                 "total_atp": 5}

# The conditions a run can have besides the built-in ones: the keywords, the options.
CONDITIONS = [
    ({}, []),
    ({"constants": "nist-srd46-20c"}, ["--constants=nist-srd46-20c"]),
    ({"constants": "NIST SRD 46, 20 °C, 0.1 M", "temperature": 37, "ph_scale": "activity",
      "const": {"ATP-Mg:0": 4.1}},
     ["--constants=NIST SRD 46, 20 °C, 0.1 M", "--temperature=37", "--ph-scale=activity",
      "--const=ATP-Mg:0=4.1"]),
    ({"temperature": 25.0}, ["--temperature=25.0"]),
    ({"ph_scale": "activity"}, ["--ph-scale=activity"]),
]


def assert_rows_equal(columns, cli_stdout):
    """Every field of the command line's JSON lines, in order, is the column's value: texts
    and nulls the same, numbers within the rounding of either to a double."""
    lines = cli_stdout.splitlines()
    assert lines, "the command line printed no rows"
    for i, line in enumerate(lines):
        expected = json.loads(line)
        assert list(columns) == list(expected), i
        for name, value in expected.items():
            got = columns[name][i]
            if isinstance(value, str) or name in ("error", "constants", "ph_scale"):
                assert got == value, (i, name)
            elif value is None:
                assert math.isnan(got), (i, name, got)
            else:
                assert abs(got - value) <= math.ulp(value), (i, name, got, value)
    return len(lines)


def same_columns(a, b):
    """The same names, and the same values in each column (NaN equal to NaN)."""
    assert list(a) == list(b)
    for name in a:
        if a[name].dtype == object:
            assert list(a[name]) == list(b[name]), name
        else:
            assert np.array_equal(a[name], b[name], equal_nan=True), name


@pytest.mark.parametrize("conditions,options", CONDITIONS, ids=[o[-1] if o else "built-in"
                                                                 for _, o in CONDITIONS])
def test_a_single_run_equals_the_command_line_under_every_condition(conditions, options):
    for mode, extra in ((6, {"free_ca": 1e-3, "free_mg": 1}), (0, {"total_ca": 2}),
                        (3, {"free_ca": 1e-4, "mgatp": 4.2})):
        inputs = dict(SKINNED_FIBRE, mode=mode, **extra)
        result = quelix.calculate(**inputs, **conditions)
        run = run_cli(cli_args(inputs) + options)
        assert run.returncode == 0, run.stderr
        assert result.to_json() + "\n" == run.stdout, (mode, conditions)
        report = run_cli(cli_args(inputs) + options, fmt="report").stdout
        assert result.report == report
        # The fields of the conditions are there whether or not the record carries them.
        assert result.constants == conditions.get("constants", "Built-in").replace(
            "nist-srd46-20c", "NIST SRD 46, 20 °C, 0.1 M")
        assert result.ph_scale == conditions.get("ph_scale", "concentration")
        assert result.temperature_c == conditions.get("temperature")
        assert (list(result.to_dict())[-1] == "pch") == bool(conditions)


@pytest.mark.parametrize("conditions,options", CONDITIONS[:3], ids=["built-in", "set", "all"])
def test_calculate_many_equals_a_batch_run_under_the_same_conditions(tmp_path, conditions,
                                                                     options):
    rng = np.random.default_rng(5)
    n = 300
    columns = {"mode": np.arange(n) % 7, "ph": np.round(rng.uniform(6.6, 7.4, n), 2),
               "total_egta": np.round(rng.uniform(0, 10, n), 2),
               "free_ca": 10.0 ** (3 - np.round(rng.uniform(4, 8, n), 2)),
               "ionic_strength": np.where(np.arange(n) % 50 == 7, -0.1, 0.15)}
    path = tmp_path / "rows.csv"
    with open(path, "w") as f:
        f.write(",".join(columns) + "\n")
        for i in range(n):
            f.write(",".join(repr(v[i].item()) for v in columns.values()) + "\n")
    run = run_cli([f"--batch={path}"] + options)
    out = quelix.calculate_many(columns, **conditions)
    assert assert_rows_equal(out, run.stdout) == n
    assert 6 <= sum(e is not None for e in out["error"]) < n // 2
    # A table that holds the conditions' columns (a result given back) is read as before.
    again = quelix.calculate_many(out, **conditions)
    same_columns(again, out)


PER_POINT = [
    ("9,6.5:5.5:0.1,4.5", dict(SKINNED_FIBRE, mode=6, free_mg=1)),
    ("8:4:0.5", dict(SKINNED_FIBRE, mode=3, mgatp=4.5)),
    # Free Mg++ 0 in mode 2 divides by zero in every row: each row says so.
    ("7,6", dict(SKINNED_FIBRE, mode=2, free_mg=0, mgatp=1)),
]


@pytest.mark.parametrize("targets,inputs", PER_POINT, ids=["mode6", "mode3", "failing"])
@pytest.mark.parametrize("conditions,options", CONDITIONS[:3], ids=["built-in", "set", "all"])
def test_pca_series_equals_the_command_line(targets, inputs, conditions, options):
    rows = quelix.pca_series(targets, **inputs, **conditions)
    run = run_cli([f"--pca={targets}", *cli_args(inputs), *options])
    count = assert_rows_equal(rows, run.stdout)
    assert run.returncode == (1 if any(e is not None for e in rows["error"]) else 0)
    # A list of numbers is the same series as its text.
    assert count == len(rows["pca_target"])
    again = quelix.pca_series(list(rows["pca_target"]), **inputs, **conditions)
    same_columns(again, rows)


STOCKS = [
    ({"total_egta": 10, "total_mg": 5.4, "total_atp": 5},
     {"total_egta": 10, "total_ca": 10, "total_mg": 5, "total_atp": 5}),
    ("total_egta=7,total_mg=5.5,total_atp=5,total_ca=0.028",
     "total_egta=7,total_ca=7,total_mg=5.2,total_atp=5"),
]


@pytest.mark.parametrize("stock_a,stock_b", STOCKS, ids=["mappings", "texts"])
@pytest.mark.parametrize("conditions,options", CONDITIONS[:3], ids=["built-in", "set", "all"])
def test_mixing_table_equals_the_command_line(stock_a, stock_b, conditions, options):
    text = lambda s: s if isinstance(s, str) else ",".join(f"{k}={v}" for k, v in s.items())
    targets = "9,7:5:0.25,4.5,2"  # pCa 2 lies beyond the high-Ca stock
    rows = quelix.mixing_table(targets, stock_a=stock_a, stock_b=stock_b, ph=7.1,
                               ionic_strength=0.16, volume=50, **conditions)
    run = run_cli([f"--pca={targets}", f"--stock-a={text(stock_a)}",
                   f"--stock-b={text(stock_b)}", "--ph=7.1", "--ionic-strength=0.16",
                   "--volume=50", *options])
    assert run.returncode == 1
    assert assert_rows_equal(rows, run.stdout) == 12
    reached = np.array([e is None for e in rows["error"]])
    assert reached[:9].all() and "outside the range" in rows["error"][-1]
    assert np.allclose(rows["volume_a"][reached] + rows["volume_b"][reached], 50, rtol=1e-15)
    assert np.isnan(rows["fraction_b"][~reached]).all()


def test_as_frame_gives_the_same_rows_as_a_data_frame():
    pd = pytest.importorskip("pandas")
    rows = quelix.pca_series("8:5:1", **SKINNED_FIBRE, mode=6, constants="nist-srd46-20c")
    frame = quelix.pca_series("8:5:1", **SKINNED_FIBRE, mode=6, constants="nist-srd46-20c",
                              as_frame=True)
    assert isinstance(frame, pd.DataFrame) and list(frame.columns) == list(rows)
    for name in ("mode", "iterations", "edited_entries"):
        assert str(frame[name].dtype) == "Int64", name
    assert np.array_equal(frame["total_ca"].to_numpy(), rows["total_ca"])
    assert list(frame["constants"]) == ["NIST SRD 46, 20 °C, 0.1 M"] * 4


def test_a_set_file_is_read_as_the_command_line_reads_it(tmp_path):
    path = tmp_path / "lab.json"
    run = run_cli(["--constants=nist-srd46-20c", "--show-constants"], fmt="report")
    assert run.returncode == 0
    bundled = os.path.join(os.environ.get("QUELIX_SOURCE_DIR", ""), "constsets", "sets",
                           "nist-srd46-20c.json")
    path.write_bytes(open(bundled, "rb").read())
    inputs = dict(SKINNED_FIBRE, mode=6, free_ca=1e-3)
    for name in (str(path), path):  # a text or a path object
        result = quelix.calculate(**inputs, constants=name, temperature=30)
        cli = run_cli(cli_args(inputs) + [f"--constants={path}", "--temperature=30"])
        assert result.to_json() + "\n" == cli.stdout
    path.write_text("{")
    with pytest.raises(ValueError) as caught:
        quelix.calculate(constants=path)
    cli = run_cli([f"--constants={path}"])
    assert cli.returncode == 2 and str(caught.value) == cli.stderr.splitlines()[0]


# keyword arguments, exception, the message (exactly, or None)
SERIES_ERRORS = [
    (quelix.pca_series, ("6,5",), {"mode": 0}, ValueError,
     "pca_series(): the mode must be 2 to 6 (a mode that takes free Ca++), not 0"),
    (quelix.pca_series, ("6,5",), {"mode": 6, "free_ca": 1}, TypeError,
     "pca_series(): free_ca cannot be given: each target sets free Ca++ (10 ** (3 - pCa) mM)"),
    (quelix.pca_series, ("6:5:0",), {"mode": 6}, ValueError, None),
    (quelix.pca_series, ([],), {"mode": 6}, ValueError, "pca: no target pCa values"),
    (quelix.pca_series, ([6, float("nan")],), {"mode": 6}, ValueError,
     "pca[1]: 'nan' は浮動小数点数ではありません"),
    (quelix.pca_series, (6.0,), {"mode": 6}, TypeError, None),
    (quelix.pca_series, (), {"mode": 6}, TypeError, None),
    (quelix.pca_series, ("6",), {"mode": 6, "as_frame": 1}, TypeError, None),
    (quelix.pca_series, ("6",), {"mode": 6, "free_mgg": 1}, TypeError, None),
    (quelix.mixing_table, ("6",), {"stock_a": {"total_egta": 1}}, TypeError, None),
    (quelix.mixing_table, ("6",), {"stock_a": "total_egta=1", "stock_b": "total_ca=1",
                                   "total_mg": 2}, TypeError, None),
    (quelix.mixing_table, ("6",), {"stock_a": {"total_egg": 1}, "stock_b": "total_ca=1"},
     ValueError, "stock_a: unknown total 'total_egg'; the totals are total_egta, total_edta, "
     "total_mg, total_ca, total_atp, total_adp, total_po4, and total_<n> of a further ligand "
     "(CrP, BAPTA, DiBrBAPTA, HEDTA, Citrate, ADA, AMP)"),
    (quelix.mixing_table, ("6",), {"stock_a": {"ph": 7}, "stock_b": "total_ca=1"},
     ValueError, "stock_a: the pH and the ionic strength of both stocks come from ph= and "
     "ionic_strength="),
    (quelix.mixing_table, ("6",), {"stock_a": "total_egta=1", "stock_b": {"total_ca": -1}},
     ValueError, "stock_b: total_ca must not be negative"),
    (quelix.mixing_table, ("6",), {"stock_a": "", "stock_b": "total_ca=1", "volume": 0},
     ValueError, "volume must be a positive number, not 0"),
    (quelix.mixing_table, ("6",), {"stock_a": ["total_ca"], "stock_b": "total_ca=1"},
     TypeError, None),
    (quelix.calculate, (), {"constants": "nist"}, ValueError,
     "constants: 'nist': no bundled set has this name (builtin, nist-srd46-20c; see "
     "quelix.constant_sets()) and there is no such file."),
    (quelix.calculate, (), {"constants": 3}, TypeError, None),
    (quelix.calculate, (), {"temperature": 120}, ValueError, None),
    (quelix.calculate, (), {"temperature": "warm"}, ValueError,
     "temperature: 'warm' は浮動小数点数ではありません"),
    (quelix.calculate, (), {"ph_scale": "meter"}, ValueError,
     "ph_scale must be concentration or activity, not 'meter'"),
    (quelix.calculate, (), {"ph_scale": None}, TypeError, None),
    (quelix.calculate_many, (), {"ph": [7], "temperature": -5}, ValueError, None),
]


@pytest.mark.parametrize("function,args,kwargs,error,message", SERIES_ERRORS,
                         ids=[f"{c[0].__name__}{c[2]}" for c in SERIES_ERRORS])
def test_bad_arguments_of_series_and_conditions_raise_clearly(function, args, kwargs, error,
                                                               message):
    with pytest.raises(error) as caught:
        function(*args, **kwargs)
    if message is not None:
        assert str(caught.value) == message


def test_the_temperature_range_is_the_command_lines():
    with pytest.raises(ValueError) as caught:
        quelix.calculate(temperature=120)
    run = run_cli(["--temperature=120"])
    assert run.returncode == 2
    assert "--" + str(caught.value) == run.stderr.splitlines()[0]
    assert quelix.calculate(temperature=0).temperature_c == 0
    assert quelix.calculate(temperature=100).temperature_c == 100


def test_constant_sets_lists_what_constants_accepts():
    sets = quelix.constant_sets()
    assert [s["id"] for s in sets] == ["builtin", "nist-srd46-20c"]
    for s in sets:
        by_id = quelix.calculate(constants=s["id"])
        assert by_id.constants == s["name"] == quelix.calculate(constants=s["name"]).constants
        assert s["description"]
    # The built-in set named is the default, and its record stays the default record.
    assert quelix.calculate(constants="builtin").to_json() == quelix.calculate().to_json()


def test_targets_and_volumes_beyond_sense_are_refused_and_a_missed_end_warns():
    import warnings
    with pytest.raises(ValueError, match=r"pca\[1\]: a target pCa must lie between -2 and 20"):
        quelix.pca_series([6, 25], mode=6)
    with pytest.raises(ValueError, match="'-3': a target pCa must lie between -2 and 20"):
        quelix.pca_series("6,-3", mode=6)
    with pytest.raises(ValueError, match="must not be above 1e9"):
        quelix.mixing_table("6", stock_a={"total_egta": 7},
                            stock_b={"total_egta": 7, "total_ca": 7}, volume=2e9)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        rows = quelix.pca_series("6.5:5.5:0.3", mode=6)
    assert list(rows["pca_target"]) == [6.5, 6.2, 5.9, 5.6]
    assert [str(w.message) for w in caught] == [
        "pca: pCa list item '6.5:5.5:0.3': the steps do not land on TO (5.5); the range ends "
        "at 5.6."]
    assert caught[0].category is quelix.QuelixWarning
