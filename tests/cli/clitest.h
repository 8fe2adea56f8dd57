// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// What the command-line tests share: parsing an argument list as the program does, and
// running the built quelix-cli as a user runs it (arguments, standard input, standard
// output, standard error and exit status) in a temporary directory, under a locale whose
// decimal separator is a comma (the output must not follow it).

#include "cli/options.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

/// ParseCommandLine of "quelix-cli" followed by `args`.
inline TCliOptions Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "quelix-cli");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

inline std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

/// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

/// A new empty directory, removed with everything in it when the object goes.
class TTempDir {
public:
    explicit TTempDir(const std::string& prefix = "quelix-cli")
    {
        std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary directory");
        FPath = pattern;
    }
    ~TTempDir() { fs::remove_all(FPath); }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

struct TCliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline std::string ShellQuoted(const std::string& s)
{
    std::string q = "'";
    for (char ch : s)
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

/// Runs the built quelix-cli with `args` and `input` on standard input, in `dir`.
inline TCliRun RunCli(const fs::path& dir, const std::vector<std::string>& args,
                      const std::string& input = "")
{
    WriteFile(dir / "stdin", input);
    std::string command = "cd " + ShellQuoted(dir.string()) + " && LC_ALL=de_DE.UTF-8 "
        + ShellQuoted(QUELIX_CLI_PATH);
    for (const std::string& a : args)
        command += " " + ShellQuoted(a);
    command += " <stdin >stdout 2>stderr";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "stdout"),
            ReadFile(dir / "stderr")};
}

} // namespace clitest
