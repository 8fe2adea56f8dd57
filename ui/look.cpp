// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/look.h"

#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>

QFont DesignFont(QFont font)
{
    font.setPixelSize(11);
    return font;
}

QFont WindowFont(QFont font)
{
    font.setPixelSize(13);
    return font;
}

QFont NarrowedToFit(QFont font, const QString& text, int width)
{
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    if (needed <= width)
        return font;
    const int stretch = font.stretch() == QFont::AnyStretch ? 100 : font.stretch();
    // Half the width is as narrow as text stays readable.
    font.setStretch(std::max(50, width * stretch / needed));
    return font;
}

QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption, QRect place)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(place);
    return button;
}
