// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/location.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> Variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

} // namespace

fs::path IniFileName(const fs::path& executablePath)
{
    fs::path name = executablePath;
    name.replace_extension(".INI");
    return name;
}

TSettingsLocation ChooseSettingsFile(const fs::path& executablePath,
                                     const TSettingsEnvironment& environment)
{
    const fs::path beside = IniFileName(executablePath);
    fs::path folder = beside.parent_path();
    if (folder.empty())
        folder = ".";
    if (environment.Exists(beside) || environment.CanCreateIn(folder))
        return {beside, true};
    // Relative values are to be ignored, as the base directory rules of the desktop say.
    fs::path config;
    if (environment.XdgConfigHome && fs::path(*environment.XdgConfigHome).is_absolute())
        config = *environment.XdgConfigHome;
    else if (environment.Home && fs::path(*environment.Home).is_absolute())
        config = fs::path(*environment.Home) / ".config";
    else
        return {beside, true};
    return {config / "quelix" / beside.filename(), false};
}

TSettingsEnvironment ProcessEnvironment()
{
    TSettingsEnvironment environment;
    environment.Exists = [](const fs::path& path) {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    };
    environment.CanCreateIn = [](const fs::path& dir) {
        std::error_code ec;
        return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK | X_OK) == 0;
    };
    environment.XdgConfigHome = Variable("XDG_CONFIG_HOME");
    environment.Home = Variable("HOME");
    return environment;
}

TSettingsLocation SettingsFileForProgram(const fs::path& executablePath)
{
    const TSettingsLocation location = ChooseSettingsFile(executablePath, ProcessEnvironment());
    if (!location.BesideProgram) {
        std::error_code ec;
        fs::create_directories(location.File.parent_path(), ec);
    }
    return location;
}
