// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/look.h"

QFont DesignFont(QFont font)
{
    font.setPixelSize(11);
    return font;
}
