// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Comparing the module's outputs with quelix-cli's: records field by field (reals to a
// relative tolerance, everything else exactly) and reports line by line, where a line may
// differ only in how the same quantity is printed.
'use strict';

const RealTolerance = 1e-12;

// Differences between two JSON record lines, as texts ("" when they agree).
function recordDifferences(expectedLine, actualLine) {
  const expected = JSON.parse(expectedLine);
  const actual = JSON.parse(actualLine);
  const problems = [];
  const keys = Object.keys(expected);
  if (keys.join(',') !== Object.keys(actual).join(','))
    return ['the fields differ: ' + Object.keys(actual).join(',')];
  for (const key of keys) {
    const a = expected[key];
    const b = actual[key];
    if (typeof a === 'number' && typeof b === 'number') {
      const scale = Math.max(Math.abs(a), Math.abs(b));
      if (Math.abs(a - b) > RealTolerance * scale) problems.push(`${key}: ${a} != ${b}`);
    } else if (a !== b) {
      problems.push(`${key}: ${JSON.stringify(a)} != ${JSON.stringify(b)}`);
    }
  }
  return problems;
}

const unitScale = { M: 1, mM: 1e-3, uM: 1e-6, nM: 1e-9, pM: 1e-12, fM: 1e-15 };

// The numbers of a line with their units where a unit follows ("898.404 uM"), in M, and the
// size of one unit of the last printed digit.
function quantities(line) {
  const found = [];
  const pattern = /(-?\d+(?:\.(\d+))?)(?:\s*(M|mM|uM|nM|pM|fM)\b)?/g;
  for (const m of line.matchAll(pattern)) {
    const scale = m[3] ? unitScale[m[3]] : 1;
    const decimals = m[2] ? m[2].length : 0;
    found.push({ text: m[1], value: Number(m[1]) * scale, step: Math.pow(10, -decimals) * scale });
  }
  return found;
}

function significantDigits(text) {
  return text.replace(/[-.]/g, '').replace(/^0+/, '').length;
}

// Whether two numbers printed as long fixed-point texts in the same unit have the same
// number of whole digits and agree to 1e-12 in their leading digits.
function agreeBeyondDoubles(a, b) {
  const whole = (t) => t.replace('-', '').split('.')[0];
  if (whole(a).length !== whole(b).length || a.startsWith('-') !== b.startsWith('-'))
    return false;
  const lead = (t) => Number(whole(t).slice(0, 16));
  return Math.abs(lead(a) - lead(b)) <= RealTolerance * lead(a);
}

// How two report lines differ where only their numbers do: 'boundary' when each pair of
// numbers is the same quantity printed one unit of its last digit apart or in the
// neighbouring unit, 'digits' when a number prints more than 15 significant digits (fixed
// decimals of a huge value, more than a double holds) and the two agree to 1e-12,
// otherwise null.
function numberDifference(expectedLine, actualLine) {
  const strip = (line) => line.replace(/-?\d+(?:\.\d+)?\s*(?:M|mM|uM|nM|pM|fM)?\b/g, '#')
    .replace(/\s+/g, '');
  if (strip(expectedLine) !== strip(actualLine)) return null;
  const a = quantities(expectedLine);
  const b = quantities(actualLine);
  if (a.length !== b.length) return null;
  let kind = 'boundary';
  for (let i = 0; i < a.length; ++i) {
    if (!Number.isFinite(a[i].value) || !Number.isFinite(b[i].value)) {
      // Beyond the range of a double: the leading 16 digits, in the same unit.
      if (!agreeBeyondDoubles(a[i].text, b[i].text)) return null;
      kind = 'digits';
      continue;
    }
    const difference = Math.abs(a[i].value - b[i].value);
    if (difference <= Math.max(a[i].step, b[i].step) * 1.0001) continue;
    if (difference <= RealTolerance * Math.abs(a[i].value) && significantDigits(a[i].text) > 15)
      kind = 'digits';
    else return null;
  }
  return kind;
}

// The lines in which two reports differ: {expected, actual, kind} (kind as numberDifference).
function reportDifferences(expected, actual) {
  const e = expected.split('\n');
  const a = actual.split('\n');
  const lines = [];
  for (let i = 0; i < Math.max(e.length, a.length); ++i) {
    if (e[i] === a[i]) continue;
    const kind = e[i] !== undefined && a[i] !== undefined ? numberDifference(e[i], a[i]) : null;
    lines.push({ expected: e[i], actual: a[i], kind });
  }
  return lines;
}

// Whether a magnitude lies outside the double's normal range (about 2.2e-308 to 1.8e308),
// with a margin: 1e290 and above, or not zero and 1e-290 and below.
function outsideDoubles(x) {
  const a = Math.abs(x);
  return a >= 1e290 || (a > 0 && a <= 1e-290);
}

// Whether a recipe or quelix-cli's outputs for it reach outside the double's normal range:
// an input, a report number with 290 or more whole digits, or a record real.
function beyondDoubles(recipe, report, recordLine) {
  if (Object.values(recipe).some((v) => outsideDoubles(Number(v)))) return true;
  if (/\d{290}/.test(report)) return true;
  if (!recordLine) return false;
  const record = JSON.parse(recordLine);
  return Object.values(record).some((v) => typeof v === 'number' && outsideDoubles(v));
}

module.exports = { recordDifferences, reportDifferences, numberDifference, beyondDoubles };
