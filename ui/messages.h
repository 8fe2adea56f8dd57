// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// How the windows tell the user about a failed command. Every window holds a TMessageSink;
// by default it opens a modal message box captioned with the application's title, and the
// tests put a recording function in its place so that no test ever waits for a click.

#include <QString>

#include <functional>

class QWidget;

enum class TMessageKind { mkError, mkInformation };

using TMessageSink = std::function<void(QWidget* parent, TMessageKind kind, const QString& text)>;

/// The sink that shows a modal message box (error or information icon, OK button).
TMessageSink MessageBoxSink();

/// Runs `command`; a TCalcError (or any other std::exception) that it throws stops it and
/// its message goes to `sink` as an error. Returns true when the command completed.
bool RunCommand(QWidget* parent, const TMessageSink& sink, const std::function<void()>& command);
