#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
# pip_test.sh QUELIX_CLI: installs the Python module with pip from the source tree, without
# the network, into a fresh virtual environment that sees Debian's packages (numpy,
# setuptools), then imports it there from another folder and computes the README's pCa 6
# buffer, which must be quelix-cli's record byte for byte.
set -euo pipefail
cli=$(realpath "${1:?usage: pip_test.sh QUELIX_CLI}")
cd "$(dirname "$0")/../.."
python=${QUELIX_PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$python" -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install --no-build-isolation --no-index --quiet ./python

cd "$work"
expected=$("$cli" --mode 6 --ph 7 --ionic-strength 0.15 --total-egta 10 --total-mg 5 \
    --total-atp 5 --free-ca 0.001 --format json)
EXPECTED=$expected VENV=$work/venv "$work/venv/bin/python" - <<'PY'
import os
import sys
from importlib import metadata

import quelix

failures = []
def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name} {detail}")

venv = os.path.realpath(os.environ["VENV"])
check("the module comes from the virtual environment",
      os.path.realpath(quelix.__file__).startswith(venv + os.sep), quelix.__file__)
check("the type stubs lie beside it",
      os.path.isfile(os.path.join(os.path.dirname(quelix.__file__), "quelix.pyi")))
check("pip knows the version of the sources", metadata.version("quelix") == quelix.__version__,
      f"{metadata.version('quelix')} != {quelix.__version__}")
r = quelix.calculate(mode=6, ph=7, ionic_strength=0.15, total_egta=10, total_mg=5,
                     total_atp=5, free_ca=0.001)
check("the README's pCa 6 buffer is quelix-cli's record", r.to_json() == os.environ["EXPECTED"],
      f"\n{r.to_json()}\n{os.environ['EXPECTED']}")
for failure in failures:
    print("FAILED:", failure)
print(f"pip install: {4 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
PY
