// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/SaNumEditExCXModel.h"

#include "engine/realtext.h"

#include <cmath>

std::string TSaNumEditExCXModel::GetText() const
{
    return FCanExponent ? ToExponentText(ValueText()) : ValueText();
}

void TSaNumEditExCXModel::SetText(std::string_view s)
{
    if (FCanExponent)
        TSaNumEditModel::SetText(ExpandExponent(s));
    else
        TSaNumEditModel::SetText(s);
}

bool TSaNumEditExCXModel::KeepsFullValue() const
{
    return FFullValueRevision == TextRevision();
}

TReal TSaNumEditExCXModel::GetValue() const
{
    const TReal value = KeepsFullValue() ? FFullValue : TextToRealOrRaise(GetText());
    // "-0", "-0." and "-0E-3" are zero; the engine and the report get a plain 0, not -0.
    return value == 0 ? TReal{0} : value;
}

void TSaNumEditExCXModel::SetValue(TReal x)
{
    // An infinity or NaN has no decimal text the field could hold.
    SetText(std::isfinite(x) ? RealToText(x) : std::string());
    // An empty field holds no number: reading it must still fail, as for a typed one.
    if (ValueText().empty()) {
        FFullValueRevision.reset();
        return;
    }
    FFullValue = x;
    FFullValueRevision = TextRevision();
}
