// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The user manual (manual.html) and how Help > Help finds and opens it. The build copies
// the manual beside the program; an installed program finds it under
// ../share/doc/quelix/ relative to its own folder.

#include "ui/messages.h"

#include <QString>

class QWidget;

/// The manual's path for a program in `programDir`, first beside it, then in the installed
/// layout. Empty when neither file exists.
QString FindManual(const QString& programDir);

/// Starts `opener` (a program such as xdg-open that takes a file URL, hands it to the
/// desktop's browser and exits non-zero when it cannot) on `file`, without waiting for it.
/// When the opener cannot start, crashes or fails, `sink` tells the user to open the file's
/// path in a browser, once. An empty `opener` asks the platform's own services instead.
void OpenInBrowser(QWidget* parent, const TMessageSink& sink, const QString& file,
                   const QString& opener);

/// Opens the manual of the running program with the desktop's browser. When it cannot be
/// found or nothing opens it, `sink` tells the user where the file is (or should be).
void OpenManual(QWidget* parent, const TMessageSink& sink);
