# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# A notebook in cells (# %%): run it whole with python3, or cell by cell in an editor that
# knows the cell marks. From a build tree:
#   PYTHONPATH=build/python /usr/bin/python3 docs/python-example.py

# %% One recipe: a pCa 6 buffer with 10 mM EGTA, 5 mM ATP and 5 mM total Mg at pH 7.0, 0.15 M.
import quelix

r = quelix.calculate(mode=6, ph=7.0, ionic_strength=0.15, total_egta=10, total_mg=5,
                     total_atp=5, free_ca=0.001)
print(f"total Ca {r.total_ca:.4f} mM, free Mg++ {r.free_mg:.4f} mM, pCa {r.pca:.3f}")
print(r.report)

# %% The digits quelix-cli prints, as exact decimals.
import decimal
import json

exact = json.loads(r.to_json(), parse_float=decimal.Decimal)
print("total Ca:", exact["total_ca"], "mM")

# %% A pCa ladder from pCa 9 to 4.5 in the same solution: mode 6 prescribes the free Ca++
# of each target (10 ** (3 - pCa) mM) and computes the total Ca that gives it.
ladder = quelix.pca_series("9:4.5:0.25", mode=6, ph=7.0, ionic_strength=0.15, total_egta=10,
                           total_mg=5, total_atp=5)
pca = ladder["pca_target"]
for p, ca, mg, mgatp in zip(pca, ladder["total_ca"], ladder["free_mg"], ladder["mgatp"]):
    print(f"pCa {p:4.2f}  total Ca {ca:7.4f} mM  free Mg++ {mg:6.4f} mM  MgATP {mgatp:6.4f} mM")

# %% The same ladder mixed from two stocks, Ca-free and Ca-saturated: how much of each to
# pipette for 1 ml (1000 ul) of every solution.
mix = quelix.mixing_table("9,7:5:0.5,4.5", ph=7.0, ionic_strength=0.15, volume=1000,
                          stock_a={"total_egta": 10, "total_mg": 5.4, "total_atp": 5},
                          stock_b={"total_egta": 10, "total_ca": 10, "total_mg": 5,
                                   "total_atp": 5})
for p, a, b, mg, error in zip(mix["pca_target"], mix["volume_a"], mix["volume_b"],
                              mix["free_mg"], mix["error"]):
    print(f"pCa {p:4.2f}  " + (error or f"A {a:6.1f} ul + B {b:6.1f} ul, free Mg++ {mg:.4f} mM"))

# %% The same buffer with a literature constant set, at 37 °C, with pH read from a meter.
print([s["id"] for s in quelix.constant_sets()])
warm = quelix.calculate(mode=6, ph=7.0, ionic_strength=0.15, total_egta=10, total_mg=5,
                        total_atp=5, free_ca=0.001, constants="nist-srd46-20c",
                        temperature=37, ph_scale="activity")
print(f"total Ca {warm.total_ca:.4f} mM ({warm.constants}, {warm.temperature_c:g} °C, "
      f"{warm.uncorrected_entries} entries not corrected, pcH {warm.pch:.3f})")

# %% Plot it, if matplotlib is installed: the Ca to add, and how free Mg++ and MgATP drift.
try:
    import matplotlib.pyplot as plt
except ImportError:
    plt = None
if plt is not None:
    fig, ax = plt.subplots(figsize=(6.4, 4))
    ax.plot(pca, ladder["total_ca"], "o-", color="tab:blue", label="total Ca")
    ax.set_xlabel("pCa")
    ax.set_ylabel("total Ca (mM)")
    ax.invert_xaxis()
    right = ax.twinx()
    right.plot(pca, ladder["free_mg"], "s--", color="tab:green", label="free Mg++")
    right.plot(pca, ladder["mgatp"], "^--", color="tab:red", label="MgATP")
    right.set_ylabel("free Mg++, MgATP (mM)")
    fig.legend(loc="upper left", bbox_to_anchor=(0.12, 0.88))
    fig.tight_layout()
    fig.savefig("python-pca-ladder.png", dpi=100)

# %% A table of recipes as a DataFrame (pandas, if installed): its columns are named like
# the inputs, the keywords give what all rows share, and a row that cannot be computed
# says why while the others are computed.
try:
    import pandas as pd
except ImportError:
    pd = None
if pd is not None:
    recipes = pd.DataFrame(
        {"ph": [6.8, 7.0, 7.2, 7.0], "free_ca": [1e-3, 1e-3, 1e-3, float("nan")]},
        index=["A", "B", "C", "D"])
    results = quelix.calculate_many(recipes, mode=6, ionic_strength=0.15, total_egta=10,
                                    total_mg=5, total_atp=5)
    print(results[["ph", "total_ca", "free_mg", "pca", "error"]])

# %% What goes wrong is said plainly.
try:
    quelix.calculate(ionic_strength=-0.1)
except quelix.CalculationError as e:
    print("CalculationError:", e)
try:
    quelix.calculate(ph="7,2")
except ValueError as e:
    print("ValueError:", e)
