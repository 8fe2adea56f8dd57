// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A JSON document as the page's requests come: a tree of values in which every number
// keeps the text it was written with, so that "0.001" is read by the entry fields' rule into
// an extended real exactly as quelix-cli reads the option --free-ca 0.001, not through a
// double.

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TJsonNode {
    enum class TKind { jkNull, jkBool, jkNumber, jkText, jkObject, jkArray };
    TKind Kind = TKind::jkNull;
    bool Bool = false;
    std::string Text;                                       // a number as written, or a text
    std::vector<std::pair<std::string, TJsonNode>> Members; // an object's, in order
    std::vector<TJsonNode> Items;                           // an array's

    /// The member named `key`, or null (the last one where a key repeats).
    const TJsonNode* Find(std::string_view key) const;
    bool IsNull() const { return Kind == TKind::jkNull; }
};

/// A request that cannot be used. Field names the key it concerns ("" for the request as a
/// whole), so that the page can show the message beside that field.
class TRequestError : public std::runtime_error {
public:
    TRequestError(const std::string& message, std::string field = {})
        : std::runtime_error(message)
        , Field(std::move(field))
    {
    }
    std::string Field;
};

/// Parses `text`. Throws TRequestError for text that is not JSON.
TJsonNode ParseJsonTree(std::string_view text);
