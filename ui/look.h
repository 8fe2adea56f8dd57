// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The common look of the windows, which are laid out in fixed pixel positions.

#include <QFont>
#include <QRect>

class QPushButton;
class QWidget;

/// `font` at the size the binding constants dialog was laid out for: 11 pixels, its 8-point
/// font at 96 dots per inch.
QFont DesignFont(QFont font);

/// `font` at the size the main window and the about box were laid out for: 13 pixels, their
/// 10-point font at 96 dots per inch.
QFont WindowFont(QFont font);

/// The main window's font: WindowFont, narrowed (stretched below 100 %) just enough for the
/// longest mode caption to fit its radio button; unchanged where it fits already.
QFont MainWindowFont(const QFont& font);

/// A push button of the fixed layouts: `caption` (with its "&" access key) at `place`,
/// named `objectName` for the tests and the style sheets.
QPushButton* MakeButton(QWidget* parent, const char* objectName, const char* caption, QRect place);
