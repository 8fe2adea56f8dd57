#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""calculate_many on rows from NumPy arrays against the engine's own time for the same rows.

Run from the source tree after building with -DQUELIX_BUILD_PYTHON=ON, on an idle machine:
    /usr/bin/python3 bench/python_many.py [ROWS] [REPETITIONS]
The rows come from scripts/make-batch; build/bin/many_bench computes them with the engine
alone (ComputeMany over inputs already in memory, nothing written), the module computes
them from float64 arrays read from the same file. Medians of wall-clock time.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "build", "python"))

import numpy as np  # noqa: E402

import quelix  # noqa: E402


def main():
    rows = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "rows.csv")
        with open(path, "w") as f:
            subprocess.run([os.path.join(ROOT, "scripts", "make-batch"), str(rows)], stdout=f,
                           check=True)
        bench = subprocess.run(
            [os.path.join(ROOT, "build", "bin", "many_bench"), "--rows", path,
             f"--benchmark_repetitions={repetitions}", "--benchmark_format=json",
             "--benchmark_report_aggregates_only=true"],
            capture_output=True, text=True, check=True)
        engine = {b["run_name"]: b["real_time"] / 1000 for b in json.loads(bench.stdout)["benchmarks"]
                  if b.get("aggregate_name") == "median"}
        names = open(path).readline().strip().split(",")
        table = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2)
    columns = {name: np.ascontiguousarray(table[:, i]) for i, name in enumerate(names)}
    for workers, label in ((1, "one core"), (None, "all cores")):
        times = []
        for _ in range(repetitions):
            start = time.perf_counter()
            quelix.calculate_many(columns, workers=workers)
            times.append(time.perf_counter() - start)
        module = statistics.median(times)
        own = engine["BM_ComputeMany/1/real_time" if workers == 1 else "BM_ComputeMany/0/real_time"]
        print(f"{rows} rows, {label}: calculate_many {module:.3f} s, engine {own:.3f} s, "
              f"ratio {module / own:.2f}")


if __name__ == "__main__":
    main()
