// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/inidoc.h"

#include "engine/asciitext.h"

#include <charconv>
#include <climits>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

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

// A "key=value" line: the key is the text before the first '=', both sides trimmed.
// Comment lines (';'), headers and lines with an empty key are no entries.
std::optional<TIniValue> KeyValue(std::string_view line)
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
    return TIniValue {key, value};
}

void CheckSingleLine(std::string_view text)
{
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw std::invalid_argument("settings keys and values are single-line texts");
}

void CheckEntries(std::string_view section, std::span<const TIniEntry> entries)
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
}

// One line of the text: its characters, its line end ("\n", "\r\n"; "\r" or empty on a
// last line without a line feed) and where it starts.
struct TLine {
    std::string_view Text;
    std::string_view Eol;
    std::size_t Begin = 0;

    std::size_t TextEnd() const { return Begin + Text.size(); }
    std::size_t End() const { return TextEnd() + Eol.size(); }
};

// The lines of a text, one at a time, without storing them.
class TLineReader {
public:
    explicit TLineReader(std::string_view text)
        : FText(text)
    {
    }

    bool Next(TLine& line)
    {
        if (FPos >= FText.size())
            return false;
        const auto nl = FText.find('\n', FPos);
        const std::size_t end = nl == std::string_view::npos ? FText.size() : nl;
        line.Begin = FPos;
        line.Text = FText.substr(FPos, end - FPos);
        line.Eol = FText.substr(end, nl == std::string_view::npos ? 0 : 1);
        // A carriage return before the line feed, or at the very end of the text, is part
        // of the line end, not of the value.
        if (!line.Text.empty() && line.Text.back() == '\r') {
            line.Text.remove_suffix(1);
            line.Eol = FText.substr(end - 1, line.Eol.size() + 1);
        }
        FPos = line.End();
        return true;
    }

private:
    std::string_view FText;
    std::size_t FPos = 0;
};

// What completes the line end of a line before a line is added after it: a last line may
// have none, or only a carriage return (which a line feed makes a "\r\n").
std::string_view LineEndToAdd(const TLine& line, std::string_view eol)
{
    if (line.Eol.empty())
        return eol;
    return line.Eol == "\r" ? "\n" : "";
}

// The line end of the text's first line, which new lines take; "\n" for a text without one.
std::string_view LineEndOf(std::string_view text)
{
    const auto nl = text.find('\n');
    if (nl == std::string_view::npos)
        return text.ends_with('\r') ? "\r\n" : "\n";
    return nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

// Where SetStrings finds the section it writes to.
struct TSectionPlace {
    struct TKeyLine {
        std::string_view Key;
        TLine Line;
    };
    bool Found = false;
    std::vector<TKeyLine> KeyLines; // the section's "key=value" lines
    TLine Last;                     // its last key line, or its header
    TLine LastOfText;               // the last line of the whole text
};

TSectionPlace LocateSection(std::string_view body, std::string_view section)
{
    TSectionPlace place;
    TLineReader lines(body);
    TLine line;
    bool inSection = false;
    while (lines.Next(line)) {
        place.LastOfText = line;
        if (const auto name = SectionName(line.Text)) {
            if (inSection)
                break; // only the first section of that name counts
            if (!place.Found && EqualNoCase(*name, section)) {
                place.Found = inSection = true;
                place.Last = line;
            }
            continue;
        }
        if (const auto kv = KeyValue(line.Text); inSection && kv) {
            place.KeyLines.push_back({kv->Key, line});
            place.Last = line;
        }
    }
    return place;
}

// The lines SetStrings writes: a new text for some of the section's key lines (by their
// index in TSectionPlace::KeyLines), and new "key=value" lines to add.
struct TSectionEdit {
    std::vector<std::optional<std::string>> Replaced;
    std::vector<std::pair<std::string_view, std::string>> Added; // key, line
};

TSectionEdit PlanEdit(const TSectionPlace& place, std::span<const TIniEntry> entries)
{
    // Every key is looked up among the section's lines and those added before it, so that a
    // key given twice ends with its last value, as with one write per key.
    TSectionEdit edit;
    edit.Replaced.resize(place.KeyLines.size());
    for (const TIniEntry& entry : entries) {
        const std::string_view key = TrimBlanks(entry.Key);
        auto same = [key](std::string_view other) { return EqualNoCase(other, key); };
        std::string* slot = nullptr;
        for (std::size_t i = 0; i < place.KeyLines.size() && !slot; ++i)
            if (same(place.KeyLines[i].Key))
                slot = &edit.Replaced[i].emplace();
        for (std::size_t i = 0; i < edit.Added.size() && !slot; ++i)
            if (same(edit.Added[i].first))
                slot = &edit.Added[i].second;
        if (!slot)
            slot = &edit.Added.emplace_back(key, std::string()).second;
        *slot = std::string(key) + '=' + std::string(TrimBlanks(entry.Value));
    }
    return edit;
}

} // namespace

TIniDocument::TIniDocument(std::string content)
    : FText(std::move(content))
{
}

bool TIniDocument::HasByteOrderMark() const
{
    return std::string_view(FText).starts_with(ByteOrderMark);
}

std::string_view TIniDocument::Body() const
{
    return std::string_view(FText).substr(HasByteOrderMark() ? ByteOrderMark.size() : 0);
}

std::vector<TIniValue> TIniDocument::Section(std::string_view section) const
{
    section = TrimBlanks(section);
    std::vector<TIniValue> entries;
    TLineReader lines(Body());
    TLine line;
    bool inSection = false;
    while (lines.Next(line)) {
        if (const auto name = SectionName(line.Text)) {
            if (inSection)
                break;
            inSection = EqualNoCase(*name, section);
        } else if (const auto kv = KeyValue(line.Text); inSection && kv) {
            entries.push_back(*kv);
        }
    }
    return entries;
}

std::optional<std::string_view> FindValue(std::span<const TIniValue> entries, std::string_view key)
{
    key = TrimBlanks(key);
    for (const TIniValue& entry : entries)
        if (EqualNoCase(entry.Key, key))
            return entry.Value;
    return std::nullopt;
}

std::optional<std::string_view> TIniDocument::Find(std::string_view section,
                                                   std::string_view key) const
{
    return FindValue(Section(section), key);
}

void TIniDocument::SetStrings(std::string_view section, std::span<const TIniEntry> entries)
{
    CheckEntries(section, entries);
    section = TrimBlanks(section);
    const std::string_view body = Body();
    const std::string_view eol = LineEndOf(body);
    const TSectionPlace place = LocateSection(body, section);
    const TSectionEdit edit = PlanEdit(place, entries);

    std::string out;
    out.reserve(FText.size() + 64 * (entries.size() + 1));
    out.append(FText, 0, FText.size() - body.size()); // the byte-order mark
    std::size_t copied = 0;
    auto copyTo = [&](std::size_t end) {
        out.append(body.substr(copied, end - copied));
        copied = end;
    };
    for (std::size_t i = 0; i < edit.Replaced.size(); ++i)
        if (edit.Replaced[i]) {
            copyTo(place.KeyLines[i].Line.Begin);
            out += *edit.Replaced[i];
            copied = place.KeyLines[i].Line.TextEnd();
        }
    auto addLines = [&] {
        for (const auto& line : edit.Added) {
            out += line.second;
            out += eol;
        }
    };
    if (place.Found && !edit.Added.empty()) {
        // New keys go after the section's last entry (or its header).
        copyTo(place.Last.End());
        out += LineEndToAdd(place.Last, eol);
        addLines();
    }
    copyTo(body.size());
    if (!place.Found && !edit.Added.empty()) {
        // A new section goes to the end, after a blank line unless the text ends with one.
        if (!body.empty()) {
            out += LineEndToAdd(place.LastOfText, eol);
            if (!TrimBlanks(place.LastOfText.Text).empty())
                out += eol;
        }
        out += "[" + std::string(section) + "]";
        out += eol;
        addLines();
    }
    FText = std::move(out);
}

int IniInteger(std::string_view text, int defaultValue)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const char c = AsciiLower(text[2]);
        if (IsAsciiDigit(c) || (c >= 'a' && c <= 'f')) {
            base = 16;
            text.remove_prefix(2);
        }
    }
    // from_chars reads the leading digits and stops at the first other character.
    unsigned long long magnitude = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (res.ec != std::errc())
        return defaultValue;
    const unsigned long long limit = negative ? static_cast<unsigned long long>(INT_MAX) + 1
                                              : static_cast<unsigned long long>(INT_MAX);
    if (magnitude > limit)
        return defaultValue;
    const long long value = static_cast<long long>(magnitude);
    return static_cast<int>(negative ? -value : value);
}
