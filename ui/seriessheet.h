// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The bench sheet of a pCa series: one PDF on A4 pages that goes to the bench with the
// recipe of each stock (or the inputs of a per-point series), the table with the volumes
// to pipette, the binding constants the series was calculated with, the date and the
// program's version.

#include "engine/bindconst.h"
#include "series/series.h"

#include <QDateTime>
#include <QString>

#include <vector>

/// The sheet as HTML (what the PDF shows); `engine` is the engine that computed the rows:
/// its constant set, conditions and table.
QString BenchSheetHtml(const TSeriesDesign& design, const std::vector<TSeriesRow>& rows,
                       const TEngine& engine, const QDateTime& made);

/// Writes the sheet to `path` as a PDF on A4. Returns false when the file cannot be
/// written.
/// Writes `html` to `path` as an A4 PDF titled `title`, with the program as its creator.
/// Returns false when the file cannot be written.
bool SaveHtmlAsPdf(const QString& path, const QString& title, const QString& html);

bool SaveBenchSheet(const QString& path, const TSeriesDesign& design,
                    const std::vector<TSeriesRow>& rows, const TEngine& engine,
                    const QDateTime& made);
