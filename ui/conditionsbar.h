// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The main window's status bar says which constant set, temperature and pH scale are in
// force, in the words of the report's first line. Under the default conditions (the
// built-in set, no temperature, pH as concentration) the window has no status bar, as it
// never had. A line longer than the window is cut short with an ellipsis (the whole line is
// the tool tip), so that the window never grows to fit it.

class QLabel;
class QMainWindow;
class QWidget;
class TEngine;

/// A one-line label that never asks for more width than it is given: a longer text is cut
/// with an ellipsis where the label ends. Give it the whole text as its tool tip too.
QLabel* MakeElidedLabel(QWidget* parent = nullptr);

/// Shows the engine's conditions in `window`'s status bar, or hides the bar under the
/// default conditions.
void ShowConditions(QMainWindow* window, const TEngine& engine);
