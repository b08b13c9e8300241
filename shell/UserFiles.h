// Where the program keeps its per-user files, and how it replaces one.
//
// The settings live in the user's configuration folder and the files the
// program writes for itself (the music file) in the user's cache folder, as
// the freedesktop base-directory rules place them: the folder named by the
// desktop's variable when it holds an absolute path, otherwise the usual
// folder under the home directory. Nothing is ever written to the current
// directory. A file is replaced through a temporary file and a rename, so a
// crash or a full disk leaves either the old file or the new one, never a
// half-written one. Header-only so that both the settings and the sound
// library use the same rules without a library of their own.
#pragma once

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace userdirs {

inline std::string HomeDir()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    // A session without HOME (started by a service manager) still has a
    // password-file entry.
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/tmp";
}

// The desktop's folder variable when it holds an absolute path; a relative
// one is ignored, as the base-directory rules require.
inline std::string BaseDir(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return value;
    return HomeDir() + "/" + fallbackUnderHome;
}

inline std::string ConfigDir() { return BaseDir("XDG_CONFIG_HOME", ".config"); }
inline std::string CacheDir() { return BaseDir("XDG_CACHE_HOME", ".cache"); }

// Creates the folder and its missing parents (mode 0700, the base-directory
// rules' mode for folders they create); true when the folder exists afterwards.
inline bool MakeDirs(const std::string& dir)
{
    struct stat st {};
    if (dir.empty() || stat(dir.c_str(), &st) == 0)
        return !dir.empty() && S_ISDIR(st.st_mode);
    const std::string::size_type slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The file a path finally names, so that a write through a symbolic link (a
// settings file kept in a dotfiles folder) goes to its target and the link
// stays, even when the target is not made yet, where realpath() gives up. A
// relative target counts from the link's own folder. Nothing for a chain of
// links that does not end (a loop) within the system's own bound.
inline std::optional<std::string> ResolvePath(std::string path)
{
    for (int depth = 0; depth <= 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target);
        if (n < 0)
            return path;  // no link (any more): the file itself, made or not
        const std::string next(target, static_cast<std::size_t>(n));
        const std::string::size_type slash = path.find_last_of('/');
        path = next.starts_with('/') || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
    }
    return std::nullopt;
}

// Replaces the file with the bytes: written to a temporary file in the same
// folder, synced, then renamed over the old one. A file that exists keeps its
// permissions; a read-only one is left alone. Returns false, leaving the old
// file untouched, on any failure.
inline bool ReplaceFile(const std::string& path, std::string_view bytes)
{
    const std::optional<std::string> resolved = ResolvePath(path);
    if (!resolved)
        return false;
    const std::string& target = *resolved;
    // A file made read-only stays as it is, as the profile functions always
    // left it: a rename through a writable folder would go around that.
    // access() grants root every write, so a file without a single write bit
    // counts as read-only whoever runs the program.
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    const mode_t writeBits = S_IWUSR | S_IWGRP | S_IWOTH;
    if (exists && ((old.st_mode & writeBits) == 0 || access(target.c_str(), W_OK) != 0))
        return false;
    const std::string::size_type slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir))
        return false;

    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    const mode_t mode = exists ? (old.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself must reach the disk too, or a crash could bring the
    // old file back after the program believed the new one stored.
    if (const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY); dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

}  // namespace userdirs
