# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""Shared by the tests of the Python module: the built quelix-cli, and recipes in every
mode, among them recipes that fail in each way the engine can fail."""

import decimal
import math
import os
import random
import subprocess

import pytest

import quelix

CLI = os.environ.get("QUELIX_CLI", "")
SOURCE_DIR = os.environ.get(
    "QUELIX_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))

# Each one makes a recipe fail: mode (or None for the recipe's own), the inputs it sets,
# the binding constants, the engine's message. Whether negative totals keep the bracketing
# from closing depends on the other inputs, so that case is a whole recipe: the defaults
# with a negative total Mg.
FAILURES = [
    (None, {"ionic_strength": -0.1}, None, "The ionic strength must not be negative."),
    ("defaults", {"mode": 0, "total_mg": -5.0}, None, "The calculation did not converge."),
    (2, {"free_mg": 0, "mgatp": 1}, None, "0 による浮動小数点数除算"),
    (5, {"free_ca": 0, "mgatp": 0, "caatp": 0}, None, "不正な浮動小数点数演算命令"),
    (None, {"ionic_strength": 1e300}, None, "浮動小数点数のオーバーフロー"),
    (None, {}, {"ATP-Mg:0": 5000}, "浮動小数点数のオーバーフロー"),
]


def cli_text(value):
    """The command-line text of a Python number, as the module reads it."""
    return repr(value) if isinstance(value, float) else str(value)


def cli_args(inputs, const=None):
    args = [f"--{name.replace('_', '-')}={cli_text(value)}" for name, value in inputs.items()]
    for key, value in (const or {}).items():
        args.append(f"--const={key}={cli_text(value)}")
    return args


def run_cli(args, fmt="json"):
    if not CLI:
        pytest.fail("QUELIX_CLI must name the built quelix-cli")
    return subprocess.run([CLI, *args, f"--format={fmt}"], capture_output=True, text=True)


def recipe(rng, mode):
    """A recipe of mode `mode`: physiological values, as typed (few digits), computed
    (full double precision), or given as int, Decimal or text."""
    def typed(lo, hi, digits=4):
        return float(f"{rng.uniform(lo, hi):.{digits}g}")
    r = {
        "mode": mode,
        "ph": typed(6.5, 7.5),
        "ionic_strength": typed(0.1, 0.25),
        "total_egta": typed(0, 10) if rng.random() < 0.7 else 0,
        "total_edta": typed(0.01, 1) if rng.random() < 0.3 else 0,
        "total_mg": typed(0.5, 10),
        "total_ca": typed(0, 10),
        "total_atp": typed(0, 8),
        "total_adp": typed(0.01, 2) if rng.random() < 0.4 else 0,
        "total_po4": typed(0.1, 10) if rng.random() < 0.4 else 0,
        "free_mg": typed(0.1, 3),
        "free_ca": 10 ** (3 - rng.uniform(4, 8)),  # pCa 4 to 8, a computed float
        "mgatp": typed(0.1, 5),
        "caatp": 10 ** rng.uniform(-6, -2),
        "mgadp": typed(0.01, 0.5),
        "caadp": 10 ** rng.uniform(-6, -2),
    }
    kind = rng.randrange(6)
    if kind == 0:
        r["total_atp"] = rng.randrange(1, 9)
    elif kind == 1:
        r["total_egta"] = decimal.Decimal(f"{rng.uniform(1, 10):.3f}")
    elif kind == 2:
        r["free_mg"] = f"{rng.uniform(0.1, 3):.5f}"
    return r


def recipes(count, seed, failing_every=9, const_every=0):
    """(inputs, const, expected failure message or None) for `count` recipes in every mode."""
    rng = random.Random(seed)
    out = []
    for i in range(count):
        inputs = recipe(rng, i % 7)
        const = None
        failure = None
        if const_every and i % const_every == 3:
            const = {"EGTA-Ca:0": round(rng.uniform(10.3, 10.9), 3), "ATP-Mg:0": 4.1}
        if failing_every and i % failing_every == 4:
            mode, changes, const_change, failure = FAILURES[(i // failing_every) % len(FAILURES)]
            if mode == "defaults":
                inputs = {}
            elif mode is not None:
                inputs["mode"] = mode
            inputs.update(changes)
            const = const_change or const
        out.append((inputs, const, failure))
    return out


def same_float(a, b):
    """a equals b, NaN equal to NaN."""
    both_nan = isinstance(a, float) and isinstance(b, float) and math.isnan(a) and math.isnan(b)
    return a == b or both_nan
