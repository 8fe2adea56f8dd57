// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "request/inputnotes.h"

#include "engine/calcerror.h"

using enum TValueField;

namespace {

// Above 5 M no aqueous buffer is meant: the likely slip is a value in mM (150 for 0.15 M).
constexpr TReal MaxPlausibleIonStr = 5;
constexpr TReal MinPlausiblepH = 0;
constexpr TReal MaxPlausiblepH = 14;

TValueField FieldOf(std::size_t input)
{
    return static_cast<TValueField>(input - 1);
}

// The mode is always read; pca is read exactly where free Ca++ is an input.
bool IsRead(TCalcMode mode, std::size_t input)
{
    if (input == 0)
        return true;
    if (input == PCaInput)
        return IsModeInput(mode, vfFreeCa);
    return IsModeInput(mode, FieldOf(input));
}

bool IsImplausible(TValueField field, TReal value)
{
    switch (field) {
    case vfpH:
        return !(value >= MinPlausiblepH && value <= MaxPlausiblepH);
    case vfIonStr:
        return value > MaxPlausibleIonStr;
    default:
        return value < 0;
    }
}

// "a", "a and b", "a, b and c".
std::string JoinedList(const std::vector<std::string>& items)
{
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += i + 1 < items.size() ? ", " : " and ";
        text += items[i];
    }
    return text;
}

std::string NameOf(std::size_t input, TNaming naming)
{
    const std::string_view column = InputColumnName(input);
    return naming == TNaming::nmOption ? OptionName(column) : std::string(column);
}

std::string ModeText(TCalcMode mode)
{
    const auto m = static_cast<std::size_t>(mode);
    return "mode " + std::to_string(m) + " (" + std::string(ModeCaptions[m]) + ")";
}

// What the mode does read, of the inputs that depend on the mode.
std::string ReadsText(TCalcMode mode, TNaming naming)
{
    std::vector<std::string> names;
    for (TValueField f : ModeFields)
        if (IsModeInput(mode, f))
            names.push_back(NameOf(static_cast<std::size_t>(f) + 1, naming));
    return "of the inputs that depend on the mode it reads " + JoinedList(names);
}

// Why a value is implausible, after "<name> <value> is" or "<name> is".
std::string ImplausibleText(TValueField field)
{
    switch (field) {
    case vfpH:
        return "outside 0 to 14";
    case vfIonStr:
        return "above 5 M (the ionic strength is in M, not mM)";
    default:
        return "negative";
    }
}

constexpr const char* TrisText = "the Tris term of the ionic strength estimate is negative";
constexpr const char* TrisLimit = "that estimate holds only up to pH 11.27";

} // namespace

std::string_view InputColumnName(std::size_t i)
{
    return i == PCaInput ? std::string_view("pca") : RecordColumns()[i].Name;
}

TInputNotes NoteInputs(const TCalcInput& input, const TInputSet& given)
{
    TInputNotes notes;
    notes.Mode = input.Mode;
    for (std::size_t i = 0; i < given.size(); ++i)
        if (given[i] && !IsRead(input.Mode, i))
            notes.Unread.set(i);
    for (std::size_t i = 0; i < InputColumnCount; ++i)
        notes.FromDefault[i] = !given[i];
    if (given[PCaInput])
        notes.FromDefault.reset(static_cast<std::size_t>(vfFreeCa) + 1);
    for (TValueField f : AllValueFields)
        if (IsModeInput(input.Mode, f) && IsImplausible(f, input[f]))
            notes.Implausible.set(static_cast<std::size_t>(f));
    return notes;
}

void NoteOutcome(TInputNotes& notes, const TCalcOutcome& outcome)
{
    notes.TrisNegative = !outcome.Failed() && outcome.IonStrTris < 0;
}

std::vector<std::string> SingleRunWarnings(const TInputNotes& notes, const TCalcInput& input,
                                           TNaming naming)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < notes.Unread.size(); ++i)
        if (notes.Unread[i])
            lines.push_back("warning: " + ModeText(notes.Mode) + " does not read "
                            + NameOf(i, naming) + "; " + ReadsText(notes.Mode, naming) + ".");
    for (TValueField f : AllValueFields)
        if (notes.Implausible[static_cast<std::size_t>(f)])
            lines.push_back("warning: " + NameOf(static_cast<std::size_t>(f) + 1, naming) + " "
                            + FormatReal(input[f]) + " is " + ImplausibleText(f)
                            + "; it is used as given.");
    if (notes.TrisNegative)
        lines.push_back("warning: at pH " + FormatReal(input[vfpH]) + " " + TrisText + ": "
                        + TrisLimit + ".");
    return lines;
}

std::string ZeroDivisorHint(const TCalcInput& input, const TInputSet& given, std::string_view error)
{
    if (error != CalcMessage::ZeroDivide && error != CalcMessage::InvalidOp)
        return "";
    // The first division of each mode's solve, in the order the solve makes them: modes 1
    // and 2 divide the Mg complexes by free Mg++, modes 3 to 5 the Ca complexes by free
    // Ca++, and mode 5 then divides MgATP by the free ATP that CaATP gave.
    std::vector<TValueField> divisors;
    switch (input.Mode) {
    case TCalcMode::cmMgATP_MgADP_Mg:
    case TCalcMode::cmMgATP_Mg_MgADP_Ca:
        divisors = {vfFreeMg};
        break;
    case TCalcMode::cmCaATP_Ca_CaADP:
    case TCalcMode::cmCaATP_CaADP_Ca_Mg:
        divisors = {vfFreeCa};
        break;
    case TCalcMode::cmMgATP_CaATP_Ca:
        divisors = {vfFreeCa, vfCaATP};
        break;
    default:
        break;
    }
    for (TValueField f : divisors) {
        if (input[f] != 0)
            continue;
        const std::size_t i = static_cast<std::size_t>(f) + 1;
        std::string text = ModeText(input.Mode);
        text[0] = 'M';
        return text + " divides by " + NameOf(i, TNaming::nmOption)
            + (given[i] ? ", which is 0." : ", which is 0 by default: give it a value.");
    }
    return "";
}

void TBatchNotes::TRows::Add(std::size_t row)
{
    if (Count++ == 0)
        First = row;
}

std::string TBatchNotes::TRows::Text() const
{
    if (Count == 1)
        return "row " + std::to_string(First);
    return std::to_string(Count) + " rows, the first row " + std::to_string(First);
}

TBatchNotes::TBatchNotes(const std::bitset<InputColumnCount>& options, TNaming optionNaming)
    : FOptions(options)
    , FOptionNaming(optionNaming)
{
}

void TBatchNotes::Add(std::size_t row, const TInputNotes& notes)
{
    ++FRowCount;
    const auto m = static_cast<std::size_t>(notes.Mode);
    if (notes.Unread.any()) {
        FUnreadRows[m].Add(row);
        FUnreadColumns[m] |= notes.Unread;
    }
    for (std::size_t f = 0; f < ValueFieldCount; ++f)
        if (notes.Implausible[f])
            FImplausible[f].Add(row);
    if (notes.TrisNegative)
        FTrisNegative.Add(row);
    for (std::size_t i = 0; i < InputColumnCount; ++i) {
        if (!notes.FromDefault[i]) {
            FGivenByRow.set(i);
            continue;
        }
        if (IsRead(notes.Mode, i))
            FOptionUsed.set(i);
        else
            FOptionUnreadModes[i].set(m);
    }
}

void TBatchNotes::AddUnreadWarnings(std::vector<std::string>& lines) const
{
    for (std::size_t m = 0; m < ModeCount; ++m) {
        if (FUnreadColumns[m].none())
            continue;
        const auto mode = static_cast<TCalcMode>(m);
        std::vector<std::string> columns;
        for (std::size_t i = 0; i < FUnreadColumns[m].size(); ++i)
            if (FUnreadColumns[m][i])
                columns.push_back(NameOf(i, TNaming::nmColumn));
        lines.push_back("warning: " + ModeText(mode) + " does not read the column"
                        + (columns.size() > 1 ? "s " : " ") + JoinedList(columns) + ", given in "
                        + FUnreadRows[m].Text() + "; " + ReadsText(mode, TNaming::nmColumn) + ".");
    }
}

// Why no row used an option: every row gave its own cell, or the rows that took the
// option are in modes that do not read it.
std::string TBatchNotes::UnusedOptionWarning(std::size_t input) const
{
    const std::bitset<ModeCount>& modes = FOptionUnreadModes[input];
    const std::string own = "give their own " + NameOf(input, TNaming::nmColumn);
    std::vector<std::string> numbers;
    std::size_t lastMode = 0;
    for (std::size_t m = 0; m < ModeCount; ++m)
        if (modes[m]) {
            numbers.push_back(std::to_string(m));
            lastMode = m;
        }
    std::string why;
    if (numbers.empty()) {
        why = "all rows " + own;
    } else if (numbers.size() == 1 && !FGivenByRow[input]) {
        const auto mode = static_cast<TCalcMode>(lastMode);
        why = ModeText(mode) + " does not read it; " + ReadsText(mode, FOptionNaming);
    } else {
        why = std::string("the rows in mode") + (numbers.size() > 1 ? "s " : " ")
            + JoinedList(numbers) + " do not read it"
            + (FGivenByRow[input] ? ", the others " + own : "");
    }
    return "warning: no row used " + NameOf(input, FOptionNaming) + ": " + why + ".";
}

std::vector<std::string> TBatchNotes::Warnings() const
{
    std::vector<std::string> lines;
    AddUnreadWarnings(lines);
    for (TValueField f : AllValueFields) {
        const TRows& rows = FImplausible[static_cast<std::size_t>(f)];
        if (rows.Count > 0)
            lines.push_back("warning: " + NameOf(static_cast<std::size_t>(f) + 1, TNaming::nmColumn)
                            + " is " + ImplausibleText(f) + " in " + rows.Text()
                            + "; the values are used as given.");
    }
    if (FTrisNegative.Count > 0)
        lines.push_back("warning: " + std::string(TrisText) + " in " + FTrisNegative.Text() + ": "
                        + TrisLimit + ".");
    for (std::size_t i = 0; i < InputColumnCount && FRowCount > 0; ++i)
        if (FOptions[i] && !FOptionUsed[i])
            lines.push_back(UnusedOptionWarning(i));
    return lines;
}
