// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/look.h"

#include "engine/calcstate.h"

#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>
#include <string_view>

namespace {
// A mode's caption has the radio button's 237 pixels less the room of its mark and margins.
constexpr int ModeCaptionWidth = 200;
} // namespace

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

// The layout was drawn for a narrow sans of 13 pixels. A wider desktop font is narrowed until
// the longest mode fits its radio button, which keeps the labels, the button captions and an
// 8-decimal value inside their places as well.
QFont MainWindowFont(const QFont& font)
{
    QFont sized = WindowFont(font);
    const QFontMetrics metrics(sized);
    int needed = 0;
    for (std::string_view caption : ModeCaptions)
        needed = std::max(needed,
                          metrics.horizontalAdvance(QString::fromUtf8(
                              caption.data(), static_cast<qsizetype>(caption.size()))));
    if (needed > ModeCaptionWidth) {
        // Half the width is as narrow as text stays readable.
        sized.setStretch(std::max(50, ModeCaptionWidth * 100 / needed));
    }
    return sized;
}

QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption, QRect place)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(place);
    return button;
}
