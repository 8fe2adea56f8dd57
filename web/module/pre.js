// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// In Node the module reads quelix.wasm beside quelix.js itself: Node's fetch cannot load a
// file path, and the glue would otherwise try it.
if (typeof process === 'object' && typeof require === 'function' && !Module['wasmBinary']) {
  Module['wasmBinary'] = require('fs').readFileSync(require('path').join(__dirname, 'quelix.wasm'));
}
