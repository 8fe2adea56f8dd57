// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/inifile.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// The name of a section header line ("[name]", blanks allowed around and inside the
// brackets; a header without its closing bracket runs to the end of the line).
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    return TrimBlanks(line.substr(0, line.find(']')));
}

struct TKeyValue {
    std::string_view Key;
    std::string_view Value;
};

// A "key=value" line: the key is the text before the first '=', both sides trimmed.
// Comment lines (';') and lines with an empty key are no entries.
std::optional<TKeyValue> KeyValue(std::string_view line)
{
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const auto eq = trimmed.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = TrimBlanks(trimmed.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    std::string_view value = TrimBlanks(trimmed.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return TKeyValue {key, value};
}

// The file as lines, each kept with its own line end, so that untouched lines are
// written back byte for byte.
class TIniText {
public:
    explicit TIniText(std::string_view content)
    {
        while (!content.empty()) {
            const auto nl = content.find('\n');
            std::string_view text = content.substr(0, nl);
            std::string_view eol;
            if (nl != std::string_view::npos) {
                eol = content.substr(nl, 1);
                if (!text.empty() && text.back() == '\r') {
                    text.remove_suffix(1);
                    eol = content.substr(nl - 1, 2);
                }
            }
            FLines.push_back({std::string(text), std::string(eol)});
            content.remove_prefix(nl == std::string_view::npos ? content.size() : nl + 1);
        }
        // New lines take the line end the file already uses.
        if (!FLines.empty() && !FLines.front().Eol.empty())
            FEol = FLines.front().Eol;
    }

    std::optional<std::string> Find(std::string_view section, std::string_view key) const
    {
        const auto header = FindSection(section);
        if (!header)
            return std::nullopt;
        for (std::size_t i = *header + 1; i < FLines.size() && !SectionName(FLines[i].Text); ++i)
            if (const auto kv = KeyValue(FLines[i].Text); kv && EqualNoCase(kv->Key, key))
                return std::string(kv->Value);
        return std::nullopt;
    }

    void Set(std::string_view section, std::string_view key, std::string_view value)
    {
        std::string line(key);
        line += '=';
        line += value;
        const auto header = FindSection(section);
        if (!header) {
            if (!FLines.empty() && !TrimBlanks(FLines.back().Text).empty())
                InsertAfter(FLines.size() - 1, "");
            InsertAfter(FLines.size() - 1, "[" + std::string(section) + "]");
            InsertAfter(FLines.size() - 1, std::move(line));
            return;
        }
        std::size_t last = *header;
        for (std::size_t i = *header + 1; i < FLines.size() && !SectionName(FLines[i].Text); ++i) {
            if (const auto kv = KeyValue(FLines[i].Text)) {
                if (EqualNoCase(kv->Key, key)) {
                    FLines[i].Text = std::move(line);
                    return;
                }
                last = i;
            }
        }
        InsertAfter(last, std::move(line));
    }

    std::string Text() const
    {
        std::string out;
        for (const TLine& line : FLines) {
            out += line.Text;
            out += line.Eol;
        }
        return out;
    }

private:
    struct TLine {
        std::string Text;
        std::string Eol; // "\n", "\r\n", or empty on a last line without a line end
    };

    std::optional<std::size_t> FindSection(std::string_view section) const
    {
        for (std::size_t i = 0; i < FLines.size(); ++i)
            if (const auto name = SectionName(FLines[i].Text); name && EqualNoCase(*name, section))
                return i;
        return std::nullopt;
    }

    // Inserts after line `index`; SIZE_MAX (the index before an empty file) inserts first.
    void InsertAfter(std::size_t index, std::string text)
    {
        if (index < FLines.size() && FLines[index].Eol.empty())
            FLines[index].Eol = FEol;
        const std::size_t at = index == SIZE_MAX ? 0 : index + 1;
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(at), {std::move(text), FEol});
    }

    std::vector<TLine> FLines;
    std::string FEol = "\n";
};

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Get() const { return FFd; }
    // Closes now and reports whether the close (the last chance for a deferred write
    // error) succeeded.
    bool Close()
    {
        const int fd = std::exchange(FFd, -1);
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

enum class TReadStatus { rsRead, rsMissing, rsFailed };

struct TFileContent {
    TReadStatus Status = TReadStatus::rsFailed;
    std::string Text;
    mode_t Mode = 0;
};

TFileContent ReadFile(const std::filesystem::path& path)
{
    TFileContent result;
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            result.Status = TReadStatus::rsMissing;
        return result;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    result.Mode = st.st_mode;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return result;
        }
        result.Text.append(buf, static_cast<std::size_t>(n));
    }
    result.Status = TReadStatus::rsRead;
    return result;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes `content` to a new file beside `target` and renames it over `target`. The new
// file gets `keepMode` (the old file's permissions) or, when it is 0 (no old file; an old
// file without any permission is refused before this), 0666 less the umask.
bool ReplaceFile(const std::filesystem::path& target, std::string_view content, mode_t keepMode)
{
    std::filesystem::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::random_device random;
    std::filesystem::path temp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = dir / ("." + target.filename().string() + suffix);
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            return false;
    }
    if (raw < 0)
        return false;
    TFd fd(raw);
    const bool written = (keepMode == 0 || ::fchmod(fd.Get(), keepMode) == 0)
        && WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
    if (!fd.Close() || !written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable. The new text is in place whatever this returns.
    TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0)
        ::fsync(dirFd.Get());
    return true;
}

void CheckSingleLine(std::string_view text)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument("settings keys and values are single-line texts");
}

} // namespace

TIniFile::TIniFile(std::filesystem::path fileName) : FFileName(std::move(fileName)) {}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultText) const
{
    const TFileContent file = ReadFile(FFileName);
    if (file.Status == TReadStatus::rsRead)
        if (auto value = TIniText(file.Text).Find(section, key))
            return std::move(*value);
    return std::string(defaultText);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::string text = ReadString(section, key, "");
    std::string_view s = text;
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    unsigned long long magnitude = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size())
        return defaultValue;
    const unsigned long long limit = negative ? static_cast<unsigned long long>(INT_MAX) + 1
                                              : static_cast<unsigned long long>(INT_MAX);
    if (magnitude > limit)
        return defaultValue;
    const long long value = static_cast<long long>(magnitude);
    return static_cast<int>(negative ? -value : value);
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const TIniEntry entry {key, std::string(value)};
    WriteStrings(section, std::span(&entry, 1));
}

void TIniFile::WriteStrings(std::string_view section, std::span<const TIniEntry> entries)
{
    CheckSingleLine(section);
    if (TrimBlanks(section).empty() || section.find(']') != std::string_view::npos)
        throw std::invalid_argument("not a settings section: " + std::string(section));
    for (const TIniEntry& entry : entries) {
        CheckSingleLine(entry.Key);
        CheckSingleLine(entry.Value);
        const std::string_view key = TrimBlanks(entry.Key);
        if (key.empty() || key.find('=') != std::string_view::npos || key.front() == '['
            || key.front() == ';')
            throw std::invalid_argument("not a settings key: " + std::string(entry.Key));
    }

    // A settings file reached through a symbolic link is replaced where it lies, and the
    // link stays.
    std::error_code ec;
    std::filesystem::path target = FFileName;
    if (std::filesystem::is_symlink(FFileName, ec)) {
        target = std::filesystem::canonical(FFileName, ec);
        if (ec)
            throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));
    }

    // An existing file that cannot be read would be lost by the rewrite, and one without
    // write permission is the user's way of saying "keep it": both are refused.
    const TFileContent old = ReadFile(target);
    const bool refused = old.Status == TReadStatus::rsFailed
        || (old.Status == TReadStatus::rsRead
            && ((old.Mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
                || ::access(target.c_str(), W_OK) != 0));
    if (refused)
        throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));

    TIniText text(old.Text);
    for (const TIniEntry& entry : entries)
        text.Set(TrimBlanks(section), TrimBlanks(entry.Key), TrimBlanks(entry.Value));
    const mode_t keepMode = old.Status == TReadStatus::rsRead ? (old.Mode & 07777) : 0;
    if (!ReplaceFile(target, text.Text(), keepMode))
        throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));
}
