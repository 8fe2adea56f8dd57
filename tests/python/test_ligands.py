# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""Further ligands in the Python module: ligands= and the columns total_<n> give what
quelix-cli's --ligand and batch columns give, and the stocks of a mixing table mix them."""

import json
import math

import pytest

import quelix
from conftest import run_cli

RELAXING = dict(mode=2, ph=7, ionic_strength=0.18, total_egta=7, free_mg=1, free_ca=1e-6,
                mgatp=4)
CLI_RELAXING = ["--mode=2", "--ph=7", "--ionic-strength=0.18", "--total-egta=7", "--free-mg=1",
                "--free-ca=1e-06", "--mgatp=4"]


def test_ligands_give_the_command_lines_record_byte_for_byte():
    result = quelix.calculate(**RELAXING, ligands={"CrP": 14.5, "BAPTA": 0.5})
    cli = run_cli(CLI_RELAXING + ["--ligand=CrP=14.5", "--ligand=BAPTA=0.5"])
    assert cli.returncode == 0, cli.stderr
    assert result.to_json() + "\n" == cli.stdout
    record = result.to_dict()
    assert list(record)[-10:] == ["total_bapta", "free_bapta", "hbapta", "h2bapta", "h3bapta",
                                  "h4bapta", "mgbapta", "mghbapta", "cabapta", "cahbapta"]
    assert result.mgcrp == record["mgcrp"] > 0.19
    # Creatine phosphate's species hold its total.
    species = [record[k] for k in record if k.endswith("crp") and k != "total_crp"]
    assert math.isclose(sum(species), 14.5, rel_tol=1e-12)


def test_a_column_total_crp_and_ligands_agree_row_by_row():
    table = quelix.calculate_many({"total_crp": [14.5, 0.0, 5]}, **RELAXING)
    for row, total in enumerate([14.5, 0.0, 5]):
        single = quelix.calculate(**RELAXING, ligands={"CrP": total})
        assert table["total_mg"][row] == single.total_mg
        assert table["mgcrp"][row] == single.mgcrp
    scalar = quelix.calculate_many(free_ca=[1e-6, 1e-3], **{k: v for k, v in RELAXING.items()
                                                            if k != "free_ca"},
                                   ligands={"CrP": 14.5})
    assert list(scalar)[-8:] == ["total_crp", "free_crp", "hcrp", "h2crp", "mgcrp", "mghcrp",
                                 "cacrp", "cahcrp"]
    assert scalar["cacrp"][1] > scalar["cacrp"][0]


@pytest.mark.parametrize("kwargs, error, text", [
    ({"ligands": {"Creatine": 1}}, ValueError,
     "ligands: no further ligand is named 'Creatine'; the known ones are CrP, BAPTA"),
    ({"ligands": {"CrP": 1, "crp": 2}}, ValueError, "ligands: crp is given twice."),
    ({"ligands": {"CrP": "1,5"}}, ValueError, "ligands['CrP']: '1,5' は浮動小数点数ではありません"),
    ({"ligands": {"CrP": True}}, TypeError, ""),
    ({"ligands": ["CrP"]}, TypeError, "ligands: expected a mapping"),
    ({"ligands": {"CrP": 1, "BAPTA": 1, "HEDTA": 1, "ADA": 1, "AMP": 1}}, ValueError,
     "at most 4 further ligands"),
])
def test_unusable_ligands_are_refused_with_the_command_lines_words(kwargs, error, text):
    with pytest.raises(error) as raised:
        quelix.calculate(**kwargs)
    assert text in str(raised.value)


def test_a_mixing_table_mixes_the_stocks_further_ligands_as_the_command_line_does():
    a = {"total_egta": 7, "total_mg": 5.4, "total_atp": 4.74, "total_crp": 14.5}
    b = {"total_egta": 7, "total_mg": 5.3, "total_atp": 4.74, "total_ca": 7, "total_crp": 10}
    table = quelix.mixing_table([9, 6], stock_a=a, stock_b=b, ph=7, ionic_strength=0.18)
    cli = run_cli(["--ph=7", "--ionic-strength=0.18", "--pca=9,6",
                   "--stock-a=" + ",".join(f"{k}={v}" for k, v in a.items()),
                   "--stock-b=" + ",".join(f"{k}={v}" for k, v in b.items())])
    assert cli.returncode == 0, cli.stderr
    for row, line in enumerate(cli.stdout.splitlines()):
        expected = json.loads(line)
        assert table["total_crp"][row] == pytest.approx(expected["total_crp"], rel=1e-15)
        assert table["mgcrp"][row] == pytest.approx(expected["mgcrp"], rel=1e-15)
    with pytest.raises(TypeError, match="ligands= does not apply to a mixing table"):
        quelix.mixing_table([9], stock_a=a, stock_b=b, ligands={"CrP": 1})
    per_point = quelix.pca_series([9, 6], mode=6, ph=7, ionic_strength=0.18, total_egta=7,
                                  total_mg=5.4, total_atp=4.74, ligands={"CrP": 14.5})
    assert per_point["total_crp"][1] == 14.5
