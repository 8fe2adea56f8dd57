// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The field the main window uses for every value: a TSaNumEdit over the exponent-capable
// model. It shows and edits the plain decimal number ("0.00000015"), while its Text speaks
// exponent notation ("1.5E-7") and GetValue/SetValue read and write extended reals.

#include "engine/realtype.h"
#include "numedit/SaNumEdit.h"

class TSaNumEditExCXModel;

class TSaNumEditExCX : public TSaNumEdit {
    Q_OBJECT
    Q_PROPERTY(bool CanExponent READ CanExponent WRITE SetCanExponent)

public:
    explicit TSaNumEditExCX(QWidget* parent = nullptr);

    bool CanExponent() const;
    /// Only stores the value; the shown number is not touched.
    void SetCanExponent(bool value);

    /// The number the field holds. Throws TCalcError "'%s' は浮動小数点数ではありません"
    /// (with the Text) when the field holds no number, e.g. "" or "-".
    TReal GetValue() const;
    /// Shows x with 15 significant digits, cut to DecimalLength decimals; a number the field
    /// cannot hold leaves it empty. Never throws, never emits OnChange.
    void SetValue(TReal x);

private:
    TSaNumEditExCXModel& ExModel();
    const TSaNumEditExCXModel& ExModel() const;
};
