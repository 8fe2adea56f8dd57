// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The common look of the windows, which are laid out in fixed pixel positions.

#include <QFont>
#include <QRect>

class QPushButton;
class QWidget;

/// `font` at the size the windows were laid out for: 11 pixels to the em, the 8-point
/// dialog font at 96 dots per inch, so that every caption fits its designed place.
QFont DesignFont(QFont font);

/// A push button of the fixed layouts: `caption` (with its "&" access key) at `place`,
/// named `objectName` for the tests and the style sheets.
QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption, QRect place);
