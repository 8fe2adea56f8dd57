#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""calculate_many on rows from NumPy arrays against the engine's own time for the same rows.

Run from the source tree after building with -DQUELIX_BUILD_PYTHON=ON, on an idle machine:
    /usr/bin/python3 bench/python_many.py [ROWS] [REPETITIONS]
The rows come from scripts/make-batch; build/bin/many_bench computes them with the engine
alone (ComputeMany over inputs already in memory, nothing written), the module computes
them from float64 arrays read from the same file. Medians of wall-clock time, and of the
CPU time of all threads (a fairer yardstick when other programs share the machine).
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
        engine = {b["run_name"]: (b["real_time"] / 1000, b["cpu_time"] / 1000)
                  for b in json.loads(bench.stdout)["benchmarks"]
                  if b.get("aggregate_name") == "median"}
        names = open(path).readline().strip().split(",")
        table = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2)
    columns = {name: np.ascontiguousarray(table[:, i]) for i, name in enumerate(names)}
    for workers, label in ((1, "one core"), (None, "all cores")):
        wall, cpu = [], []
        for _ in range(repetitions):
            start, start_cpu = time.perf_counter(), time.process_time()
            quelix.calculate_many(columns, workers=workers)
            wall.append(time.perf_counter() - start)
            cpu.append(time.process_time() - start_cpu)
        module = statistics.median(wall), statistics.median(cpu)
        own = engine[f"BM_ComputeMany/{workers or 0}/process_time/real_time"]
        print(f"{rows} rows, {label}: calculate_many {module[0]:.3f} s wall, {module[1]:.3f} s "
              f"CPU; engine {own[0]:.3f} s wall, {own[1]:.3f} s CPU; ratio "
              f"{module[0] / own[0]:.2f} wall, {module[1] / own[1]:.2f} CPU")


if __name__ == "__main__":
    main()
