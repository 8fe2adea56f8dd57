// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// What the module adds to quelix-cli's behaviour: requests as JSON objects. A record given
// back is the same request; numbers follow the entry fields' rule whether texts or JSON
// numbers; a refused request names its key; set files are read from their text.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { root } = require('./corpus');

const webDir = process.env.QUELIX_WEB || path.join(root, 'web', 'dist');
let quelix;
test.before(async () => {
  quelix = await require(path.join(webDir, 'quelix.js'))();
});

const recipe = { mode: '6', ph: '7', ionic_strength: '0.15', total_egta: '10', total_mg: '5',
  total_atp: '5', free_ca: '0.002', constants: 'nist-srd46-20c', temperature_c: '25' };

test('a record given back as a request is the same calculation', () => {
  // Its text as it is: every real with its 19 digits, the set by its name, the temperature
  // and the pH scale; the results and the other conditions' fields are ignored.
  const record = quelix.calculate(recipe);
  assert.strictEqual(quelix.calculate(record), record);
  const activity = quelix.calculate({ ...recipe, ph_scale: 'activity' });
  assert.strictEqual(quelix.calculate(activity), activity);
});

test('a pca key sets free Ca++ where the mode reads it, and only there', () => {
  const byPCa = JSON.parse(quelix.calculate({ ...recipe, free_ca: undefined, pca: '6.5' }));
  assert.ok(Math.abs(byPCa.pca - 6.5) < 1e-12);
  const mode0 = JSON.parse(quelix.calculate({ mode: '0', pca: '6.5' }));
  assert.notStrictEqual(Math.round(mode0.pca * 1e6), 6500000);
});

test('refused requests name the key they concern', () => {
  const cases = [
    [{ colour: 'blue' }, 'colour', /Unknown key 'colour'/],
    [{ ph: [7] }, 'ph', /must be a number or a text/],
    [{ mode: '2.0' }, 'mode', /'2\.0' is not a calculation mode/],
    [{ total_mg: '1e999999' }, 'total_mg', /is out of range/],
    [{ temperature_c: '-5' }, 'temperature_c', /between 0 and 100/],
    [{ constants: 'nope' }, 'constants', /'nope' is no bundled set/],
    [{ constants_file: '{"format": 1}', constants_file_name: 'mine.json' }, 'constants_file', /mine\.json/],
    [{ pca_list: '9:5:0', stock_a: {}, stock_b: {} }, 'pca_list', /step/i, 'series'],
    [{ pca_list: '7', stock_a: { total_mg: '-1' }, stock_b: {} }, 'stock_a.total_mg', /must not be negative/, 'series'],
    [{ pca_list: '7', stock_a: { mg: '1' }, stock_b: {} }, 'stock_a.mg', /unknown total 'mg'/, 'series'],
    [{ pca_list: '7', mode: '0' }, 'mode', /mode that takes free Ca\+\+/, 'series'],
    ['{"ph": 7', '', /not JSON/],
  ];
  for (const [request, field, message, call = 'calculate'] of cases) {
    const label = JSON.stringify(request);
    assert.throws(() => quelix[call](request), (error) => {
      assert.strictEqual(error.kind, 'request', label);
      assert.strictEqual(error.field, field, label);
      assert.match(error.message, message, label);
      return true;
    });
  }
});

test('numbers follow the entry fields\' rule, as texts or as JSON numbers', () => {
  const same = (text) => quelix.calculate({ ph: text });
  const seven = same('7');
  for (const text of [' 7 ', '+7', '7.', '7.000', '0.7e1', '70E-1', '\t7'])
    assert.strictEqual(same(text), seven, JSON.stringify(text));
  assert.strictEqual(quelix.calculate('{"ph": 7}'), seven);
  assert.strictEqual(quelix.calculate('{"ph": 7.0}'), seven);
  for (const text of ['', '-', '.', '1e', '7,0', '0x7', 'seven', '7 .0'])
    assert.throws(() => same(text), (e) => e.field === 'ph' && /は浮動小数点数ではありません/.test(e.message),
      JSON.stringify(text));
});

test('a bundled set written as a file gives the same results as the set itself', () => {
  const text = quelix.setFileText('nist-srd46-20c');
  const summary = quelix.readSetFile(text, 'copy.json');
  assert.strictEqual(summary.entries, 28);
  const fromFile = quelix.report({ ...recipe, constants: undefined, constants_file: text,
    constants_file_name: 'copy.json' });
  assert.strictEqual(fromFile, quelix.report(recipe));
  assert.throws(() => quelix.readSetFile(text.replace('NIST SRD 46', 'Built-in').replace(/"name": "[^"]*"/, '"name": "Built-in"'), 'b.json'),
    /b\.json: the name "Built-in" stands for the program's own table/);
});

test('the modes list what each mode reads, as the page shows them', () => {
  const modes = quelix.modes();
  assert.strictEqual(modes.length, 7);
  assert.ok(modes[6].inputs.includes('free_ca') && !modes[6].inputs.includes('total_ca'));
  assert.ok(modes[0].inputs.includes('total_ca') && !modes[0].inputs.includes('free_ca'));
});

test('further ligands give quelix-cli\'s record, and a record with them given back is the same', () => {
  const { execFileSync } = require('child_process');
  const cli = process.env.QUELIX_CLI || path.join(root, 'build', 'bin', 'quelix-cli');
  const request = { mode: '2', ph: '7', ionic_strength: '0.18', total_egta: '7', free_mg: '1',
    free_ca: '1e-6', mgatp: '4', ligands: { CrP: '14.5', HEDTA: '0.5' } };
  const record = quelix.calculate(request);
  const expected = execFileSync(cli, ['--mode', '2', '--ph', '7', '--ionic-strength', '0.18',
    '--total-egta', '7', '--free-mg', '1', '--free-ca', '1e-6', '--mgatp', '4',
    '--ligand', 'CrP=14.5', '--ligand', 'HEDTA=0.5', '--format', 'json']).toString();
  // The same fields in the same order, reals to 1e-12 (the page computes in double).
  const parsed = JSON.parse(record);
  const cliRecord = JSON.parse(expected);
  assert.deepStrictEqual(Object.keys(parsed), Object.keys(cliRecord));
  for (const [key, value] of Object.entries(cliRecord))
    if (typeof value === 'number')
      assert.ok(Math.abs(parsed[key] - value) <= 1e-12 * Math.abs(value), key);
    else
      assert.strictEqual(parsed[key], value, key);
  // Given back, the record brings its ligands with it.
  const back = JSON.parse(quelix.calculate(record));
  assert.deepStrictEqual(Object.keys(back), Object.keys(parsed));
  assert.strictEqual(back.total_crp, 14.5);
  assert.ok(Math.abs(back.mgcrp - parsed.mgcrp) <= 1e-12 * parsed.mgcrp);
  assert.ok(parsed.mgcrp > 0.19 && parsed.mgcrp < 0.21);
  assert.ok('mg_hedta' in parsed);
  assert.throws(() => quelix.calculate({ ligands: { Creatine: '1' } }),
    /no further ligand is named 'Creatine'; the known ones are CrP/);
});
