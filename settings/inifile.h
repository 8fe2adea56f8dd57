// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The settings file: INI text read and written with the rules of a Win32 private profile
// file. Every call goes to the file itself (nothing is cached), so an object only names
// the file; constructing it creates nothing.
//
// Reading: section and key names are matched without regard to (ASCII) case and with the
// blanks around them ignored; the first matching section and, within it, the first
// matching key win. A value loses the blanks around it and one pair of enclosing single
// or double quotes. A missing file, section or key, or a file that cannot be read, gives
// the caller's default. Lines that are neither a section header nor "key=value" (comments,
// blank lines, any other text, binary bytes) are kept but never match.
//
// Writing keeps every other line of the file byte for byte, in its order: a key that
// exists is replaced in place, a new key goes after the last key of its section, a new
// section goes to the end. The new text is written to a temporary file in the same
// directory, flushed to the disk and renamed over the old file, so the file on disk is
// always either the old or the new text, never a torn or empty one. A write the file
// system refuses, an existing file that is read-only (no write permission bit, or not
// writable by us) or that cannot be read first, raises TCalcError "%s に書き込めません".

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

/// One key and its value text, for writing several keys in one replace of the file.
struct TIniEntry {
    std::string_view Key;
    std::string Value;
};

class TIniFile {
public:
    explicit TIniFile(std::filesystem::path fileName);

    const std::filesystem::path& FileName() const { return FFileName; }

    /// The value text of `key` in `section` (blanks and enclosing quotes removed), or
    /// `defaultText` when the file, section or key is missing or the file is unreadable.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultText) const;

    /// The value of `key` as an integer: optional sign, then decimal digits or 0x/0X and
    /// hexadecimal digits, and nothing else. A missing key, a text that is not such an
    /// integer or a value beyond int gives `defaultValue`.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;

    /// Sets `key` in `section` to `value`, creating the file, the section or the key as
    /// needed, in one atomic replace of the file. Keys and values are single-line texts
    /// (std::invalid_argument otherwise); a key must not contain '=' or start with '[' or ';',
    /// a section must not be empty or contain ']'.
    /// Throws TCalcError "%s に書き込めません" when the file cannot be written; the file
    /// then stays exactly as it was.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    /// As WriteString for every entry in order, all in the same single replace of the file.
    void WriteStrings(std::string_view section, std::span<const TIniEntry> entries);

private:
    std::filesystem::path FFileName;
};
