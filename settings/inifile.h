// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The settings file on disk. An object only names the file; constructing it creates
// nothing. Every call goes to the file itself (nothing is cached): Read reads and splits
// the whole file once (settings/inidoc.h has the text rules), and a write reads it once
// more, changes the keys it writes and replaces the file.
//
// A missing file, or one that cannot be read, reads as an empty text. Writing replaces the
// file in one step: the new text is written to a temporary file in the same directory
// (".<name>.<8 hex digits>.tmp", locked while it is written), flushed to the disk and
// renamed over the old file, so the file on disk is always either the old or the new text,
// never a torn or empty one. Temporary files of that name pattern that an earlier save left
// behind (killed midway) are removed by the next save once they are StaleTempAge old and
// no live save holds them. A write the file system refuses, and an existing file that
// MayWriteSettingsFile refuses, raise TCalcError "%s に書き込めません".

#include "settings/inidoc.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class TIniFile {
public:
    explicit TIniFile(std::filesystem::path fileName);

    const std::filesystem::path& FileName() const { return FFileName; }

    /// The file's text, split into lines; an empty text when the file is missing or
    /// cannot be read.
    TIniDocument Read() const;

    /// The value text of `key` in `section` (blanks and enclosing quotes removed), or
    /// `defaultText` when the file, section or key is missing or the file is unreadable.
    /// Reads the whole file: to read several keys, Read once.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultText) const;

    /// IniInteger of the value of `key`, or `defaultValue` when the key is missing.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;

    /// Sets `key` in `section` to `value`, creating the file, the section or the key as
    /// needed, in one replace of the file (TIniDocument::SetStrings has the rules for keys
    /// and values). Throws TCalcError "%s に書き込めません" when the file cannot be
    /// written; the file then stays exactly as it was.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    /// As WriteString for every entry in order, all in the same single replace of the file.
    void WriteStrings(std::string_view section, std::span<const TIniEntry> entries);

    /// Reads the file, lets `edit` change its text, and writes the result in one replace of
    /// the file, as WriteStrings does. For writes that depend on what the file holds now.
    void Update(const std::function<void(TIniDocument&)>& edit);

private:
    std::filesystem::path FFileName;
};

/// What reading a file before a write found.
enum class TFileState { fsMissing, fsUnreadable, fsReadable };

/// Whether a save may write the settings file. A missing file may be created. An existing
/// file that cannot be read would lose its other lines, and one whose permission bits allow
/// nobody to write it is the user's way of saying "keep it" (which holds even for a user
/// the system would let write it anyway): both are refused, as is a file the system does
/// not let us write. `permissionBits` are the file's mode bits, `writableByUs` what the
/// system says about writing it.
bool MayWriteSettingsFile(TFileState state, unsigned permissionBits, bool writableByUs);

/// Age after which a temporary file that no live save holds counts as left behind. A save
/// takes milliseconds; the margin keeps a save on a slow or remote disk safe.
inline constexpr std::chrono::minutes StaleTempAge {5};

/// Whether `name` is one of our own temporary names for the settings file `fileName`:
/// "." + fileName + "." + 8 lower-case hexadecimal digits + ".tmp".
bool IsTempFileName(std::string_view name, std::string_view fileName);

/// Removes the temporary files of earlier saves of `target` that were left behind: those
/// in its directory with our own name pattern that are regular files, older than
/// StaleTempAge at `now` and not locked by a live save. Returns how many were removed;
/// anything that cannot be checked or removed is left alone.
int RemoveStaleTempFiles(const std::filesystem::path& target, std::filesystem::file_time_type now);
