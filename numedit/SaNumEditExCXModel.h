// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The exponent-capable field model used for every value of the main window. It edits the
// same plain decimal value text as TSaNumEditModel, but its Text property speaks exponent
// notation: SetText("1.5E-7") stores "0.00000015", GetText gives "1.5E-7" back. GetValue and
// SetValue read and write extended reals through that Text. A value that SetValue had to cut
// to the field's decimals is kept in full while its text stays as shown, so that reading a
// result back into the next calculation loses nothing; a text the user typed is read as shown.

#include "engine/realtype.h"
#include "numedit/SaNumEditModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TSaNumEditExCXModel : public TSaNumEditModel {
public:
    using TSaNumEditModel::TSaNumEditModel;

    /// The value text in normalised exponent form (plain when CanExponent is off).
    std::string GetText() const override;
    /// Expands exponent notation (when CanExponent is on), then filters and normalises.
    void SetText(std::string_view s) override;

    /// The number the field holds: the full value of the last SetValue while KeepsFullValue,
    /// else the number its Text denotes. Throws TCalcError "'%s' は浮動小数点数ではありません"
    /// with the Text in place of %s when the field holds no number ("" or "-"). A zero
    /// (also one written with a minus) reads as plain 0.
    TReal GetValue() const;
    /// Shows x with 15 significant digits; the field keeps what its limits allow (cut, not
    /// rounded, to DecimalLength decimals) and is left empty when the integer part is too
    /// long or x is not finite. A cut x is kept in full for GetValue. Never calls OnChange.
    void SetValue(TReal x);
    /// True while the field shows the cut text of the last SetValue, unchanged: no typing,
    /// clipboard, undo, SetText or new limit has touched it since.
    bool KeepsFullValue() const;

    static std::string ExpandExponent(std::string_view s) { return ::ExpandExponent(s); }
    static std::string ToExponentText(std::string_view v) { return ::ToExponentText(v); }

    bool CanExponent() const { return FCanExponent; }
    /// Only stores the value; the shown text is not touched.
    void SetCanExponent(bool value) { FCanExponent = value; }

private:
    bool FCanExponent = true;
    TReal FFullValue = 0;
    std::optional<std::uint64_t> FFullValueRevision; // TextRevision right after SetValue
};
