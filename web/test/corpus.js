// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The recipes on which the module must give quelix-cli's outputs: the rows of
// scripts/make-batch (every mode, physiological inputs) and of scripts/make-adversarial
// (extreme and failing inputs), spread over both bundled constant sets, several
// temperatures and both pH scales, plus the recipes of the golden files and inputs that
// the command line refuses. Each recipe is an object of texts under the record's names,
// which is both the module's request and, through cliArguments, quelix-cli's options.
'use strict';
const { execFileSync } = require('child_process');
const path = require('path');

const root = path.join(__dirname, '..', '..');

function batchRows(script, rows) {
  const text = execFileSync('sh', [path.join(root, 'scripts', script), String(rows)], {
    encoding: 'utf8',
  });
  const lines = text.trim().split('\n');
  const header = lines[0].split(',');
  return lines.slice(1).map((line) => {
    const cells = line.split(',');
    const recipe = {};
    header.forEach((name, i) => {
      if (cells[i] !== '') recipe[name] = cells[i];
    });
    return recipe;
  });
}

// Conditions by row number, cycling at different lengths so that every combination occurs.
function withConditions(recipe, i) {
  const r = { ...recipe };
  if (i % 2 === 1) r.constants = 'nist-srd46-20c';
  const temperature = [null, '25', '37', '10'][Math.floor(i / 2) % 4];
  if (temperature !== null) r.temperature_c = temperature;
  if (Math.floor(i / 8) % 2 === 1) r.ph_scale = 'activity';
  return r;
}

const goldenRecipes = [
  // tests/data/cli_report_pca6.txt and the README's pCa 6 buffer.
  { mode: '6', free_ca: '0.001', total_edta: '0.5', total_adp: '0.1', total_po4: '1' },
  { mode: '6', ph: '7', ionic_strength: '0.15', total_egta: '10', total_mg: '5', total_atp: '5',
    free_ca: '0.001' },
  { mode: '6', ph: '7', ionic_strength: '0.15', total_egta: '10', total_mg: '5', total_atp: '5',
    free_ca: '0.001', constants: 'nist-srd46-20c', temperature_c: '25', ph_scale: 'activity' },
  { mode: '0', total_egta: '2', total_ca: '0' },
  {},
];

// Inputs that quelix-cli refuses or cannot calculate.
const failingRecipes = [
  { mode: '5', caatp: '0' },
  { mode: '1', free_mg: '0' },
  { ph: '7,2' },
  { mode: '1e0' },
  { mode: '7' },
  { total_mg: '1e5000' },
  { ionic_strength: 'abc' },
  { ph: '1e4932' },
  { temperature_c: '120' },
  { temperature_c: 'warm' },
  { ph_scale: 'meter' },
  { ph: '-1e4000', mode: '0' },
];

function corpus() {
  const rows = [...batchRows('make-batch', 490), ...batchRows('make-adversarial', 70)];
  const recipes = rows.map(withConditions);
  return [...goldenRecipes, ...recipes, ...failingRecipes];
}

const optionOf = { temperature_c: 'temperature', ph_scale: 'ph-scale', constants: 'constants' };

// quelix-cli's options for a recipe, each as --name=value so that negative numbers stay
// values.
function cliArguments(recipe) {
  return Object.entries(recipe).map(
    ([key, value]) => `--${optionOf[key] || key.replace(/_/g, '-')}=${value}`);
}

// The series of the parity test: mixing tables and per-point ladders.
const seriesRequests = [
  { ph: '7', ionic_strength: '0.15', pca_list: '9:5:1,4',
    stock_a: { total_egta: '7', total_mg: '5.4', total_atp: '5', total_ca: '0.028' },
    stock_b: { total_egta: '7', total_mg: '5.1', total_atp: '5', total_ca: '7.03' } },
  { ph: '7.1', ionic_strength: '0.18', pca_list: '9,6.5:5.5:0.1,4.5', volume: '2.5',
    stock_a: { total_egta: '10', total_mg: '6', total_atp: '5' },
    stock_b: { total_egta: '10', total_mg: '5.5', total_atp: '5', total_ca: '9.9' },
    constants: 'nist-srd46-20c', temperature_c: '22', ph_scale: 'activity' },
  { mode: '6', ph: '7', ionic_strength: '0.15', total_egta: '10', total_mg: '5', total_atp: '5',
    pca_list: '8:4:0.25' },
  { mode: '3', ph: '7.2', ionic_strength: '0.2', total_egta: '5', total_atp: '4', free_mg: '1',
    pca_list: '7,6,5', constants: 'nist-srd46-20c' },
];

function seriesArguments(request) {
  const args = [];
  for (const [key, value] of Object.entries(request)) {
    if (key === 'pca_list') args.push(`--pca=${value}`);
    else if (key === 'stock_a' || key === 'stock_b')
      args.push(`--${key.replace('_', '-')}=` +
        Object.entries(value).map(([k, v]) => `${k}=${v}`).join(','));
    else args.push(...cliArguments({ [key]: value }));
  }
  return args;
}

module.exports = { corpus, cliArguments, seriesRequests, seriesArguments, root };
