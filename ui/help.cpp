// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString ManualName = QStringLiteral("manual.html");
const QString InstalledDir = QStringLiteral("../share/doc/quelix");

} // namespace

QString FindManual(const QString& programDir)
{
    const QDir dir(programDir);
    for (const QString& candidate : {ManualName, InstalledDir + QLatin1Char('/') + ManualName}) {
        const QFileInfo file(dir.filePath(candidate));
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return {};
}

void OpenManual(QWidget* parent, const TMessageSink& sink)
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString manual = FindManual(programDir);
    if (manual.isEmpty()) {
        const QString expected = QDir::cleanPath(QDir(programDir).filePath(ManualName));
        sink(parent, TMessageKind::mkInformation,
             QStringLiteral("The manual was not found. It belongs at %1.").arg(expected));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        sink(parent, TMessageKind::mkInformation,
             QStringLiteral("No program could open the manual. Open %1 in a web browser.")
                 .arg(manual));
}
