// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The page in Debian's headless Chromium, opened from web/dist/index.html as a file, used
// with the keyboard: a recipe typed and calculated (the report is quelix-cli's), a refused
// number, a failing calculation, the address round trip, a 37-point mixing table with its
// plot, a set file opened from disk; no request leaves the page's folder and the console
// stays free of errors. Screenshots at phone and desktop size go to build-web/screenshots.
// Skips, saying why, only where Chromium cannot start.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { TBrowser } = require('./cdp');
const { root } = require('./corpus');

const cliPath = process.env.QUELIX_CLI || path.join(root, 'build', 'bin', 'quelix-cli');
const distDir = process.env.QUELIX_WEB || path.join(root, 'web', 'dist');
const pageUrl = 'file://' + path.join(distDir, 'index.html');
const shots = path.join(root, 'build-web', 'screenshots');
fs.mkdirSync(shots, { recursive: true });

function cli(args) {
  return execFileSync(cliPath, args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

// The errors among the page's events: console.error, uncaught exceptions, and the browser's
// own error entries (a failed load among them).
function consoleErrors(events) {
  return events.filter((e) => (e.method === 'Runtime.consoleAPICalled' && e.params.type === 'error')
    || e.method === 'Runtime.exceptionThrown'
    || (e.method === 'Log.entryAdded' && e.params.entry.level === 'error'))
    .map((e) => JSON.stringify(e.params).slice(0, 300));
}

let browser = null;
let startError = null;

test.before(async () => {
  try {
    browser = await TBrowser.start();
  } catch (error) {
    startError = error;
  }
});

test.after(async () => {
  if (browser) await browser.close();
});

// Focuses an element by its id and types over its text, key by key.
async function fill(id, text) {
  await browser.evaluate(`document.getElementById(${JSON.stringify(id)}).focus()`);
  await browser.retype(text);
}

test('the page works from a file with the keyboard alone', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  const opened = Date.now();
  await browser.navigate(pageUrl);
  await browser.waitFor('document.body.dataset.ready === "true"');
  const firstResultMs = await browser.evaluate('window.QuelixFirstResultMs');
  t.diagnostic(`first result ${Math.round(firstResultMs)} ms after the page's script started, ` +
    `${Date.now() - opened} ms after opening the page`);
  assert.ok(firstResultMs < 1000, `first result after ${firstResultMs} ms`);

  // The README's pCa 6 buffer: mode 6 chosen with the arrow keys, the values typed.
  await browser.evaluate('document.querySelector(\'input[name="mode"][value="0"]\').focus()');
  for (let i = 0; i < 6; ++i) await browser.press('ArrowDown');
  assert.strictEqual(await browser.evaluate('document.querySelector(\'input[name="mode"]:checked\').value'), '6');
  const recipe = { ph: '7', ionic_strength: '0.15', total_egta: '10', total_mg: '5', total_atp: '5',
    free_ca: '0.002', total_edta: '0', total_adp: '0', total_po4: '0' };
  for (const [key, value] of Object.entries(recipe)) await fill(key, value);
  await browser.press('Enter');
  const report = await browser.evaluate('document.getElementById("report").textContent');
  const args = ['--mode=6', ...Object.entries(recipe).map(([k, v]) => `--${k.replace(/_/g, '-')}=${v}`)];
  assert.strictEqual(report, cli(args));
  assert.match(await browser.evaluate('document.getElementById("result-conditions").textContent'),
    /Constants: Built-in/);
  const totalCa = await browser.evaluate('document.getElementById("total_ca").value');
  assert.strictEqual(Number(totalCa).toFixed(6),
    Number(JSON.parse(cli([...args, '--format=json'])).total_ca).toFixed(6));

  // A number that does not follow the entry fields' rule is refused beside its field.
  await fill('ph', '7,2');
  await browser.press('Enter');
  assert.match(await browser.evaluate('document.getElementById("ph-error").textContent'), /'7,2' is not a number/);
  assert.strictEqual(await browser.evaluate('document.getElementById("ph").getAttribute("aria-invalid")'), 'true');
  await fill('ph', '7');

  // The address holds the solution: opened again, the page shows the same result.
  await browser.press('Enter');
  const hash = await browser.evaluate('location.hash');
  assert.match(hash, /mode=6/);
  await browser.navigate('about:blank');
  await browser.navigate(pageUrl + hash);
  await browser.waitFor('document.body.dataset.ready === "true"');
  assert.strictEqual(await browser.evaluate('document.getElementById("report").textContent'), report);

  // A value that looks like a slip is noted, as quelix-cli warns, and used as given.
  await fill('ionic_strength', '150');
  await browser.press('Enter');
  assert.match(await browser.evaluate('document.getElementById("result-notes").textContent'),
    /Ionic strength 150 is above 5 M/);
  await fill('ionic_strength', '0.15');
  await browser.press('Enter');
  assert.strictEqual(await browser.evaluate('document.getElementById("result-notes").hidden'), true);

  // A calculation that fails says why, with quelix-cli's message.
  await browser.evaluate('document.querySelector(\'input[name="mode"][value="5"]\').focus()');
  await browser.press('Space');
  await fill('caatp', '0');
  await browser.press('Enter');
  assert.match(await browser.evaluate('document.getElementById("result-error").textContent'),
    /0 による浮動小数点数除算/);

  await browser.screenshot(path.join(shots, 'desktop-solution.png'), 1280, 900, false);
});

test('a 37-point mixing table is designed in the page and plotted', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  await browser.navigate('about:blank');
  await browser.navigate(pageUrl);
  await browser.waitFor('document.body.dataset.ready === "true"');
  await fill('pca_list', '9:5.4:0.1');
  const ms = await browser.evaluate(`(() => {
    const start = performance.now();
    document.getElementById('series-button').click();
    return performance.now() - start;
  })()`);
  t.diagnostic(`37-point mixing table in ${ms.toFixed(1)} ms`);
  assert.ok(ms < 300, `${ms} ms`);
  const rows = await browser.evaluate('document.querySelectorAll("#series-table tbody tr").length');
  assert.strictEqual(rows, 37);
  const points = await browser.evaluate(`[...document.querySelectorAll('#series-plot circle.point')]
    .map((c) => [Number(c.dataset.pca), Number(c.dataset.value)])`);
  const expected = cli(['--ph=8', '--ionic-strength=0.2', '--pca=9:5.4:0.1', '--format=json',
    '--stock-a=total_egta=7,total_mg=5.4,total_ca=0.028,total_atp=5',
    '--stock-b=total_egta=7,total_mg=5.1,total_ca=7.03,total_atp=5'])
    .trim().split('\n').map((l) => JSON.parse(l)).filter((r) => r.fraction_b !== null);
  assert.strictEqual(points.length, expected.length);
  expected.forEach((r, i) => {
    assert.ok(Math.abs(points[i][0] - r.pca_target) < 1e-12);
    assert.ok(Math.abs(points[i][1] - r.fraction_b) <= 1e-12 * Math.max(1, r.fraction_b));
  });
  await browser.screenshot(path.join(shots, 'desktop-series.png'), 1280, 900, false);
  await browser.screenshot(path.join(shots, 'phone.png'), 390, 844, true);
  // On a phone nothing is wider than the screen; the table scrolls inside its box.
  assert.ok(await browser.evaluate('document.documentElement.scrollWidth <= 390'));
  // Printed, the page is the bench sheet: the series alone, a box to tick per solution.
  await browser.send('Emulation.setEmulatedMedia', { media: 'print' });
  const printed = await browser.evaluate(`[...document.querySelectorAll('#calc, #result, #series-form, header, #series-sheet, #series-table td.check')]
    .map((el) => getComputedStyle(el).display === 'none' ? 'hidden' : 'shown')`);
  assert.deepStrictEqual(printed.slice(0, 5), ['hidden', 'hidden', 'hidden', 'hidden', 'shown']);
  assert.strictEqual(printed.slice(5).filter((v) => v === 'shown').length, 37);
  await browser.send('Emulation.setEmulatedMedia', { media: '' });
  await browser.screenshot(path.join(shots, 'desktop-top.png'), 1280, 1000, false, false);
});

test('a set file opened from disk gives the constants of quelix-cli --constants FILE', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'quelix-set-'));
  const file = path.join(dir, 'lab-set.json');
  const set = JSON.parse(fs.readFileSync(path.join(root, 'constsets', 'sets', 'nist-srd46-20c.json'), 'utf8'));
  set.name = 'Lab set';
  set.entries[0].log10_k = 6.6;
  fs.writeFileSync(file, JSON.stringify(set, null, 1));
  await browser.navigate('about:blank');
  await browser.navigate(pageUrl + '#mode=0&temperature_c=30');
  await browser.waitFor('document.body.dataset.ready === "true"');
  const { root: doc } = await browser.send('DOM.getDocument');
  const { nodeId } = await browser.send('DOM.querySelector', { nodeId: doc.nodeId, selector: '#set-file' });
  await browser.send('DOM.setFileInputFiles', { nodeId, files: [file] });
  await browser.waitFor('document.getElementById("constants").value === "#file"');
  await browser.evaluate('document.getElementById("calc-button").focus()');
  await browser.press('Enter');
  const report = await browser.evaluate('document.getElementById("report").textContent');
  assert.strictEqual(report, cli([`--constants=${file}`, '--temperature=30']));
  assert.match(await browser.evaluate('document.getElementById("result-conditions").textContent'),
    /Constants: Lab set; at 30 °C/);
  fs.rmSync(dir, { recursive: true, force: true });
});

test('the module in Chromium gives quelix-cli outputs on a part of the corpus', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  const { corpus, cliArguments } = require('./corpus');
  const { recordDifferences, reportDifferences, beyondDoubles } = require('./compare');
  // Every twelfth recipe: all modes, both sets, the temperatures and pH scales.
  const recipes = corpus().filter((_, i) => i % 12 === 0);
  const answers = await browser.evaluate(`(async () => {
    const bytes = Uint8Array.from(atob(window.QuelixWasmBase64), (c) => c.charCodeAt(0));
    const m = await QuelixModule({ wasmBinary: bytes });
    return ${JSON.stringify(recipes)}.map((r) => {
      try { return m.solve(r); } catch (e) { return { error: e.message }; }
    });
  })()`);
  let compared = 0;
  recipes.forEach((recipe, i) => {
    const label = JSON.stringify(recipe);
    let report;
    let status = 0;
    try {
      report = cli(cliArguments(recipe));
    } catch (error) {
      status = error.status;
    }
    if (beyondDoubles(recipe, report || '', status === 0 ? cli([...cliArguments(recipe), '--format=json']) : ''))
      return;
    ++compared;
    if (status !== 0) return assert.ok(answers[i].error, label);
    assert.ok(!answers[i].error, `${label}: ${answers[i].error}`);
    assert.deepStrictEqual(reportDifferences(report, answers[i].report).filter((l) => !l.kind), [], label);
    assert.deepStrictEqual(recordDifferences(cli([...cliArguments(recipe), '--format=json']),
      answers[i].record), [], label);
  });
  t.diagnostic(`${compared} recipes compared in Chromium`);
  assert.ok(compared >= 40);
});

test('nothing is requested from the network and the console has no error', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  const requested = browser.events.filter((e) => e.method === 'Network.requestWillBeSent')
    .map((e) => e.params.request.url);
  assert.ok(requested.length > 0);
  const outside = requested.filter((url) => !(url.startsWith('file://' + distDir + '/')
    || url.startsWith('data:') || url.startsWith('blob:') || url === 'about:blank'));
  assert.deepStrictEqual(outside, []);
  assert.deepStrictEqual(consoleErrors(browser.events), []);
});

test('served by a static web server, the page fetches quelix.wasm from it and nothing else', async (t) => {
  if (!browser) return t.skip(`Chromium cannot start here: ${startError.message}`);
  const http = require('http');
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
    '.wasm': 'application/wasm' };
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, 'http://localhost').pathname) || 'index.html';
    const file = path.join(distDir, name);
    if (!fs.existsSync(file)) {
      response.writeHead(404);
      return response.end();
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(name)] || 'application/octet-stream' });
    response.end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const origin = `http://127.0.0.1:${server.address().port}`;
  try {
    const before = browser.events.length;
    await browser.navigate(`${origin}/index.html`);
    await browser.waitFor('document.body.dataset.ready === "true"');
    assert.strictEqual(await browser.evaluate('document.getElementById("report").textContent'), cli([]));
    const requested = browser.events.slice(before)
      .filter((e) => e.method === 'Network.requestWillBeSent').map((e) => e.params.request.url);
    assert.ok(requested.includes(`${origin}/quelix.wasm`), requested.join(' '));
    assert.ok(!requested.some((url) => url.endsWith('quelix-wasm.js')));
    assert.deepStrictEqual(requested.filter((url) => !url.startsWith(origin + '/')), []);
    assert.deepStrictEqual(consoleErrors(browser.events.slice(before)), []);
  } finally {
    server.close();
  }
});
