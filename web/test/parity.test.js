// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The module against quelix-cli on the corpus: the same report text (differences only on
// rounding boundaries, which are listed, and in the digits of huge numbers beyond those a
// double holds), the same record to 1e-12 in every real, and the same failures with the
// same messages. Recipes whose inputs or outputs lie outside the double's normal range
// (1e-290 to 1e290 here) are listed rather than compared: the page computes in double. Run with node --test; QUELIX_CLI names the
// command-line tool (default build/bin/quelix-cli), QUELIX_WEB the folder of quelix.js
// (default web/dist).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { execFile } = require('child_process');
const path = require('path');
const { corpus, cliArguments, seriesRequests, seriesArguments, root } = require('./corpus');
const { recordDifferences, reportDifferences, beyondDoubles } = require('./compare');

const cliPath = process.env.QUELIX_CLI || path.join(root, 'build', 'bin', 'quelix-cli');
const webDir = process.env.QUELIX_WEB || path.join(root, 'web', 'dist');
// QUELIX_PARITY_ALL compares every recipe, for the quadruple build (QUELIX_WEB_QUADRUPLE).
const compareAll = Boolean(process.env.QUELIX_PARITY_ALL);

function runCli(args) {
  return new Promise((resolve) => {
    execFile(cliPath, args, { encoding: 'utf8' }, (error, stdout, stderr) => {
      resolve({ status: error ? error.code : 0, out: stdout, err: stderr });
    });
  });
}

// Runs `jobs` (functions returning promises) two at a time, in order of their results.
async function inParallel(jobs, width = 2) {
  const results = new Array(jobs.length);
  let next = 0;
  async function worker() {
    while (next < jobs.length) {
      const i = next++;
      results[i] = await jobs[i]();
    }
  }
  await Promise.all(Array.from({ length: width }, worker));
  return results;
}

// quelix-cli's message: the first line on standard error that is not a warning, with its
// options named as the request's keys (--ph-scale as ph_scale).
function cliMessage(err) {
  const line = err.split('\n').find((l) => l !== '' && !l.startsWith('warning: '));
  return line.replace(/--temperature\b/g, 'temperature_c')
    .replace(/--([a-z]+(?:-[a-z]+)*)/g, (_, name) => name.replace(/-/g, '_'));
}

function outcome(call) {
  try {
    return { value: call() };
  } catch (error) {
    return { error };
  }
}

let module_;
test.before(async () => {
  const QuelixModule = require(path.join(webDir, 'quelix.js'));
  module_ = await QuelixModule();
});

test('every recipe of the corpus gives quelix-cli outputs', async (t) => {
  const recipes = corpus();
  assert.ok(recipes.length >= 500, `${recipes.length} recipes`);
  const cli = await inParallel(recipes.map((r) => async () => ({
    report: await runCli(cliArguments(r)),
    json: await runCli([...cliArguments(r), '--format=json']),
  })));
  const boundaries = [];
  const digits = [];
  const beyondRange = [];
  const faults = [];
  let failing = 0;
  recipes.forEach((recipe, i) => {
    const request = JSON.stringify(recipe);
    const expected = cli[i];
    const got = outcome(() => module_.solve(request));
    const where = `recipe ${i} ${request}`;
    // The page computes in double: a recipe outside its range is listed, not compared.
    if (!compareAll
        && beyondDoubles(recipe, expected.report.out, expected.json.status === 0 ? expected.json.out : '')) {
      beyondRange.push(`${where}: ${got.error ? got.error.message : 'computed'}`);
      return;
    }
    if (expected.report.status !== 0) {
      ++failing;
      const kind = expected.report.status === 1 ? 'calculation' : 'request';
      if (!got.error) return faults.push(`${where}: quelix-cli failed, the module did not`);
      const message = cliMessage(expected.report.err);
      // quelix-cli puts the option before some messages ("--temperature: ...").
      if (got.error.kind !== kind || !(message === got.error.message
          || message === 'temperature_c: ' + got.error.message))
        faults.push(`${where}: ${got.error.kind} '${got.error.message}', not '${message}'`);
      return;
    }
    if (got.error) return faults.push(`${where}: ${got.error.message}`);
    for (const line of reportDifferences(expected.report.out, got.value.report)) {
      const list = { boundary: boundaries, digits }[line.kind] || faults;
      list.push(
        `${where}:\n  quelix-cli: ${line.expected}\n  module:     ${line.actual}`);
    }
    for (const problem of recordDifferences(expected.json.out, got.value.record))
      faults.push(`${where}: ${problem}`);
  });
  t.diagnostic(`${recipes.length} recipes, ${failing} failing in quelix-cli; ` +
    `report lines differing: ${boundaries.length} on a rounding boundary, ${digits.length} ` +
    'in digits beyond a double; ' +
    `${beyondRange.length} recipes outside the double's range listed, not compared`);
  for (const b of boundaries) t.diagnostic(b);
  if (process.env.QUELIX_PARITY_VERBOSE) for (const d of [...digits, ...beyondRange]) t.diagnostic(d);
  assert.deepStrictEqual(faults, []);
});

test('series give quelix-cli tables and records', async () => {
  for (const request of seriesRequests) {
    const args = seriesArguments(request);
    const table = await runCli(args);
    const json = await runCli([...args, '--format=json']);
    const csv = await runCli([...args, '--format=csv']);
    const got = module_.series(JSON.stringify(request));
    const label = JSON.stringify(request);
    assert.deepStrictEqual(reportDifferences(table.out, got.table).filter((l) => !l.kind),
      [], label);
    const expectedLines = json.out.trim().split('\n');
    const gotLines = got.json.trim().split('\n');
    assert.strictEqual(gotLines.length, expectedLines.length, label);
    expectedLines.forEach((line, i) =>
      assert.deepStrictEqual(recordDifferences(line, gotLines[i]), [], `${label} row ${i}`));
    assert.strictEqual(got.csv.split('\n')[0], csv.out.split('\n')[0], label);
  }
});
