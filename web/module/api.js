// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The module's calls. Each takes the request as JSON text (or an object) and returns
// quelix-cli's text for the same inputs; an input that cannot be used or a calculation
// that fails throws an Error whose message is quelix-cli's, with `field` (the request's
// key it concerns, or ""), `kind` ("request" or "calculation") and, for a failed
// calculation, `record` (the record with its error, as a batch run writes it).
(function () {
  function text(request) {
    return typeof request === 'string' ? request : JSON.stringify(request);
  }
  function unwrap(answerText) {
    const answer = JSON.parse(answerText);
    if (!answer.ok) {
      const error = new Error(answer.error);
      error.field = answer.field;
      error.kind = answer.kind;
      if (answer.record !== undefined) error.record = answer.record;
      throw error;
    }
    delete answer.ok;
    return answer;
  }
  // The record line, the report and the CSV (header and line) of one calculation.
  Module['solve'] = (request) => unwrap(Module['webCalculate'](text(request)));
  Module['calculate'] = (request) => Module['solve'](request).record;
  Module['report'] = (request) => Module['solve'](request).report;
  // {kind, table, json, csv} of a pCa series (per point, or a mixing table).
  Module['series'] = (request) => unwrap(Module['webSeries'](text(request)));
  Module['constantSets'] = () => unwrap(Module['webConstantSets']()).sets;
  // [{mode, caption, inputs}]: the record's names of the values each mode reads.
  Module['modes'] = () => unwrap(Module['webModes']()).modes;
  Module['setFileText'] = (idOrName) => unwrap(Module['webSetFileText'](String(idOrName))).text;
  // {name, description, reference_temperature_c, entries} of a set file's text.
  Module['readSetFile'] = (fileText, fileName) =>
    unwrap(Module['webReadSetFile'](String(fileText), String(fileName)));
})();
