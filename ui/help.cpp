// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace {

const QString ManualName = QStringLiteral("manual.html");
const QString InstalledDir = QStringLiteral("../share/doc/quelix");

QString NotOpenedMessage(const QString& file)
{
    return QStringLiteral("No program could open the manual. Open %1 in a web browser.").arg(file);
}

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

void OpenInBrowser(QWidget* parent, const TMessageSink& sink, const QString& file,
                   const QString& opener)
{
    const QUrl url = QUrl::fromLocalFile(file);
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            sink(parent, TMessageKind::mkInformation, NotOpenedMessage(file));
        return;
    }
    // The opener hands the file to the desktop's browser and fails when it finds none; the
    // platform's own call only tells whether the opener started, so it would stay silent.
    // The browser may run inside the opener until it is closed, so nobody waits for it: its
    // end is watched, and the opener inherits the program's output so that nothing it or
    // the browser writes can block on a full pipe.
    auto* process = new QProcess(parent);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    const QPointer<QWidget> owner(parent);
    auto report = [process, owner, sink, file](bool failed) {
        process->deleteLater();
        if (failed)
            sink(owner.data(), TMessageKind::mkInformation, NotOpenedMessage(file));
    };
    QObject::connect(
        process, &QProcess::finished, process, [report](int exitCode, QProcess::ExitStatus status) {
            report(status != QProcess::NormalExit || exitCode != 0);
        });
    QObject::connect(
        process, &QProcess::errorOccurred, process, [report](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                report(true);
        });
    process->start(opener, {url.toString()});
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
    OpenInBrowser(parent, sink, manual, QStandardPaths::findExecutable(QStringLiteral("xdg-open")));
}
