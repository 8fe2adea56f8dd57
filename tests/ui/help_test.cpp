// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/help.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <vector>

#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(Manual, IsFoundBesideTheProgramFirstThenInTheInstalledLayout)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    EXPECT_TRUE(FindManual(bin).isEmpty());

    const QString installed = root.filePath(QStringLiteral("share/doc/quelix/manual.html"));
    Touch(installed);
    EXPECT_EQ(FindManual(bin), QFileInfo(installed).canonicalFilePath());

    const QString beside = root.filePath(QStringLiteral("bin/manual.html"));
    Touch(beside);
    EXPECT_EQ(FindManual(bin), QFileInfo(beside).canonicalFilePath());
}

namespace {

// An opener that records the URL it was given and exits with `exitCode`, as xdg-open exits
// with 3 when no browser or other program can open the file.
QString FakeOpener(const QTemporaryDir& dir, int exitCode)
{
    const QString path = dir.filePath(QStringLiteral("opener-%1").arg(exitCode));
    QFile script(path);
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$1\" > \"%1\"\nexit %2\n")
                     .arg(dir.filePath(QStringLiteral("opened")))
                     .arg(exitCode)
                     .toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

TEST(Manual, AnOpenerThatFailsOrCannotStartMakesTheUserSeeThePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString manual = dir.filePath(QStringLiteral("manual.html"));
    Touch(manual);
    struct TCase {
        const char* Name;
        QString Opener;
        bool Reports;
    };
    const TCase cases[] = {
        {"no program to open it", FakeOpener(dir, 3), true},
        {"opened", FakeOpener(dir, 0), false},
        {"opener missing", dir.filePath(QStringLiteral("no-such-opener")), true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QFile::remove(dir.filePath(QStringLiteral("opened")));
        QWidget parent;
        std::vector<QString> messages;
        OpenInBrowser(
            &parent, [&](QWidget*, TMessageKind, const QString& text) { messages.push_back(text); },
            manual, c.Opener);
        // The opener runs on its own; its end is reported when the program is idle again.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return parent.findChildren<QProcess*>().isEmpty(); }, 5000));
        QTest::qWait(50);
        ASSERT_EQ(messages.size(), c.Reports ? 1u : 0u);
        if (c.Reports) {
            EXPECT_EQ(messages[0],
                      QStringLiteral("No program could open the manual. Open %1 in a "
                                     "web browser.")
                          .arg(manual));
        }
        if (c.Opener.startsWith(dir.filePath(QStringLiteral("opener")))) {
            QFile opened(dir.filePath(QStringLiteral("opened")));
            ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
            EXPECT_EQ(opened.readAll().trimmed(), QUrl::fromLocalFile(manual).toEncoded());
        }
    }
}
