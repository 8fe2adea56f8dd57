# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""Equilibrium concentrations of free Mg++ and Ca++, of ATP, EGTA, EDTA, ADP and phosphate
and of their complexes: the calculation of quelix-cli for scripts and notebooks.

Units as in quelix-cli and the window: concentrations in mM, ionic strength in M, binding
constants as log10 K at 0.1 M. Numbers are read as quelix-cli reads its options, at full
extended precision (a float as the decimal number it prints as: ph=7.1 is --ph 7.1).
"""

import os
from decimal import Decimal
from typing import Any, Literal, Mapping, Sequence, overload

import numpy
import numpy.typing
import pandas

__version__: str

#: A number as quelix-cli reads it: int, float, Decimal, or text by the entry fields' rule.
Number = int | float | Decimal | str
#: One value per row: a NumPy array, a list, a pandas Series.
Column = Sequence[Any] | numpy.typing.ArrayLike
#: "ROW:STEP" (ATP-H ... PO4-Ca, step 0..3) to log10 K at 0.1 M; a value <= 0 removes the step.
ConstEdits = Mapping[str, Number]
#: A bundled constant set by its id or name (constant_sets()), or the path of a set file.
ConstantSet = str | os.PathLike[str]
#: How pH is read: "concentration" (-log10 [H+]) or "activity" (a meter reading).
PhScale = Literal["concentration", "activity"]
#: The seven totals of a stock in mM, {"total_egta": 10, "total_mg": 5.4}, or the text
#: "total_egta=10,total_mg=5.4"; a total not named is 0.
Stock = Mapping[str, Number] | str
#: Target pCa values: numbers, or a text "9,6.5:5.5:0.1,4.5" (values and FROM:TO:STEP ranges).
Targets = Sequence[Number] | numpy.typing.ArrayLike | str
#: A recipe: a dict, a recipe file's JSON object ("format" and "version" may be left out),
#: or the path of a recipe file.
RecipeSource = Mapping[str, Any] | str | os.PathLike[str]

#: The names of the inputs, in the record's order: "mode", "ph", ... "caadp".
INPUT_NAMES: tuple[str, ...]
#: The fields of a record, in quelix-cli's order (its CSV header and JSON keys).
COLUMNS: tuple[str, ...]
#: The default of every input (quelix-cli's): mode 0, pH 8, 0.2 M, total Mg 2.2 mM ...
DEFAULTS: dict[str, float | int]
#: The captions of the modes 0 to 6, as the window's mode selector shows them.
MODE_CAPTIONS: tuple[str, ...]

class CalculationError(ValueError):
    """The calculation failed for these inputs (an arithmetic fault, no convergence, a
    negative ionic strength). str(error) is the engine's message, the same text the
    window shows and quelix-cli prints."""

class QuelixWarning(UserWarning):
    """An input that is used as given but may be a slip, or that the mode does not read: the
    warnings quelix-cli prints on standard error, with the inputs named as keywords."""

class Result:
    """The record of one calculation: the fields of quelix-cli's records, in the same
    order and units (concentrations in mM, ionic strengths in M). Inputs of the mode are
    echoed as given; its results, the free ligands and the minor species come from the
    calculation. Floats are the extended-precision results rounded once to the nearest
    double; to_json() gives the 19 significant digits quelix-cli prints. The fields of the
    conditions (constants ... pch) are always there; to_dict() and to_json() include them,
    as quelix-cli's record does, only under other than the default conditions."""

    @property
    def mode(self) -> int:
        """calculation mode, 0 to 6 (see MODE_CAPTIONS)."""
    @property
    def ph(self) -> float:
        """pH, -log10 of the H+ concentration."""
    @property
    def ionic_strength(self) -> float:
        """ionic strength, M."""
    @property
    def total_egta(self) -> float:
        """total EGTA, mM."""
    @property
    def total_edta(self) -> float:
        """total EDTA, mM."""
    @property
    def total_mg(self) -> float:
        """total Mg, mM."""
    @property
    def total_ca(self) -> float:
        """total Ca, mM."""
    @property
    def total_atp(self) -> float:
        """total ATP, mM."""
    @property
    def total_adp(self) -> float:
        """total ADP, mM."""
    @property
    def total_po4(self) -> float:
        """total phosphate, mM."""
    @property
    def free_mg(self) -> float:
        """free Mg++, mM."""
    @property
    def free_ca(self) -> float:
        """free Ca++, mM."""
    @property
    def mgatp(self) -> float:
        """MgATP2-, mM."""
    @property
    def caatp(self) -> float:
        """CaATP2-, mM."""
    @property
    def mgadp(self) -> float:
        """MgADP-, mM."""
    @property
    def caadp(self) -> float:
        """CaADP-, mM."""
    @property
    def free_atp(self) -> float:
        """free ATP4-, mM."""
    @property
    def free_egta(self) -> float:
        """free EGTA4-, mM."""
    @property
    def free_edta(self) -> float:
        """free EDTA4-, mM."""
    @property
    def free_adp(self) -> float:
        """free ADP3-, mM."""
    @property
    def free_po4(self) -> float:
        """free PO4(3-), mM."""
    @property
    def hatp(self) -> float:
        """HATP3-, mM."""
    @property
    def h2atp(self) -> float:
        """H2ATP2-, mM."""
    @property
    def mghatp(self) -> float:
        """MgHATP-, mM."""
    @property
    def cahatp(self) -> float:
        """CaHATP-, mM."""
    @property
    def hegta(self) -> float:
        """HEGTA3-, mM."""
    @property
    def h2egta(self) -> float:
        """H2EGTA2-, mM."""
    @property
    def mgegta(self) -> float:
        """MgEGTA2-, mM."""
    @property
    def mghegta(self) -> float:
        """MgHEGTA-, mM."""
    @property
    def caegta(self) -> float:
        """CaEGTA2-, mM."""
    @property
    def cahegta(self) -> float:
        """CaHEGTA-, mM."""
    @property
    def hedta(self) -> float:
        """HEDTA3-, mM."""
    @property
    def h2edta(self) -> float:
        """H2EDTA2-, mM."""
    @property
    def mghedta(self) -> float:
        """MgHEDTA-, mM."""
    @property
    def cahedta(self) -> float:
        """CaHEDTA-, mM."""
    @property
    def mgedta(self) -> float:
        """MgEDTA2-, mM."""
    @property
    def caedta(self) -> float:
        """CaEDTA2-, mM."""
    @property
    def hadp(self) -> float:
        """HADP2-, mM."""
    @property
    def h2adp(self) -> float:
        """H2ADP-, mM."""
    @property
    def mghadp(self) -> float:
        """MgHADP, mM."""
    @property
    def cahadp(self) -> float:
        """CaHADP, mM."""
    @property
    def hpo4(self) -> float:
        """HPO4(2-), mM."""
    @property
    def h2po4(self) -> float:
        """H2PO4(-), mM."""
    @property
    def mghpo4(self) -> float:
        """MgHPO4, mM."""
    @property
    def cahpo4(self) -> float:
        """CaHPO4, mM."""
    @property
    def pca(self) -> float | None:
        """pCa, -log10 of free Ca++ in M; None when free Ca++ is zero (at most 1.1e-18 M)."""
    @property
    def ionic_strength_species(self) -> float:
        """lower bound of the ionic strength from the species, M."""
    @property
    def ionic_strength_tris(self) -> float:
        """ionic strength of 20 mM Tris at this pH, M."""
    @property
    def iterations(self) -> int:
        """iterations of the solver (0 in the modes that need none)."""
    @property
    def error(self) -> str | None:
        """the message of a calculation that failed, else None."""
    @property
    def constants(self) -> str:
        """the constant set's name ("Built-in" for the built-in table)."""
    @property
    def edited_entries(self) -> int:
        """entries of the set changed by const."""
    @property
    def temperature_c(self) -> float | None:
        """the temperature, degrees C; None: the constants as the set gives them."""
    @property
    def uncorrected_entries(self) -> int | None:
        """entries without an enthalpy, left at the set's temperature; None without a
        temperature."""
    @property
    def ph_scale(self) -> PhScale:
        """how pH was read: "concentration" (-log10 [H+]) or "activity" (a meter reading)."""
    @property
    def pch(self) -> float | None:
        """-log10 of the H+ concentration the calculation used; None when it failed."""
    @property
    def report(self) -> str:
        """The results report, as the window's console and quelix-cli --format report show it."""
    def to_dict(self) -> dict[str, float | int | str | None]:
        """The record as a dict: the keys of quelix-cli's JSON records, in their order;
        floats, ints, and None for null. Under other than the default conditions the
        conditions' fields end it."""
    def to_json(self) -> str:
        """The record as quelix-cli --format json prints it (without the newline), byte for
        byte: reals with 19 significant digits. For exact decimals:
        json.loads(result.to_json(), parse_float=decimal.Decimal)."""

class RecipeResult(Result):
    """The result of a recipe: the calculation's record (every field of Result; to_dict()
    and to_json() always carry the conditions' fields) and the solution as made, the fields
    of quelix-cli --recipe's record in its order. Concentrations in mM, ionic strengths in
    M. When the solution cannot be made, recipe_error says why and the solution's fields
    are None."""

    @property
    def ionic_strength_solution(self) -> float | None:
        """ionic strength of the solution as made, M: 1/2 sum c z^2 over every species and
        ion, the filler included (the target, unless the solution exceeds it without
        filler)."""
    @property
    def ionic_equivalent(self) -> float | None:
        """ionic equivalent, M: 1/2 sum c |z| (a convention, not the ionic strength)."""
    @property
    def titrant(self) -> str | None:
        """the titrant's name ("KOH")."""
    @property
    def titrant_mM(self) -> float | None:
        """titrant that brings the pH, mM of base; negative: of acid."""
    @property
    def filler(self) -> str | None:
        """the filler salt's name ("KCl")."""
    @property
    def filler_mM(self) -> float | None:
        """filler salt that brings the ionic strength to the target, mM."""
    @property
    def counter_ions_mM(self) -> dict[str, float] | None:
        """the ions no equilibrium changes, each with its charge ("K+", "Cl-"), mM."""
    @property
    def buffer(self) -> str | None:
        """the pH buffer's name; None without a buffer."""
    @property
    def buffer_pka(self) -> float | None:
        """the buffer's pKa at the solution's temperature and ionic strength."""
    @property
    def buffer_acid_mM(self) -> float | None:
        """the buffer's acid form, mM."""
    @property
    def buffer_base_mM(self) -> float | None:
        """the buffer's base form, mM."""
    @property
    def buffer_acid_charge(self) -> int | None:
        """charge of the buffer's acid form."""
    @property
    def buffer_base_charge(self) -> int | None:
        """charge of the buffer's base form."""
    @property
    def charge_balance_mM(self) -> float | None:
        """sum c z over every species and ion, mM: 0 to rounding (a check)."""
    @property
    def weighing(self) -> list[dict[str, str | float | None]] | None:
        """the weighing sheet's lines: component, salt, mM, mg (for the final volume and
        the purity), ul (of a stock solution)."""
    @property
    def recipe_error(self) -> str | None:
        """why the solution cannot be made as asked, else None."""
    @property
    def sheet(self) -> str:
        """The weighing sheet a person follows at the bench."""
    @property
    def report(self) -> str:
        """The report and the weighing sheet, as quelix-cli --recipe --format report."""
    @property
    def recipe_text(self) -> str:
        """The recipe as a recipe file's text."""
    def to_dict(self) -> dict[str, Any]:
        """The record as a dict, with quelix-cli --recipe's JSON keys in their order."""
    def to_json(self) -> str:
        """The record as quelix-cli --recipe FILE --format json prints it, byte for byte."""

def recipe(recipe: RecipeSource) -> RecipeResult:
    """The solution as a lab makes it, as quelix-cli --recipe FILE: the calculation, the
    titrant from the proton balance, the filler to the target ionic strength, the
    counter-ions, the buffer's forms, the charge balance and the weighing sheet.

    Raises ValueError with the reader's message naming the file ("<recipe>" for a dict)
    and the key; CalculationError when the calculation fails, or when the solution cannot
    be made (then with the attribute `result`, the RecipeResult with recipe_error set).
    Notes (a buffer far from its pKa) are QuelixWarning.
    """

def calculate(
    *,
    mode: int = 0,
    ph: Number = 8.0,
    ionic_strength: Number = 0.2,
    total_egta: Number = 2.0,
    total_edta: Number = 0.0,
    total_mg: Number = 2.2,
    total_ca: Number = 0.5,
    total_atp: Number = 0.22,
    total_adp: Number = 0.0,
    total_po4: Number = 0.0,
    free_mg: Number = 1.0,
    free_ca: Number = 1.0,
    mgatp: Number = 0.2,
    caatp: Number = 0.0,
    mgadp: Number = 0.0,
    caadp: Number = 0.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    ligands: Mapping[str, Number] | None = None,
) -> Result:
    """One calculation, the same as quelix-cli's for the same inputs.

    mode: 0 to 6 (MODE_CAPTIONS; mode_inputs(mode) names the inputs it takes); pH;
    ionic_strength in M; every concentration in mM. const: binding constants as
    quelix-cli's --const ROW:STEP=VALUE, e.g. {"ATP-Mg:0": 4.1}, applied to the set of
    constants (a bundled set's id or name, or a set file; None: the built-in table).
    temperature: degrees C, 0 to 100 (van 't Hoff for the entries with an enthalpy; None:
    no correction). ph_scale: "activity" reads pH as a meter reading.

    Raises TypeError for an unknown name or a value that is no number, ValueError with
    quelix-cli's message for a number that does not convert or a bad mode, and
    CalculationError (a ValueError) with the engine's message when the calculation fails.
    """

@overload
def calculate_many(
    data: pandas.DataFrame,
    /,
    *,
    mode: int | Column = 0,
    ph: Number | Column = 8.0,
    ionic_strength: Number | Column = 0.2,
    total_egta: Number | Column = 2.0,
    total_edta: Number | Column = 0.0,
    total_mg: Number | Column = 2.2,
    total_ca: Number | Column = 0.5,
    total_atp: Number | Column = 0.22,
    total_adp: Number | Column = 0.0,
    total_po4: Number | Column = 0.0,
    free_mg: Number | Column = 1.0,
    free_ca: Number | Column = 1.0,
    mgatp: Number | Column = 0.2,
    caatp: Number | Column = 0.0,
    mgadp: Number | Column = 0.0,
    caadp: Number | Column = 0.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    ligands: Mapping[str, Number] | None = None,
    workers: int | None = None,
) -> pandas.DataFrame:
    """Many calculations from a DataFrame's rows; returns a DataFrame with its index (see
    the other form)."""
@overload
def calculate_many(
    data: Mapping[str, Number | Column] | None = None,
    /,
    *,
    mode: int | Column = 0,
    ph: Number | Column = 8.0,
    ionic_strength: Number | Column = 0.2,
    total_egta: Number | Column = 2.0,
    total_edta: Number | Column = 0.0,
    total_mg: Number | Column = 2.2,
    total_ca: Number | Column = 0.5,
    total_atp: Number | Column = 0.22,
    total_adp: Number | Column = 0.0,
    total_po4: Number | Column = 0.0,
    free_mg: Number | Column = 1.0,
    free_ca: Number | Column = 1.0,
    mgatp: Number | Column = 0.2,
    caatp: Number | Column = 0.0,
    mgadp: Number | Column = 0.0,
    caadp: Number | Column = 0.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    ligands: Mapping[str, Number] | None = None,
    workers: int | None = None,
) -> dict[str, numpy.ndarray]:
    """Many calculations, one per row, on all cores with the interpreter's lock released.

    Inputs come from the columns of data (a DataFrame or a mapping) and from keywords, each
    a scalar for every row or one value per row. A row whose value is not a number or whose
    calculation fails carries its message in "error" (its inputs as given, NaN for what
    would have been computed); the others are computed. Returns the record's columns: a
    DataFrame for a DataFrame (same index; mode and iterations as Int64), otherwise a dict
    of NumPy arrays (float64, NaN for null; "error" an object array). Under other than the
    default conditions the conditions' fields follow.
    """

@overload
def pca_series(
    pca: Targets,
    /,
    *,
    mode: int = 0,
    ph: Number = 8.0,
    ionic_strength: Number = 0.2,
    total_egta: Number = 2.0,
    total_edta: Number = 0.0,
    total_mg: Number = 2.2,
    total_ca: Number = 0.5,
    total_atp: Number = 0.22,
    total_adp: Number = 0.0,
    total_po4: Number = 0.0,
    free_mg: Number = 1.0,
    mgatp: Number = 0.2,
    caatp: Number = 0.0,
    mgadp: Number = 0.0,
    caadp: Number = 0.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    ligands: Mapping[str, Number] | None = None,
    as_frame: Literal[False] = False,
) -> dict[str, numpy.ndarray]:
    """The per-point pCa series, as quelix-cli --pca: for each target one calculation with
    free Ca++ = 10 ** (3 - pCa) mM in a mode that takes free Ca++ (2 to 6). Columns:
    pca_target, then the record's (then the conditions' fields, under other conditions).
    A row that fails carries its message in "error"; the others are computed."""
@overload
def pca_series(
    pca: Targets,
    /,
    *,
    mode: int = 0,
    ph: Number = 8.0,
    ionic_strength: Number = 0.2,
    total_egta: Number = 2.0,
    total_edta: Number = 0.0,
    total_mg: Number = 2.2,
    total_ca: Number = 0.5,
    total_atp: Number = 0.22,
    total_adp: Number = 0.0,
    total_po4: Number = 0.0,
    free_mg: Number = 1.0,
    mgatp: Number = 0.2,
    caatp: Number = 0.0,
    mgadp: Number = 0.0,
    caadp: Number = 0.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    ligands: Mapping[str, Number] | None = None,
    as_frame: Literal[True],
) -> pandas.DataFrame:
    """The per-point pCa series as a DataFrame (see the other form)."""
@overload
def pca_series(
    pca: Targets,
    /,
    *,
    recipe: RecipeSource,
    as_frame: Literal[False] = False,
) -> dict[str, numpy.ndarray]:
    """The per-point pCa series made with a recipe, as quelix-cli --recipe FILE --pca: the
    recipe's calculation (mode 2 to 6), constants and conditions, each point a solution with
    its own titrant and filler. The rows' columns are followed by the recipe's, as
    quelix-cli's CSV names them (counter_ions_mM:<ion>, weigh_<component>_salt ...)."""
@overload
def pca_series(
    pca: Targets,
    /,
    *,
    recipe: RecipeSource,
    as_frame: Literal[True],
) -> pandas.DataFrame:
    """The per-point pCa series made with a recipe, as a DataFrame."""

@overload
def mixing_table(
    pca: Targets,
    /,
    *,
    stock_a: Stock,
    stock_b: Stock,
    ph: Number = 8.0,
    ionic_strength: Number = 0.2,
    volume: Number = 1000.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    as_frame: Literal[False] = False,
) -> dict[str, numpy.ndarray]:
    """The mixing table of two stocks, as quelix-cli --pca --stock-a --stock-b: for each
    target the fraction of stock B (high Ca) in stock A (low Ca) whose mixture, calculated
    with every concentration given, has the target pCa, with the volumes of A and B for
    `volume`. Columns: pca_target, fraction_b, volume_a, volume_b, then the mixture's
    record. A target the stocks cannot reach is that row's error."""
@overload
def mixing_table(
    pca: Targets,
    /,
    *,
    stock_a: Stock,
    stock_b: Stock,
    ph: Number = 8.0,
    ionic_strength: Number = 0.2,
    volume: Number = 1000.0,
    const: ConstEdits | None = None,
    constants: ConstantSet | None = None,
    temperature: Number | None = None,
    ph_scale: PhScale = "concentration",
    as_frame: Literal[True],
) -> pandas.DataFrame:
    """The mixing table as a DataFrame (see the other form)."""
@overload
def mixing_table(
    pca: Targets,
    /,
    *,
    recipe: RecipeSource,
    stock_a: Stock,
    stock_b: Stock,
    volume: Number = 1000.0,
    as_frame: Literal[False] = False,
) -> dict[str, numpy.ndarray]:
    """The mixing table of two stocks made with a recipe, as quelix-cli --recipe FILE --pca
    --stock-a --stock-b: each stock at the recipe's pH, ionic strength and conditions with
    its own titrant and filler; each mixture's real ionic strength
    (ionic_strength_solution) shows its drift from the target."""
@overload
def mixing_table(
    pca: Targets,
    /,
    *,
    recipe: RecipeSource,
    stock_a: Stock,
    stock_b: Stock,
    volume: Number = 1000.0,
    as_frame: Literal[True],
) -> pandas.DataFrame:
    """The mixing table made with a recipe, as a DataFrame."""

def constant_sets() -> tuple[dict[str, str], ...]:
    """The bundled constant sets: each a dict of "id", "name" (either names it in
    constants=) and "description"."""

def mode_inputs(mode: int) -> tuple[str, ...]:
    """The inputs of a mode (0..6), in the record's order."""
