// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The common look of the windows, which are laid out in fixed pixel positions.

#include <QFont>

/// `font` at the size the windows were laid out for: 11 pixels to the em, the 8-point
/// dialog font at 96 dots per inch, so that every caption fits its designed place.
QFont DesignFont(QFont font);
