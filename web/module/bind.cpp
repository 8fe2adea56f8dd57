// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The WebAssembly module's functions, as embind exposes them to JavaScript; web/module/api.js
// turns their answers into the module's calls (calculate, report, series, ...).

#include "web/module/webapi.h"

#include <emscripten/bind.h>

#include <string>

namespace {

std::string Calculate(const std::string& request)
{
    return WebCalculate(request);
}

std::string Series(const std::string& request)
{
    return WebSeries(request);
}

std::string SetFileText(const std::string& idOrName)
{
    return WebSetFileText(idOrName);
}

std::string ReadSetFile(const std::string& text, const std::string& fileName)
{
    return WebReadSetFile(text, fileName);
}

} // namespace

EMSCRIPTEN_BINDINGS(quelix)
{
    emscripten::function("webCalculate", &Calculate);
    emscripten::function("webSeries", &Series);
    emscripten::function("webConstantSets", &WebConstantSets);
    emscripten::function("webModes", &WebModes);
    emscripten::function("webSetFileText", &SetFileText);
    emscripten::function("webReadSetFile", &ReadSetFile);
}
