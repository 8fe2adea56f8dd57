# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""calculate_many: every row as calculate() gives it, on all cores, with the interpreter's
lock released, from NumPy arrays, lists and DataFrames."""

import decimal
import math
import os
import subprocess
import threading
import time

import numpy as np
import pandas as pd
import pytest

import quelix
from conftest import CLI, same_float

# Fewer under the sanitizers, which look for memory errors, not for scale.
ROWS = int(os.environ.get("QUELIX_TEST_ROWS", 100_000))


def generated_columns(n, seed):
    """n recipes cycling through the modes; about one in 50 fails (a negative ionic
    strength, zeros that divide in mode 2)."""
    rng = np.random.default_rng(seed)
    ionic = np.round(rng.uniform(0.1, 0.25, n), 4)
    ionic[rng.random(n) < 0.01] = -0.1
    mode = np.arange(n) % 7
    free_mg = np.round(rng.uniform(0.1, 3, n), 4)
    free_mg[(mode == 2) & (rng.random(n) < 0.05)] = 0.0
    return {
        "mode": mode,
        "ph": np.round(rng.uniform(6.5, 7.5, n), 3),
        "ionic_strength": ionic,
        "total_egta": np.where(rng.random(n) < 0.7, np.round(rng.uniform(0, 10, n), 3), 0.0),
        "total_mg": np.round(rng.uniform(0.5, 10, n), 3),
        "total_ca": np.round(rng.uniform(0, 10, n), 3),
        "total_atp": np.round(rng.uniform(0, 8, n), 3),
        "total_adp": np.where(rng.random(n) < 0.4, np.round(rng.uniform(0.01, 2, n), 3), 0.0),
        "free_mg": free_mg,
        "free_ca": 10.0 ** (3 - rng.uniform(4, 8, n)),
        "mgatp": np.round(rng.uniform(0.1, 5, n), 3),
        "caatp": 10.0 ** rng.uniform(-6, -2, n),
        "mgadp": np.round(rng.uniform(0.01, 0.5, n), 3),
    }


@pytest.fixture(scope="module")
def many():
    columns = generated_columns(ROWS, seed=1)
    return columns, quelix.calculate_many(columns)


def test_every_row_equals_calculate(many):
    columns, out = many
    assert list(out) == list(quelix.COLUMNS)
    assert all(len(values) == ROWS for values in out.values())
    failures = 0
    for i in range(ROWS):
        inputs = {name: values[i].item() for name, values in columns.items()}
        try:
            expected = quelix.calculate(**inputs).to_dict()
        except quelix.CalculationError as e:
            failures += 1
            assert out["error"][i] == str(e), i
            assert math.isnan(out["free_atp"][i]) and math.isnan(out["iterations"][i]), i
            assert out["ph"][i] == inputs["ph"], i  # the inputs stay
            continue
        for name, value in expected.items():
            got = out[name][i]
            if value is None:
                assert got is None if name == "error" else math.isnan(got), (i, name)
            else:
                assert got == value, (i, name, got, value)
    assert ROWS / 200 < failures < ROWS / 20


def test_other_threads_run_while_rows_are_computed():
    columns = generated_columns(ROWS, seed=2)
    beats = []
    done = threading.Event()

    def heartbeat():
        while not done.is_set():
            beats.append(time.perf_counter())
            time.sleep(0.001)

    thread = threading.Thread(target=heartbeat)
    thread.start()
    time.sleep(0.02)
    start = time.perf_counter()
    quelix.calculate_many(columns)
    end = time.perf_counter()
    done.set()
    thread.join()
    during = [t for t in beats if start <= t <= end]
    gaps = np.diff([start, *during, end])
    # Holding the lock while computing would stop the heartbeat for the whole call.
    assert len(during) >= 10, (len(during), end - start)
    assert gaps.max() < (end - start) / 2, (gaps.max(), end - start)


def test_worker_counts_agree():
    columns = generated_columns(3000, seed=3)
    one = quelix.calculate_many(columns, workers=1)
    three = quelix.calculate_many(columns, workers=3)
    for name in quelix.COLUMNS:
        assert all(same_float(a, b) for a, b in zip(one[name], three[name])), name


def test_scalars_broadcast_and_lists_of_texts_and_decimals_are_read_as_the_cli_does():
    out = quelix.calculate_many(mode=6, ph=7, ionic_strength="0.15", total_egta=10,
                                total_mg=5, total_atp=5,
                                free_ca=[0.001, "1e-3", decimal.Decimal("0.0010"), "1E-3"])
    single = quelix.calculate(mode=6, ph=7, ionic_strength=0.15, total_egta=10, total_mg=5,
                              total_atp=5, free_ca=0.001)
    assert len(out["total_ca"]) == 4
    assert list(out["total_ca"]) == [single.total_ca] * 4
    assert list(out["pca"]) == [6.0] * 4


def test_a_row_that_cannot_be_read_carries_its_message_and_the_others_are_computed():
    out = quelix.calculate_many(
        mode=[6, 6, 6, 7, 2.5, 6, 6],
        free_ca=[0.001, float("nan"), "7,2", 0.001, 0.001, None, float("inf")])
    assert list(out["error"]) == [
        None,
        "free_ca: 'nan' は浮動小数点数ではありません",
        "free_ca: '7,2' は浮動小数点数ではありません",
        "mode: '7' is not a calculation mode (0 to 6)",
        "mode: '2.5' is not a calculation mode (0 to 6)",
        "free_ca: 'None' は浮動小数点数ではありません",
        "free_ca: 'inf' は浮動小数点数ではありません",
    ]
    assert out["pca"][0] == 6.0
    # What could not be read is null; what could is echoed.
    assert math.isnan(out["free_ca"][1]) and out["free_ca"][3] == 0.001
    assert math.isnan(out["mode"][3]) and out["mode"][1] == 6


def test_numeric_arrays_with_nan_fail_only_their_rows():
    free_ca = np.array([0.001, np.nan, 0.01])
    out = quelix.calculate_many(mode=np.array([6.0, 6.0, np.nan]), free_ca=free_ca)
    assert out["error"][0] is None
    assert out["error"][1] == "free_ca: 'nan' は浮動小数点数ではありません"
    assert out["error"][2] == "mode: 'nan' is not a calculation mode (0 to 6)"


def test_bools_are_refused_and_masked_values_fail_their_rows():
    # A bool is no number here either, as in calculate(); NumPy would read it as 0 or 1.
    for kwargs in ({"ph": [7, True]}, {"mode": 6, "free_ca": [0.001, False]},
                   {"mode": 6, "free_ca": (0.001, np.False_)}, {"ph": [7, "8", True]}):
        with pytest.raises(TypeError, match="expected a number, got a bool"):
            quelix.calculate_many(**kwargs)
    cases = [
        ({"ph": np.ma.masked_array([7.0, 8.0], mask=[False, True])}, "ph: the value is masked"),
        ({"mode": np.ma.masked_array([6, 2], mask=[0, 1]), "free_ca": 0.001},
         "mode: the value is masked"),
        ({"ph": np.ma.masked_array(["7", "8"], mask=[0, 1])}, "ph: the value is masked"),
    ]
    for kwargs, message in cases:
        out = quelix.calculate_many(**kwargs)
        assert list(out["error"]) == [None, message], kwargs
        # The first row is computed as alone, the second row not at all.
        single = {k: v[0] for k, v in kwargs.items() if not np.isscalar(v)}
        single.update({k: v for k, v in kwargs.items() if np.isscalar(v)})
        assert out["total_ca"][0] == quelix.calculate(**single).total_ca, kwargs
        assert math.isnan(out["iterations"][1]), kwargs


def test_a_dataframe_gives_a_dataframe_that_can_be_given_back():
    frame = pd.DataFrame(
        {" Free_Ca ": [1e-3, 1e-4, -1.0], "MODE": [6, 6, 6], "total_egta": [10, 10, 10]},
        index=["a", "b", "c"])
    out = quelix.calculate_many(frame, ph=7.0, ionic_strength=0.15)
    assert isinstance(out, pd.DataFrame)
    assert list(out.index) == ["a", "b", "c"] and list(out.columns) == list(quelix.COLUMNS)
    assert str(out["iterations"].dtype) == "Int64" and str(out["mode"].dtype) == "Int64"
    assert out.loc["a", "pca"] == 6.0
    # Its result columns are ignored when it comes back, as a batch file's are.
    again = quelix.calculate_many(out)
    pd.testing.assert_frame_equal(again, out)


def test_table_and_keyword_mistakes_are_refused_before_any_row_is_computed():
    cases = [
        (({"sample": [1]},), {}, ValueError, "Unknown column 'sample'"),
        ((pd.DataFrame({"ph": [7], "PH": [7]}),), {}, ValueError, "'ph' appears twice"),
        (({"ph": [7]},), {"ph": 7}, TypeError, "'ph' both"),
        ((), {"ph": [7, 7], "free_ca": [1, 1, 1]}, ValueError, "ph has 2 rows, free_ca has 3"),
        ((pd.DataFrame({"ph": [7, 7]}),), {"free_ca": [1, 1, 1]}, ValueError,
         "the data has 2 rows, free_ca has 3"),
        ((), {"ph": np.ones((2, 2))}, ValueError, "ph: expected one value per row"),
        ((), {"ph": [True, False]}, TypeError, "ph: expected numbers, got an array of bool"),
        ((), {"ph": [[7]] * 2 + [7]}, TypeError, "ph: expected a number"),
        ((), {"pca": [6]}, TypeError, "'pca' is a result, not an input"),
        ((), {"workers": 0}, ValueError, "workers"),
        (([1, 2],), {}, TypeError, "data must be a pandas DataFrame or a mapping"),
        (({}, {}), {}, TypeError, "one positional argument"),
    ]
    for args, kwargs, error, message in cases:
        with pytest.raises(error, match=message):
            quelix.calculate_many(*args, **kwargs)


def test_no_rows_give_empty_columns():
    out = quelix.calculate_many(free_ca=np.array([]))
    assert all(len(values) == 0 for values in out.values())
    assert len(quelix.calculate_many()["pca"]) == 1  # scalars only: one row


def test_ctrl_c_stops_a_long_run_at_once():
    import os
    import signal
    import threading
    import time
    rows = 400000  # about two seconds on one core
    ph = np.full(rows, 7.0)
    sent = []
    # How long the whole run would take here (a sanitized build runs many times slower).
    probe = time.monotonic()
    quelix.calculate_many(ph=ph[:rows // 40], workers=1)
    whole = (time.monotonic() - probe) * 40

    def interrupt():
        time.sleep(0.2)
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Thread(target=interrupt)
    timer.start()
    started = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        quelix.calculate_many(ph=ph, workers=1)
    stopped = time.monotonic()
    timer.join()
    assert sent, "the run ended before the interrupt"
    # Within a fifth of a second on an idle machine (the calling thread looks every 64
    # rows); the bound leaves room for a busy or sanitized one, and is still far below the
    # whole run.
    assert stopped - sent[0] < max(0.8, whole / 4), (stopped - sent[0], whole)
    # The module is usable again afterwards.
    assert list(quelix.calculate_many(ph=[7.0, 8.0])["error"]) == [None, None]


def test_warnings_are_a_batch_runs_with_rows_counted_from_zero():
    import re
    import warnings
    columns = {"ph": [7, 20, 21], "free_ca": [1, 1, 1], "total_mg": [2, -1, 2]}
    scalars = {"ionic_strength": 0.15, "mgatp": 1}
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        quelix.calculate_many(**columns, **scalars)
    assert caught and all(w.category is quelix.QuelixWarning for w in caught)
    text = ",".join(columns) + "\n" + "".join(
        ",".join(str(v[i]) for v in columns.values()) + "\n" for i in range(3))
    run = subprocess.run(
        [CLI, "--batch", "-", *[f"--{k.replace('_', '-')}={v}" for k, v in scalars.items()]],
        input=text, capture_output=True, text=True)
    expected = [re.sub(r"row (\d+)", lambda m: f"row {int(m.group(1)) - 1}",
                       re.sub(r"--([a-z0-9-]+)", lambda m: m.group(1).replace("-", "_"),
                              line[len("warning: "):]))
                for line in run.stderr.splitlines() if line.startswith("warning: ")]
    assert [str(w.message) for w in caught] == expected
    assert any("no row used mgatp" in line for line in expected)
