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
    return value == 0 ? TReal {0} : value;
}

void TSaNumEditExCXModel::SetValue(TReal x)
{
    // An infinity or NaN has no decimal text the field could hold.
    const std::string text = std::isfinite(x) ? RealToText(x) : std::string();
    SetText(text);
    // Only a cut text needs the full value behind it: a text that shows all 15 digits reads
    // back as it always did, and an empty field holds no number, so reading it still fails.
    const bool cut = !ValueText().empty()
        && ValueText() != NormalizeText(FCanExponent ? ExpandExponent(text) : text);
    if (!cut) {
        FFullValueRevision.reset();
        return;
    }
    FFullValue = x;
    FFullValueRevision = TextRevision();
}
