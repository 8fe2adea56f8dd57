// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The page: the inputs of one solution, its result with every species, and the pCa series
// with its plot and bench sheet. Every number comes from the WebAssembly module (quelix.js),
// which gives quelix-cli's own texts; the page checks what is typed, lays out and saves.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);

  // The fifteen values, as the records name them, with their captions and units.
  const Conditions = [
    ['ph', 'pH', ''],
    ['ionic_strength', 'Ionic strength', 'M'],
  ];
  const Totals = [
    ['total_egta', 'EGTA'], ['total_edta', 'EDTA'], ['total_mg', 'Mg'], ['total_ca', 'Ca'],
    ['total_atp', 'ATP'], ['total_adp', 'ADP'], ['total_po4', 'Phosphate'],
  ];
  const Frees = [
    ['free_mg', 'Free Mg²⁺'], ['free_ca', 'Free Ca²⁺'], ['mgatp', 'MgATP²⁻'], ['caatp', 'CaATP²⁻'],
    ['mgadp', 'MgADP⁻'], ['caadp', 'CaADP⁻'],
  ];
  const ValueKeys = [...Conditions, ...Totals, ...Frees].map((f) => f[0]);
  const Defaults = {
    mode: '0', ph: '8', ionic_strength: '0.2', total_egta: '2', total_edta: '0', total_mg: '2.2',
    total_ca: '0.5', total_atp: '0.22', total_adp: '0', total_po4: '0', free_mg: '1',
    free_ca: '1', mgatp: '0.2', caatp: '0', mgadp: '0', caadp: '0',
  };
  const StockDefaults = {
    stock_a: { total_egta: '7', total_mg: '5.4', total_ca: '0.028', total_atp: '5' },
    stock_b: { total_egta: '7', total_mg: '5.1', total_ca: '7.03', total_atp: '5' },
  };
  // The species of a record, in the order of the report, with their formulae.
  const Species = [
    ['free_mg', 'Mg²⁺ (free)'], ['free_ca', 'Ca²⁺ (free)'], ['pca', 'pCa', 'plain'],
    ['free_atp', 'ATP⁴⁻'], ['hatp', 'HATP³⁻'], ['h2atp', 'H₂ATP²⁻'], ['mgatp', 'MgATP²⁻'],
    ['caatp', 'CaATP²⁻'], ['mghatp', 'MgHATP⁻'], ['cahatp', 'CaHATP⁻'],
    ['free_egta', 'EGTA⁴⁻'], ['hegta', 'HEGTA³⁻'], ['h2egta', 'H₂EGTA²⁻'], ['mgegta', 'MgEGTA²⁻'],
    ['caegta', 'CaEGTA²⁻'], ['mghegta', 'MgHEGTA⁻'], ['cahegta', 'CaHEGTA⁻'],
    ['free_edta', 'EDTA⁴⁻'], ['hedta', 'HEDTA³⁻'], ['h2edta', 'H₂EDTA²⁻'], ['mgedta', 'MgEDTA²⁻'],
    ['caedta', 'CaEDTA²⁻'], ['mghedta', 'MgHEDTA⁻'], ['cahedta', 'CaHEDTA⁻'],
    ['free_adp', 'ADP³⁻'], ['hadp', 'HADP²⁻'], ['h2adp', 'H₂ADP⁻'], ['mgadp', 'MgADP⁻'],
    ['caadp', 'CaADP⁻'], ['mghadp', 'MgHADP'], ['cahadp', 'CaHADP'],
    ['free_po4', 'PO₄³⁻'], ['hpo4', 'HPO₄²⁻'], ['h2po4', 'H₂PO₄⁻'], ['mghpo4', 'MgHPO₄'],
    ['cahpo4', 'CaHPO₄'],
    ['ionic_strength_species', 'Ionic strength of the species (≥, M)', 'M'],
    ['ionic_strength_tris', '+ with 20 mM Tris (M)', 'M'],
  ];
  const TotalKeys = Totals.map((t) => t[0]);

  // The arithmetic faults, whose messages are the program's own, in plain words.
  const Explanations = {
    '0 による浮動小数点数除算': ' (a division by zero: a value this mode divides by, such as a free ion or CaATP, is 0)',
    '不正な浮動小数点数演算命令': ' (an invalid operation, such as the square root of a negative ionic strength)',
    '浮動小数点数のオーバーフロー': ' (a result beyond the range of numbers)',
  };

  // The entry fields' rule: blanks, an optional sign, digits with an optional point (at
  // least one digit), an optional exponent, blanks.
  const NumberRule = /^[ \t]*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?[ \t]*$/;

  let quelix = null;
  let modes = [];
  let setFile = null; // {name, text} of a set file opened from disk
  let lastResult = null;
  let lastSeries = null;

  // --- fields ---------------------------------------------------------------------------

  function makeField(container, key, caption, unit, idPrefix = '') {
    const id = idPrefix + key;
    const div = document.createElement('div');
    div.className = 'field';
    div.innerHTML = `<label for="${id}">${caption}${unit ? ` <span class="unit">${unit}</span>` : ''}</label>` +
      `<input id="${id}" name="${id}" inputmode="decimal" spellcheck="false" aria-describedby="${id}-error">` +
      `<p class="error" id="${id}-error" role="alert"></p>`;
    container.appendChild(div);
    const input = div.querySelector('input');
    input.addEventListener('input', () => checkField(input, false));
    input.addEventListener('blur', () => checkField(input, true));
    return input;
  }

  function showFieldError(id, message) {
    const input = $(id);
    const error = $(id + '-error');
    if (error) error.textContent = message || '';
    if (input) {
      if (message) input.setAttribute('aria-invalid', 'true');
      else input.removeAttribute('aria-invalid');
    }
  }

  // A field that does not follow the rule says so; while typing only once it is complete.
  function checkField(input, final) {
    const text = input.value;
    const optional = input.id === 'temperature_c';
    if (optional && text.trim() === '') return showFieldError(input.id, ''), true;
    if (NumberRule.test(text)) return showFieldError(input.id, ''), true;
    if (final || text.trim() !== '')
      showFieldError(input.id, text.trim() === '' ? 'A number is needed here.'
        : `'${text}' is not a number: digits with an optional point and exponent, such as 0.5 or 5e-4.`);
    return false;
  }

  function modeInputs(mode) {
    return new Set(modes[Number(mode)].inputs);
  }

  function currentMode() {
    const checked = document.querySelector('input[name="mode"]:checked');
    return checked ? checked.value : '0';
  }

  // The fields the mode reads take input; the others show the last result.
  function applyMode() {
    const inputs = modeInputs(currentMode());
    for (const key of ValueKeys) {
      const input = $(key);
      const given = inputs.has(key);
      input.readOnly = !given;
      input.classList.toggle('computed', !given);
      input.parentElement.classList.toggle('computed', !given);
      input.title = given ? '' : 'Calculated in this mode';
    }
  }

  // --- requests ------------------------------------------------------------------------------

  function conditionsRequest() {
    const request = {};
    const set = $('constants').value;
    if (set === '#file' && setFile) {
      request.constants_file = setFile.text;
      request.constants_file_name = setFile.name;
    } else if (set !== 'builtin') {
      request.constants = set;
    }
    const t = $('temperature_c').value.trim();
    if (t !== '') request.temperature_c = t;
    const scale = document.querySelector('input[name="ph_scale"]:checked').value;
    if (scale !== 'concentration') request.ph_scale = scale;
    return request;
  }

  // The inputs of the mode with the conditions, as the module takes them; null when a field
  // does not follow the rule (its message is shown).
  function solutionRequest() {
    const request = { mode: currentMode() };
    const inputs = modeInputs(request.mode);
    let ok = true;
    for (const key of ValueKeys) {
      if (!inputs.has(key)) continue;
      if (!checkField($(key), true)) ok = false;
      request[key] = $(key).value.trim();
    }
    if ($('temperature_c').value.trim() !== '' && !checkField($('temperature_c'), true)) ok = false;
    return ok ? Object.assign(request, conditionsRequest()) : null;
  }

  function clearErrors() {
    for (const el of document.querySelectorAll('.error')) el.textContent = '';
    for (const el of document.querySelectorAll('[aria-invalid]')) el.removeAttribute('aria-invalid');
  }

  // A message of the module beside the field it concerns, or for the form.
  function showRequestError(error, formErrorId) {
    const field = error.field ? error.field.replace('.', '-') : '';
    if (field && $(field + '-error')) {
      showFieldError(field, error.message);
      $(field).focus();
    } else {
      $(formErrorId).textContent = error.message;
    }
  }

  // --- the address -----------------------------------------------------------------------------

  function stateToHash() {
    const params = new URLSearchParams();
    params.set('mode', currentMode());
    for (const key of ValueKeys) params.set(key, $(key).value.trim());
    const c = conditionsRequest();
    if (c.constants) params.set('constants', c.constants);
    if (c.temperature_c) params.set('temperature_c', c.temperature_c);
    if (c.ph_scale) params.set('ph_scale', c.ph_scale);
    const kind = document.querySelector('input[name="series_kind"]:checked').value;
    params.set('series', kind);
    params.set('pca_list', $('pca_list').value.trim());
    params.set('volume', $('volume').value.trim());
    for (const stock of ['stock_a', 'stock_b'])
      for (const key of TotalKeys) {
        const v = $(`${stock}-${key}`).value.trim();
        if (v !== '' && Number(v) !== 0) params.set(`${stock}.${key}`, v);
      }
    return '#' + params.toString();
  }

  function hashToState(hash) {
    const params = new URLSearchParams(hash.replace(/^#/, ''));
    const get = (key, fallback) => (params.has(key) ? params.get(key) : fallback);
    const mode = get('mode', Defaults.mode);
    const radio = document.querySelector(`input[name="mode"][value="${CSS.escape(mode)}"]`);
    if (radio) radio.checked = true;
    for (const key of ValueKeys) $(key).value = get(key, Defaults[key]);
    const set = get('constants', 'builtin');
    if ([...$('constants').options].some((o) => o.value === set)) $('constants').value = set;
    $('temperature_c').value = get('temperature_c', '');
    const scale = get('ph_scale', 'concentration');
    const scaleRadio = document.querySelector(`input[name="ph_scale"][value="${CSS.escape(scale)}"]`);
    if (scaleRadio) scaleRadio.checked = true;
    const kind = get('series', 'mixing');
    const kindRadio = document.querySelector(`input[name="series_kind"][value="${CSS.escape(kind)}"]`);
    if (kindRadio) kindRadio.checked = true;
    $('pca_list').value = get('pca_list', '9,6.5:5.5:0.1,4.5');
    $('volume').value = get('volume', '1000');
    const anyStock = [...params.keys()].some((k) => k.startsWith('stock_'));
    for (const stock of ['stock_a', 'stock_b'])
      for (const key of TotalKeys)
        $(`${stock}-${key}`).value = anyStock ? get(`${stock}.${key}`, '0')
          : (StockDefaults[stock][key] || '0');
    applyMode();
    applySeriesKind();
    showSetInfo();
  }

  function updateAddress() {
    const hash = stateToHash();
    history.replaceState(null, '', hash);
    $('share-link').href = hash;
  }

  // --- the result -------------------------------------------------------------------------------

  // A concentration in mM with a unit chosen by its size, three decimals.
  function concentration(mM) {
    if (mM === null || mM === undefined) return '—';
    const a = Math.abs(mM);
    if (a === 0) return '0';
    const units = [[1e3, 1e-3, 'M'], [1, 1, 'mM'], [1e-3, 1e3, 'µM'], [1e-6, 1e6, 'nM'],
      [1e-9, 1e9, 'pM']];
    for (const [limit, scale, unit] of units)
      if (a >= limit) return `${(mM * scale).toFixed(3)} ${unit}`;
    return `${(mM * 1e12).toFixed(3)} fM`;
  }

  // A calculated value for its field: seven significant digits, in the entry fields' form.
  function shortNumber(x) {
    if (x === null || x === undefined) return '';
    return String(Number(Number(x).toPrecision(7)));
  }

  function conditionsText(record, kindText) {
    const set = record.constants || 'Built-in';
    const parts = [`Constants: ${set}`];
    if (record.temperature_c !== undefined && record.temperature_c !== null)
      parts.push(`at ${record.temperature_c} °C` + (record.uncorrected_entries
        ? ` (${record.uncorrected_entries} entries without an enthalpy not corrected)` : ''));
    else parts.push("at the set's own temperature");
    if (record.edited_entries) parts.push(`${record.edited_entries} entries edited`);
    const pcH = typeof record.pch === 'number' ? `, pcH ${record.pch.toFixed(3)}` : '';
    parts.push(record.ph_scale === 'activity'
      ? `pH read from a meter (H⁺ activity)${pcH}` : 'pH as −log₁₀ [H⁺]');
    return (kindText ? kindText + ' — ' : '') + parts.join('; ');
  }

  function showResult(answer, request) {
    const record = JSON.parse(answer.record);
    lastResult = { answer, request };
    $('result-conditions').textContent = conditionsText(record, `Mode ${record.mode}: ${modes[record.mode].caption}`);
    $('report').textContent = answer.report;
    const body = $('species').tBodies[0];
    body.innerHTML = '';
    for (const [key, label, kind] of Species) {
      const row = body.insertRow();
      row.dataset.key = key;
      const th = document.createElement('th');
      th.scope = 'row';
      th.textContent = label;
      row.appendChild(th);
      const value = record[key];
      row.insertCell().textContent = kind === 'plain'
        ? (value === null ? '—' : Number(value).toFixed(3))
        : kind === 'M' ? (value === null ? '—' : `${Number(value).toFixed(4)} M`)
          : concentration(value);
    }
    // The values the mode calculates go back into their fields, as in the desktop window.
    const inputs = modeInputs(record.mode);
    for (const key of ValueKeys)
      if (!inputs.has(key)) $(key).value = shortNumber(record[key]);
    $('result-error').textContent = '';
    showNotes(record);
    $('result-body').hidden = false;
  }

  // What quelix-cli warns about, in the same words: a value the mode read that looks like a
  // slip, and a Tris term that turns negative. They change nothing in the result.
  function showNotes(record) {
    const notes = [];
    const inputs = modeInputs(record.mode);
    const caption = Object.fromEntries([...Conditions, ...Totals, ...Frees].map((f) => [f[0], f[1]]));
    for (const key of ValueKeys) {
      if (!inputs.has(key) && key !== 'ph' && key !== 'ionic_strength') continue;
      const v = record[key];
      if (key === 'ph' && !(v >= 0 && v <= 14)) notes.push(`pH ${v} is outside 0 to 14; it is used as given.`);
      else if (key === 'ionic_strength' && v > 5)
        notes.push(`Ionic strength ${v} is above 5 M (the ionic strength is in M, not mM); it is used as given.`);
      else if (key !== 'ph' && key !== 'ionic_strength' && v < 0)
        notes.push(`${caption[key]} ${v} mM is negative; it is used as given.`);
    }
    if (record.ionic_strength_tris < 0)
      notes.push(`At pH ${record.ph} the Tris term of the ionic strength estimate is negative: that estimate holds only up to pH 11.27.`);
    const list = $('result-notes');
    list.innerHTML = '';
    for (const note of notes) list.appendChild(document.createElement('li')).textContent = note;
    list.hidden = notes.length === 0;
  }

  function calculate() {
    clearErrors();
    const request = solutionRequest();
    if (!request) {
      $('form-error').textContent = 'Some fields need a number; see the messages beside them.';
      const bad = document.querySelector('[aria-invalid="true"]');
      if (bad) bad.focus();
      return;
    }
    updateAddress();
    try {
      showResult(quelix.solve(request), request);
    } catch (error) {
      $('result-body').hidden = true;
      $('result-conditions').textContent = '';
      if (error.kind === 'request') showRequestError(error, 'form-error');
      $('result-error').textContent = 'No result: ' + error.message + (Explanations[error.message] || '');
    }
  }

  // --- the series --------------------------------------------------------------------------------

  function applySeriesKind() {
    const mixing = document.querySelector('input[name="series_kind"]:checked').value === 'mixing';
    for (const el of document.querySelectorAll('.mixing-only')) el.hidden = !mixing;
  }

  function seriesRequest() {
    const kind = document.querySelector('input[name="series_kind"]:checked').value;
    const request = { pca_list: $('pca_list').value };
    let ok = true;
    for (const key of ['ph', 'ionic_strength']) {
      if (!checkField($(key), true)) ok = false;
      request[key] = $(key).value.trim();
    }
    if (kind === 'mixing') {
      if (!checkField($('volume'), true)) ok = false;
      request.volume = $('volume').value.trim();
      for (const stock of ['stock_a', 'stock_b']) {
        request[stock] = {};
        for (const key of TotalKeys) {
          const input = $(`${stock}-${key}`);
          if (!checkField(input, true)) ok = false;
          request[stock][key] = input.value.trim();
        }
      }
    } else {
      const base = solutionRequest();
      if (!base) return null;
      Object.assign(request, base);
      delete request.free_ca;
    }
    return ok ? Object.assign(request, conditionsRequest()) : null;
  }

  // Columns of the bench sheet: record field, caption, decimals (-1: the volumes').
  function sheetColumns(kind) {
    const common = [['total_ca', 'Total Ca, mM', 4], ['free_mg', 'Free Mg²⁺, mM', 4],
      ['mgatp', 'MgATP, mM', 4]];
    return kind === 'mixing'
      ? [['pca_target', 'pCa', 2], ['fraction_b', 'Fraction B', 6], ['volume_a', 'Volume A', -1],
        ['volume_b', 'Volume B', -1], ...common]
      : [['pca_target', 'pCa', 2], ['free_ca', 'Free Ca²⁺, mM', 6], ['total_mg', 'Total Mg, mM', 4],
        ...common.slice(0), ['caatp', 'CaATP, mM', 4]];
  }

  function volumeDecimals(volume) {
    const magnitude = Math.floor(Math.log10(Math.abs(volume)));
    return Math.max(0, 4 - magnitude);
  }

  function showSeries(answer, request) {
    const rows = answer.json.trim().split('\n').map((line) => JSON.parse(line));
    lastSeries = { answer, request, rows };
    const kind = answer.kind;
    const columns = sheetColumns(kind);
    const decimals = volumeDecimals(Number(request.volume || 1000));
    const head = $('series-table').tHead;
    head.innerHTML = '<tr>' + columns.map((c) => `<th scope="col">${c[1]}</th>`).join('') +
      '<th scope="col" class="check">Made</th></tr>';
    const body = $('series-table').tBodies[0];
    body.innerHTML = '';
    for (const row of rows) {
      const tr = body.insertRow();
      if (row.error) {
        tr.className = 'failed';
        tr.insertCell().textContent = Number(row.pca_target).toFixed(2);
        const cell = tr.insertCell();
        cell.colSpan = columns.length;
        cell.textContent = row.error;
        continue;
      }
      for (const [key, , d] of columns) {
        const v = row[key];
        tr.insertCell().textContent = v === null || v === undefined ? '—'
          : Number(v).toFixed(d < 0 ? decimals : d);
      }
      tr.insertCell().className = 'check';
    }
    // The heading lines of quelix-cli's table: the design and the stocks.
    const table = answer.table.split('\n');
    const headingEnd = table.findIndex((line, i) => i > 0 && line.trim() === '');
    $('series-heading').textContent =
      table.slice(0, headingEnd).filter((line) => !line.startsWith('Constants:')).join('\n');
    $('series-conditions').textContent = conditionsText(rows.find((r) => !r.error) || rows[0],
      kind === 'mixing' ? 'Mixing table' : 'One solution per target');
    drawPlot(rows, kind);
    $('series-sheet').hidden = false;
  }

  // The titration curve: the fraction of stock B (mixing table) or the total Ca (per point)
  // against the target pCa, high pCa on the left as in the lab.
  function drawPlot(rows, kind) {
    const svg = $('series-plot');
    const key = kind === 'mixing' ? 'fraction_b' : 'total_ca';
    const points = rows.filter((r) => !r.error && r[key] !== null && r[key] !== undefined)
      .map((r) => ({ x: Number(r.pca_target), y: Number(r[key]) }));
    if (points.length === 0) {
      svg.innerHTML = '';
      $('series-plot-title').textContent = 'No target was reached: nothing to plot.';
      return;
    }
    const W = 640, H = 320, left = 64, right = 16, top = 16, bottom = 48;
    const xs = points.map((p) => p.x);
    const ys = points.map((p) => p.y);
    const xMax = Math.ceil(Math.max(...xs)), xMin = Math.floor(Math.min(...xs));
    const yMax = kind === 'mixing' ? 1 : Math.max(...ys, 0) * 1.05 || 1;
    const px = (x) => left + (xMax - x) / Math.max(xMax - xMin, 1e-9) * (W - left - right);
    const py = (y) => H - bottom - y / yMax * (H - top - bottom);
    let s = `<rect class="frame" x="${left}" y="${top}" width="${W - left - right}" height="${H - top - bottom}"/>`;
    for (let x = xMax; x >= xMin; --x)
      s += `<line class="grid" x1="${px(x)}" x2="${px(x)}" y1="${top}" y2="${H - bottom}"/>` +
        `<text class="tick" x="${px(x)}" y="${H - bottom + 18}" text-anchor="middle">${x}</text>`;
    for (let i = 0; i <= 4; ++i) {
      const y = yMax * i / 4;
      s += `<line class="grid" x1="${left}" x2="${W - right}" y1="${py(y)}" y2="${py(y)}"/>` +
        `<text class="tick" x="${left - 6}" y="${py(y) + 4}" text-anchor="end">${y.toPrecision(3)}</text>`;
    }
    s += `<text class="axis" x="${(left + W - right) / 2}" y="${H - 8}" text-anchor="middle">pCa</text>`;
    s += `<text class="axis" transform="translate(16 ${(top + H - bottom) / 2}) rotate(-90)" text-anchor="middle">` +
      `${kind === 'mixing' ? 'fraction of stock B' : 'total Ca, mM'}</text>`;
    const sorted = [...points].sort((a, b) => b.x - a.x);
    if (sorted.length > 1)
      s += `<polyline class="curve" points="${sorted.map((p) => `${px(p.x)},${py(p.y)}`).join(' ')}"/>`;
    for (const p of points)
      s += `<circle class="point" cx="${px(p.x)}" cy="${py(p.y)}" r="4" data-pca="${p.x}" data-value="${p.y}"><title>pCa ${p.x}: ${p.y}</title></circle>`;
    svg.innerHTML = s;
    $('series-plot-title').textContent = `${points.length} solutions: ` +
      (kind === 'mixing' ? 'fraction of stock B' : 'total Ca') + ' for each target pCa.';
  }

  function designSeries() {
    clearErrors();
    const request = seriesRequest();
    if (!request) {
      $('series-error').textContent = 'Some fields need a number; see the messages beside them.';
      return;
    }
    updateAddress();
    try {
      showSeries(quelix.series(request), request);
    } catch (error) {
      $('series-sheet').hidden = true;
      if (error.kind === 'request') showRequestError(error, 'series-error');
      if (!$('series-error').textContent) $('series-error').textContent = error.message;
    }
  }

  // --- constant sets and downloads -------------------------------------------------------------

  function showSetInfo() {
    const value = $('constants').value;
    const set = value === '#file' ? setFile && setFile.summary
      : quelix && quelix.constantSets().find((s) => s.id === value);
    $('constants-info').textContent = set ? set.description : '';
  }

  function openSetFile(file) {
    const reader = new FileReader();
    reader.onload = () => {
      showFieldError('constants_file', '');
      try {
        const summary = quelix.readSetFile(reader.result, file.name);
        setFile = { name: file.name, text: reader.result, summary };
        let option = [...$('constants').options].find((o) => o.value === '#file');
        if (!option) {
          option = new Option('', '#file');
          $('constants').add(option);
        }
        option.textContent = `${summary.name} (${file.name})`;
        $('constants').value = '#file';
        showSetInfo();
      } catch (error) {
        $('constants_file-error').textContent = error.message;
      }
    };
    reader.readAsText(file);
  }

  function download(name, type, text) {
    const url = URL.createObjectURL(new Blob([text], { type }));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
  }

  // --- start -------------------------------------------------------------------------------------

  function build() {
    const modeBox = $('modes');
    for (const m of modes) {
      const label = document.createElement('label');
      label.innerHTML = `<input type="radio" name="mode" value="${m.mode}"> <b>${m.mode}</b> ${m.caption}`;
      modeBox.appendChild(label);
    }
    modeBox.addEventListener('change', applyMode);
    for (const [key, caption, unit] of Conditions) makeField($('condition-fields'), key, caption, unit);
    for (const [key, caption] of Totals) makeField($('total-fields'), key, caption, '');
    for (const [key, caption] of Frees) makeField($('free-fields'), key, caption, '');
    for (const stock of ['stock_a', 'stock_b'])
      for (const [key, caption] of Totals) makeField($(`${stock}-fields`), key, caption, '', `${stock}-`);
    for (const set of quelix.constantSets()) $('constants').add(new Option(set.name, set.id));
    $('constants').addEventListener('change', showSetInfo);
    $('set-file').addEventListener('change', (e) => e.target.files[0] && openSetFile(e.target.files[0]));
    $('temperature_c').addEventListener('blur', (e) => checkField(e.target, true));
    $('calc').addEventListener('submit', (e) => { e.preventDefault(); calculate(); });
    $('series-form').addEventListener('submit', (e) => { e.preventDefault(); designSeries(); });
    $('series-form').addEventListener('change', applySeriesKind);
    $('defaults-button').addEventListener('click', () => { hashToState(''); calculate(); });
    $('download-csv').addEventListener('click', () =>
      download('quelix.csv', 'text/csv', lastResult.answer.csv));
    $('download-json').addEventListener('click', () =>
      download('quelix.json', 'application/json', lastResult.answer.record));
    $('series-csv').addEventListener('click', () =>
      download('quelix-series.csv', 'text/csv', lastSeries.answer.csv));
    $('series-json').addEventListener('click', () =>
      download('quelix-series.json', 'application/json', lastSeries.answer.json));
    $('series-print').addEventListener('click', () => window.print());
    window.addEventListener('hashchange', () => { hashToState(location.hash); calculate(); });
  }

  // From a file the page cannot fetch quelix.wasm; quelix-wasm.js carries it as text.
  function loadWasmScript() {
    if (location.protocol !== 'file:') return Promise.resolve({});
    return new Promise((resolve, reject) => {
      const script = document.createElement('script');
      script.src = 'quelix-wasm.js';
      script.onload = () => {
        const text = atob(window.QuelixWasmBase64);
        const bytes = new Uint8Array(text.length);
        for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
        resolve({ wasmBinary: bytes });
      };
      script.onerror = () => reject(new Error('quelix-wasm.js could not be loaded'));
      document.head.appendChild(script);
    });
  }

  const started = performance.now();
  loadWasmScript().then((options) => QuelixModule(options)).then((module) => {
    quelix = module;
    modes = quelix.modes();
    build();
    hashToState(location.hash);
    calculate();
    const ms = performance.now() - started;
    window.QuelixFirstResultMs = ms;
    $('status').textContent = `Ready (first result after ${Math.round(ms)} ms).`;
    document.body.dataset.ready = 'true';
  }).catch((error) => {
    $('status').textContent = 'The calculation could not be loaded: ' + error.message;
  });
})();
