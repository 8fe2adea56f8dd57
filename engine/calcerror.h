// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The one error type of Quelix. Every failure the user can meet (an arithmetic fault in
// the engine, a text that is not a number, a settings file that cannot be written, a
// solve that does not converge) is a TCalcError carrying the message shown to the user:
// the window puts it in a message box, the command-line tool on stderr.

#include <stdexcept>
#include <string>
#include <string_view>

class TCalcError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace CalcMessage {
// Messages of the runtime's message table, word for word.
inline constexpr std::string_view ZeroDivide = "0 による浮動小数点数除算";
inline constexpr std::string_view InvalidOp = "不正な浮動小数点数演算命令";
inline constexpr std::string_view Overflow = "浮動小数点数のオーバーフロー";
// The program's own messages.
inline constexpr std::string_view NoResults = "There is no results.";
inline constexpr std::string_view NotConverged = "The calculation did not converge.";
inline constexpr std::string_view NegativeIonStr = "The ionic strength must not be negative.";

/// "'%s' は浮動小数点数ではありません" with `text` in place of %s.
inline std::string NotAFloat(std::string_view text)
{
    std::string msg = "'";
    msg.append(text);
    msg.append("' は浮動小数点数ではありません");
    return msg;
}

/// "%s に書き込めません" with the file name in place of %s.
inline std::string CannotWrite(std::string_view fileName)
{
    std::string msg(fileName);
    msg.append(" に書き込めません");
    return msg;
}
} // namespace CalcMessage

[[noreturn]] inline void RaiseCalcError(std::string_view message)
{
    throw TCalcError(std::string(message));
}
