# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""Bad arguments raise the documented exceptions, with quelix-cli's message where the
command line has one for the same mistake."""

import decimal
import re

import pytest

import quelix
from conftest import run_cli

# keyword arguments, exception, the message (exactly), the command line of the same mistake
CASES = [
    ({"ph": float("nan")}, ValueError, "ph: 'nan' は浮動小数点数ではありません", ["--ph=nan"]),
    ({"free_ca": float("-inf")}, ValueError, "free_ca: '-inf' は浮動小数点数ではありません",
     ["--free-ca=-inf"]),
    ({"ph": "7,2"}, ValueError, "ph: '7,2' は浮動小数点数ではありません", ["--ph=7,2"]),
    ({"total_mg": "1e5000"}, ValueError, "total_mg: '1e5000' is out of range: numbers must lie "
     "within about -1.19e4932 to 1.19e4932", ["--total-mg=1e5000"]),
    ({"ph": decimal.Decimal("NaN")}, ValueError, "ph: 'NaN' は浮動小数点数ではありません",
     ["--ph=NaN"]),
    ({"mode": 7}, ValueError, "mode: '7' is not a calculation mode (0 to 6)", ["--mode=7"]),
    ({"mode": 2.5}, ValueError, "mode: '2.5' is not a calculation mode (0 to 6)",
     ["--mode=2.5"]),
    ({"mode": -1}, ValueError, "mode: '-1' is not a calculation mode (0 to 6)", ["--mode=-1"]),
    ({"const": {"ATP-Mg:9": 4.1}}, ValueError,
     "--const ATP-Mg:9=4.1: the step must be 0, 1, 2 or 3", ["--const=ATP-Mg:9=4.1"]),
    ({"const": {"ATP-Na:0": 4.1}}, ValueError,
     "--const ATP-Na:0=4.1: the row must be one of ATP-H ... PO4-Ca", ["--const=ATP-Na:0=4.1"]),
    ({"const": {"ATP-Mg": 4.1}}, ValueError,
     "--const ATP-Mg=4.1: expected ROW:STEP=VALUE, for example ATP-Mg:0=4.1",
     ["--const=ATP-Mg=4.1"]),
    ({"const": {"ATP-Mg:0": "4,1"}}, ValueError,
     "--const ATP-Mg:0=4,1: '4,1' は浮動小数点数ではありません", ["--const=ATP-Mg:0=4,1"]),
    ({"ionic_strength": -0.1}, quelix.CalculationError,
     "The ionic strength must not be negative.", ["--ionic-strength=-0.1"]),
    ({"mode": 2, "free_mg": 0, "mgatp": 1}, quelix.CalculationError, "0 による浮動小数点数除算",
     ["--mode=2", "--free-mg=0", "--mgatp=1"]),
    ({"free_mgg": 1}, TypeError,
     "calculate() got an unexpected keyword argument 'free_mgg' (the inputs are mode, ph, "
     "ionic_strength, total_egta, total_edta, total_mg, total_ca, total_atp, total_adp, "
     "total_po4, free_mg, free_ca, mgatp, caatp, mgadp, caadp; and const, constants, "
     "temperature, ph_scale)", None),
    ({"pca": 6}, TypeError, None, None),
    ({"ph": None}, TypeError, "ph: expected a number (int, float, Decimal or numeric text), "
     "got NoneType", None),
    ({"ph": [7.0]}, TypeError, None, None),
    ({"mode": True}, TypeError, "mode: expected a number, got a bool", None),
    ({"const": "ATP-Mg:0=4.1"}, TypeError, None, None),
    ({"const": {0: 4.1}}, TypeError, None, None),
    ({"workers": 2}, TypeError, None, None),
]


@pytest.mark.parametrize("kwargs,error,message,cli", CASES, ids=[str(c[0]) for c in CASES])
def test_bad_arguments_raise_with_the_command_lines_message(kwargs, error, message, cli):
    with pytest.raises(error) as caught:
        quelix.calculate(**kwargs)
    if message is not None:
        assert str(caught.value) == message
    if cli is not None:
        run = run_cli(cli)
        assert run.returncode in (1, 2)
        # The command line names its option ("--free-ca: ..."), Python its keyword.
        line = re.sub(r"^--([a-z-]+): ", lambda m: m.group(1).replace("-", "_") + ": ",
                      run.stderr.splitlines()[0])
        assert line in str(caught.value)


def test_calculation_errors_are_value_errors_and_not_argument_checks():
    assert issubclass(quelix.CalculationError, ValueError)
    with pytest.raises(ValueError):
        quelix.calculate(ionic_strength=-0.1)
    # The mode's results are computed, whatever was given for them: as the command line.
    assert quelix.calculate(mode=0, free_ca=123.0).free_ca != 123.0


def test_positional_arguments_are_refused():
    with pytest.raises(TypeError, match="keyword arguments only"):
        quelix.calculate(0, 8.0)


def test_numpy_scalars_count_as_the_python_numbers_they_stand_for():
    import numpy as np
    same = [({"ph": np.float64(7.1)}, {"ph": 7.1}),
            ({"total_atp": np.int64(5)}, {"total_atp": 5}),
            ({"mode": np.int32(6)}, {"mode": 6}),
            ({"total_mg": np.float32(2.5)}, {"total_mg": 2.5}),
            ({"free_ca": np.array(0.001)}, {"free_ca": 0.001})]
    for numpy_kwargs, python_kwargs in same:
        assert (quelix.calculate(**numpy_kwargs).to_json()
                == quelix.calculate(**python_kwargs).to_json()), numpy_kwargs
    with pytest.raises(TypeError, match="bool"):
        quelix.calculate(mode=np.bool_(True))


def test_numpy_long_doubles_are_read_at_their_own_precision_everywhere():
    import numpy as np
    if np.finfo(np.longdouble).nmant != 63:
        pytest.skip("this platform's long double is not the engine's extended real")
    ph = np.longdouble("7.1234567890123456789")  # more digits than a double holds
    record = quelix.calculate(ph=ph).to_json()
    assert '"ph":7.123456789012345679,' in record
    assert record + "\n" == run_cli(["--ph=7.1234567890123456789"]).stdout
    # Every keyword, every call; a long double's item() is itself.
    assert quelix.calculate(mode=np.longdouble(6), free_ca=np.longdouble(0.001)).mode == 6
    assert quelix.calculate(temperature=np.longdouble(25)).ph == 8
    assert quelix.calculate_many(ph=np.array([7, 8], dtype=np.longdouble))["error"].tolist() \
        == [None, None]
    series = quelix.pca_series("6", mode=np.longdouble(6), total_egta=np.longdouble(2))
    assert series["error"].tolist() == [None]
    with pytest.raises(ValueError, match="'nan'"):
        quelix.calculate(ph=np.longdouble("nan"))
    with pytest.raises(TypeError, match="complex"):
        quelix.calculate(ph=np.clongdouble(7))


def test_a_nul_in_a_set_files_name_is_refused_not_cut(tmp_path):
    lab = tmp_path / "lab.json"
    lab.write_text('{"format": "quelix constant set", "version": 1, "name": "Lab", '
                   '"reference_temperature_c": 20, "reference_ionic_strength_m": 0.1, '
                   '"entries": [{"row": "EGTA-Ca", "step": 0, "log10_k": 11, "source": "x"}]}')
    assert quelix.calculate(constants=str(lab)).constants == "Lab"
    with pytest.raises(ValueError, match="NUL"):
        quelix.calculate(constants=str(lab) + "\x00junk")
