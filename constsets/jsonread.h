// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the strict readers of the program's JSON files (constant sets, recipes) share: a
// message that names the file and where in it the problem is, keys checked against the
// known ones and never given twice, numbers read as extended reals, texts without control
// characters.

#include "constsets/setjson.h"
#include "engine/asciitext.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// Raises a file's error "<file>: <where>: <problem>" as the reader's own exception type.
template <typename TError>
class TJsonProblems {
public:
    explicit TJsonProblems(std::string_view fileName)
        : FFile(fileName)
    {
    }

    void SetWhere(std::string where) { FWhere = std::move(where); }
    const std::string& Where() const { return FWhere; }

    [[noreturn]] void Raise(const std::string& problem) const
    {
        std::string message(FFile);
        message += ": ";
        if (!FWhere.empty())
            message += FWhere + ": ";
        message += problem;
        throw TError(message);
    }

private:
    std::string_view FFile;
    std::string FWhere;
};

inline std::string Quoted(std::string_view key)
{
    return "\"" + std::string(key) + "\"";
}

/// A value as a message shows it. The library cannot print an extended real itself.
inline std::string ValueText(const TJson& value)
{
    if (value.is_number_float())
        return NumberText(value.get<TReal>());
    if (value.is_object())
        return "an object";
    if (value.is_array())
        return "a list";
    if (value.is_string())
        return "the text " + value.dump(-1, ' ', false, TJson::error_handler_t::replace);
    return value.dump();
}

/// Every value of `object` is a known key; every required key is there.
template <typename TProblems>
void CheckKeys(const TJson& object, const std::set<std::string, std::less<>>& known,
               std::initializer_list<std::string_view> required, const TProblems& problems)
{
    for (const auto& [key, value] : object.items())
        if (!known.contains(key))
            problems.Raise("unknown key " + Quoted(key));
    for (std::string_view key : required)
        if (!object.contains(key))
            problems.Raise("the key " + Quoted(key) + " is missing");
}

template <typename TProblems>
TReal Number(const TJson& value, std::string_view key, const TProblems& problems)
{
    if (!value.is_number())
        problems.Raise(Quoted(key) + " must be a number, not " + ValueText(value));
    const TReal x = value.get<TReal>();
    if (!std::isfinite(x))
        problems.Raise(Quoted(key) + " is not a finite number");
    return x == 0 ? 0 : x; // no negative zero, which a file could not tell apart
}

template <typename TProblems>
std::string Text(const TJson& value, std::string_view key, const TProblems& problems,
                 bool mayBeEmpty = false)
{
    if (!value.is_string())
        problems.Raise(Quoted(key) + " must be a text, not " + ValueText(value));
    std::string text = value.get<std::string>();
    for (char ch : text)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
            problems.Raise(Quoted(key) + " must not hold line breaks or other control characters");
    if (!mayBeEmpty && TrimBlanks(text).empty())
        problems.Raise(Quoted(key) + " must not be empty");
    return text;
}

/// The JSON text parsed; a key given twice in one object and a text that is no JSON are the
/// file's errors.
template <typename TProblems>
TJson ParseJson(std::string_view text, const TProblems& problems)
{
    std::vector<std::set<std::string>> keys;
    const auto callback = [&](int, TJson::parse_event_t event, TJson& parsed) {
        if (event == TJson::parse_event_t::object_start)
            keys.emplace_back();
        else if (event == TJson::parse_event_t::object_end)
            keys.pop_back();
        else if (event == TJson::parse_event_t::key
                 && !keys.back().insert(parsed.get<std::string>()).second)
            problems.Raise("the key " + Quoted(parsed.get<std::string>())
                           + " appears twice in one object");
        return true;
    };
    try {
        return TJson::parse(text.begin(), text.end(), callback);
    } catch (const TJson::exception& e) {
        std::string what = e.what();
        if (const auto end = what.find("] ");
            what.starts_with("[json.exception") && end != what.npos)
            what.erase(0, end + 2);
        problems.Raise("not a valid JSON text: " + what);
    }
}

/// The text of the file at `path`, of at most `maxBytes`; the reader's error naming the file
/// when it cannot be opened or read, or is larger ("the file is larger than ...; " and
/// `usualSize`, which says how large such a file is).
template <typename TError>
std::string ReadTextFile(const std::filesystem::path& path, std::size_t maxBytes,
                         std::string_view usualSize)
{
    const std::string fileName = path.string();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw TError(fileName + ": the file cannot be opened");
    std::string text(maxBytes + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad())
        throw TError(fileName + ": the file cannot be read");
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > maxBytes)
        throw TError(fileName + ": the file is larger than " + std::to_string(maxBytes >> 20)
                     + " MB; " + std::string(usualSize));
    return text;
}
