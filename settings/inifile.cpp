// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "settings/inifile.h"

#include "engine/asciitext.h"
#include "engine/calcerror.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

class TFd {
public:
    explicit TFd(int fd)
        : FFd(fd)
    {
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Get() const { return FFd; }
    // Closes now and reports whether the close (the last chance for a deferred write
    // error) succeeded.
    bool Close()
    {
        const int fd = std::exchange(FFd, -1);
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

struct TFileContent {
    TFileState State = TFileState::fsUnreadable;
    std::string Text;
    mode_t Mode = 0;
};

TFileContent ReadFile(const std::filesystem::path& path)
{
    TFileContent result;
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            result.State = TFileState::fsMissing;
        return result;
    }
    struct stat st { };
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return result;
    result.Mode = st.st_mode;
    result.Text.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return result;
        }
        result.Text.append(buf, static_cast<std::size_t>(n));
    }
    result.State = TFileState::fsReadable;
    return result;
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes `content` to a new file beside `target` and renames it over `target`. The new
// file gets `keepMode` (the old file's permissions) or, when it is 0 (no old file; an old
// file without any permission is refused before this), 0666 less the umask.
bool ReplaceFile(const std::filesystem::path& target, std::string_view content, mode_t keepMode)
{
    std::filesystem::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::random_device random;
    std::filesystem::path temp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = dir / ("." + target.filename().string() + suffix);
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST)
            return false;
    }
    if (raw < 0)
        return false;
    TFd fd(raw);
    // The lock tells a later save's clean-up that this file is still being written. It
    // goes with the process, so the file of a killed save is free to be removed.
    ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    const bool written = (keepMode == 0 || ::fchmod(fd.Get(), keepMode) == 0)
        && WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
    if (!fd.Close() || !written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable. The new text is in place whatever this returns.
    TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() >= 0)
        ::fsync(dirFd.Get());
    return true;
}

} // namespace

TIniFile::TIniFile(std::filesystem::path fileName)
    : FFileName(std::move(fileName))
{
}

TIniDocument TIniFile::Read() const
{
    TFileContent file = ReadFile(FFileName);
    return TIniDocument(file.State == TFileState::fsReadable ? std::move(file.Text)
                                                             : std::string());
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultText) const
{
    return std::string(Read().Find(section, key).value_or(defaultText));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const
{
    const TIniDocument text = Read();
    const auto value = text.Find(section, key);
    return value ? IniInteger(*value, defaultValue) : defaultValue;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const TIniEntry entry {key, std::string(value)};
    WriteStrings(section, std::span(&entry, 1));
}

void TIniFile::WriteStrings(std::string_view section, std::span<const TIniEntry> entries)
{
    Update([&](TIniDocument& text) { text.SetStrings(section, entries); });
}

void TIniFile::Update(const std::function<void(TIniDocument&)>& edit)
{
    // A settings file reached through a symbolic link is replaced where it lies, and the
    // link stays.
    std::error_code ec;
    std::filesystem::path target = FFileName;
    if (std::filesystem::is_symlink(FFileName, ec)) {
        target = std::filesystem::canonical(FFileName, ec);
        if (ec)
            throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));
    }

    TFileContent old = ReadFile(target);
    const bool writable = old.State != TFileState::fsReadable
        || ::access(target.c_str(), W_OK) == 0;
    if (!MayWriteSettingsFile(old.State, old.Mode & 07777, writable))
        throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));

    TIniDocument text(std::move(old.Text));
    edit(text);
    RemoveStaleTempFiles(target, std::filesystem::file_time_type::clock::now());
    const mode_t keepMode = old.State == TFileState::fsReadable ? (old.Mode & 07777) : 0;
    if (!ReplaceFile(target, text.Text(), keepMode))
        throw TCalcError(CalcMessage::CannotWrite(FFileName.string()));
}

bool MayWriteSettingsFile(TFileState state, unsigned permissionBits, bool writableByUs)
{
    switch (state) {
    case TFileState::fsMissing:
        return true;
    case TFileState::fsUnreadable:
        return false;
    case TFileState::fsReadable:
        break;
    }
    return (permissionBits & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && writableByUs;
}

bool IsTempFileName(std::string_view name, std::string_view fileName)
{
    // "." + fileName + "." + 8 hexadecimal digits + ".tmp", as ReplaceFile names them.
    constexpr std::size_t HexDigits = 8;
    constexpr std::string_view Suffix = ".tmp";
    if (name.size() != 1 + fileName.size() + 1 + HexDigits + Suffix.size() || name[0] != '.'
        || name.substr(1, fileName.size()) != fileName || name[1 + fileName.size()] != '.'
        || !name.ends_with(Suffix))
        return false;
    for (const char c : name.substr(2 + fileName.size(), HexDigits))
        if (!IsAsciiDigit(c) && !(c >= 'a' && c <= 'f'))
            return false;
    return true;
}

namespace {

// Whether a save still holds the file: it keeps it locked while it writes. A file that
// cannot be opened to find out counts as free, so that its age alone decides.
bool HeldByLiveSave(const std::filesystem::path& path)
{
    TFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    return ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

} // namespace

int RemoveStaleTempFiles(const std::filesystem::path& target, std::filesystem::file_time_type now)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    const std::string fileName = target.filename().string();
    int removed = 0;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        std::error_code entryEc;
        if (!IsTempFileName(path.filename().string(), fileName) || !it->is_regular_file(entryEc)
            || it->is_symlink(entryEc))
            continue;
        const auto written = fs::last_write_time(path, entryEc);
        if (entryEc || now - written < StaleTempAge || HeldByLiveSave(path))
            continue;
        if (fs::remove(path, entryEc))
            ++removed;
    }
    return removed;
}
