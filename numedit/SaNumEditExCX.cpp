// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "numedit/SaNumEditExCX.h"

#include "numedit/SaNumEditExCXModel.h"

#include <memory>

TSaNumEditExCX::TSaNumEditExCX(QWidget* parent)
    : TSaNumEdit(parent, std::make_unique<TSaNumEditExCXModel>())
{
}

// The base was built with this model, so the downcast always holds.
TSaNumEditExCXModel& TSaNumEditExCX::ExModel()
{
    return static_cast<TSaNumEditExCXModel&>(Model());
}

const TSaNumEditExCXModel& TSaNumEditExCX::ExModel() const
{
    return static_cast<const TSaNumEditExCXModel&>(Model());
}

bool TSaNumEditExCX::CanExponent() const
{
    return ExModel().CanExponent();
}

void TSaNumEditExCX::SetCanExponent(bool value)
{
    ExModel().SetCanExponent(value);
}

TReal TSaNumEditExCX::GetValue() const
{
    return ExModel().GetValue();
}

void TSaNumEditExCX::SetValue(TReal x)
{
    ExModel().SetValue(x);
}
