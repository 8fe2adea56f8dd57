// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// Warnings about the inputs of a calculation. The calculation always runs as given; these
// lines on standard error tell the user what it did not read (an option or a batch cell
// that the mode does not take) and what it read but looks like a slip (a pH outside 0 to
// 14, an ionic strength above 5 M, a negative concentration, a Tris term of the ionic
// strength estimate that turns negative). A single run notes one calculation and writes its
// warnings at once; a batch notes every row in input order and sums them up at the end,
// once per mode or column, so that a thousand rows do not give a thousand lines.

#include "request/request.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <vector>

/// The inputs that a command line or a batch row can give: the input columns of a record
/// (bit 0 the mode, bit 1 + f value field f) and, last, pca, which sets free Ca++.
inline constexpr std::size_t PCaInput = InputColumnCount;
using TInputSet = std::bitset<InputColumnCount + 1>;

/// The batch column of input `i` ("mode", "free_ca", "pca").
std::string_view InputColumnName(std::size_t i);

/// What one calculation was given and did not read, and what it read that looks wrong.
struct TInputNotes {
    TCalcMode Mode = TCalcMode::cmEveryGiven;
    TInputSet Unread;      // given, but not read in Mode
    TInputSet FromDefault; // not given by the row: the command line's value (or default)
    std::bitset<ValueFieldCount> Implausible; // read, and outside its plausible range
    bool TrisNegative = false;                // the Tris term of the ionic strength estimate
};

/// The notes of a calculation of `input` that was given the inputs in `given`; an outcome
/// that succeeded adds the check of its Tris term.
TInputNotes NoteInputs(const TCalcInput& input, const TInputSet& given);
void NoteOutcome(TInputNotes& notes, const TCalcOutcome& outcome);

/// How warnings name an input: as the command line's option ("--free-ca") or as the
/// column and keyword ("free_ca").
enum class TNaming { nmOption, nmColumn };

/// The warnings of a single run, named by option (or column), one line each (without "\n").
std::vector<std::string> SingleRunWarnings(const TInputNotes& notes, const TCalcInput& input,
                                           TNaming naming = TNaming::nmOption);

/// For a calculation that failed with a division fault: which input of its mode is the zero
/// divisor, named by option ("" when none is). Modes 1 to 5 divide by a free cation or
/// by CaATP before anything else can fault.
std::string ZeroDivisorHint(const TCalcInput& input, const TInputSet& given,
                            std::string_view error);

/// The warnings of a batch, noted row by row and summed up per mode and column.
class TBatchNotes {
public:
    /// `options`: the inputs given on the command line (bit 0 --mode, 1 + f), named as
    /// `optionNaming` says (Python's keywords are named as the columns).
    explicit TBatchNotes(const std::bitset<InputColumnCount>& options,
                         TNaming optionNaming = TNaming::nmOption);

    /// Notes the row numbered `row` (from 1, in input order) whose inputs were read.
    void Add(std::size_t row, const TInputNotes& notes);

    /// The warnings so far, one line each (without "\n").
    std::vector<std::string> Warnings() const;

private:
    void AddUnreadWarnings(std::vector<std::string>& lines) const;
    std::string UnusedOptionWarning(std::size_t input) const;

    struct TRows {
        std::size_t Count = 0;
        std::size_t First = 0;
        void Add(std::size_t row);
        std::string Text() const;
    };

    std::bitset<InputColumnCount> FOptions;
    TNaming FOptionNaming;
    std::size_t FRowCount = 0;
    std::array<TRows, ModeCount> FUnreadRows; // rows of a mode with cells it does not read
    std::array<TInputSet, ModeCount> FUnreadColumns;
    std::array<TRows, ValueFieldCount> FImplausible;
    TRows FTrisNegative;
    TInputSet FOptionUsed; // some row read the command line's value
    TInputSet FGivenByRow; // some row gave its own value
    std::array<std::bitset<ModeCount>, InputColumnCount + 1> FOptionUnreadModes;
};
