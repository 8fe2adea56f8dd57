// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/look.h"

#include <QPushButton>

QFont DesignFont(QFont font)
{
    font.setPixelSize(11);
    return font;
}

QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption, QRect place)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(place);
    return button;
}
