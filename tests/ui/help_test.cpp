// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/help.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
