// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The text of a settings file in memory, split into lines once, read and changed with the
// rules of a Win32 private profile file. Reading a whole file once and looking up every key
// in that one parse keeps start-up fast for a file of any size (a file of many megabytes of
// comments is split once, not once per key).
//
// Reading: section and key names are matched without regard to (ASCII) case and with the
// blanks around them ignored; the first matching section and, within it, the first
// matching key win. A value loses the blanks around it and one pair of enclosing single
// or double quotes. Lines that are neither a section header nor "key=value" (comments
// starting with ';', blank lines, any other text, binary bytes) are kept but never match.
// A UTF-8 byte-order mark at the start of the text is not part of the first line: it is
// kept, and written back in front of the text.
//
// Writing keeps every other line byte for byte, in its order: a key that exists is
// replaced in place, a new key goes after the last key of its section, a new section goes
// to the end. New lines take the line end the text already uses ("\n" for a new text).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// One key and its value text, for writing.
struct TIniEntry {
    std::string_view Key;
    std::string Value;
};

/// One "key=value" line of a section, as read: key and value trimmed, quotes removed.
struct TIniValue {
    std::string_view Key;
    std::string_view Value;
};

class TIniDocument {
public:
    /// Takes the text; nothing is split or copied until it is read.
    explicit TIniDocument(std::string content = {});

    /// The entries of the first section named `section`, in file order (duplicates kept:
    /// the first of equal keys is the one that counts), from one pass over the text. The
    /// views stay valid until the document is changed or destroyed.
    std::vector<TIniValue> Section(std::string_view section) const;

    /// The value of the first `key` in the first `section`, or nothing when the section or
    /// the key is missing. An empty value is present, not missing. One pass over the text:
    /// to look up several keys, take the Section once and use FindValue.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    /// Sets every entry's key in `section` to its value, in order, creating the section or
    /// the keys as needed, in one pass over the text. Keys and values are single-line texts;
    /// a key must not be empty, contain '=' or start with '[' or ';', a section must not be
    /// empty or contain ']' (std::invalid_argument, and the document stays unchanged).
    void SetStrings(std::string_view section, std::span<const TIniEntry> entries);

    /// The whole text, byte-order mark included.
    const std::string& Text() const { return FText; }

    bool HasByteOrderMark() const;

private:
    // The text after the byte-order mark, if any.
    std::string_view Body() const;

    // One string, and no structure per line, so that a file of millions of short comment
    // lines takes no more memory than its own size.
    std::string FText;
};

/// The value of the first `key` among `entries` (keys compared without regard to case).
std::optional<std::string_view> FindValue(std::span<const TIniValue> entries, std::string_view key);

/// The integer a settings value starts with, read as the platform's profile reader does:
/// an optional sign, then decimal digits, or 0x/0X and hexadecimal digits; whatever follows
/// the digits ("3 ; my favourite") is ignored. A text that does not start with a digit
/// after the sign, or whose number lies beyond int, gives `defaultValue`.
int IniInteger(std::string_view text, int defaultValue);
