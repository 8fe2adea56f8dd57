// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/commandline.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::optional<std::string> Request(std::vector<std::string> words)
{
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    return InformationRequested(argv);
}

} // namespace

TEST(WindowCommandLine, OnlyTheWholeWordsHelpAndVersionAnswerInsteadOfTheWindow)
{
    const std::string help = WindowHelpText();
    const std::string version = WindowVersionText();
    struct TCase {
        std::vector<std::string> Words;
        std::optional<std::string> Expected;
    };
    const TCase cases[] = {
        {{"quelix"}, std::nullopt},
        {{"quelix", "--version"}, version},
        {{"quelix", "--help"}, help},
        {{"quelix", "-platform", "offscreen", "--help"}, help},
        {{"quelix", "--version", "--help"}, version},
        {{"quelix", "--helpful"}, std::nullopt},
        {{"quelix", "-help"}, std::nullopt},
        {{"quelix", "-version"}, std::nullopt},
        {{"quelix", "--", "x"}, std::nullopt},
        {{"--help"}, std::nullopt}, // the program's own name is no option
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& word : c.Words)
            line += word + ' ';
        SCOPED_TRACE(line);
        EXPECT_EQ(Request(c.Words), c.Expected);
    }
    EXPECT_EQ(version, "quelix " QUELIX_VERSION "\n");
}

TEST(WindowCommandLine, HelpAndVersionNeedNoDisplay)
{
    // With the X11 platform and no display, reaching the window system would end the
    // program with Qt's "could not connect to display".
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const char* word : {"--version", "--help"}) {
        SCOPED_TRACE(word);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUELIX_PATH), {QString::fromLatin1(word)});
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        const std::string out = program.readAllStandardOutput().toStdString();
        EXPECT_EQ(out, std::string(word) == "--help" ? WindowHelpText() : WindowVersionText());
    }
}
