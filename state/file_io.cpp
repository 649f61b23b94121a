#include "state/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "state/errors.h"

namespace ostrel {

namespace {

namespace fs = std::filesystem;

std::string Reason() {
    return errno != 0 ? std::strerror(errno) : "ошибка ввода-вывода";
}

WriteFailureHook& FailureHook() {
    static WriteFailureHook hook;
    return hook;
}

[[noreturn]] void WriteFailed(const std::string& path, const std::string& reason) {
    throw CommandError("Не удалось записать файл \"" + path + "\": " + reason + ".");
}

// The file a path names once its symbolic links are followed (the last one may point to a file
// not made yet); the path itself when it names no link or cannot be looked at (the write then
// reports why).
std::string FollowLinks(const std::string& path) {
    std::string at = path;
    for (int links = 0;; ++links) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        if (links == 40) WriteFailed(path, std::strerror(ELOOP));
        std::error_code error;
        const fs::path to = fs::read_symlink(at, error);
        if (error) WriteFailed(path, error.message());
        at = to.is_absolute() ? to.string() : (fs::path(at).parent_path() / to).string();
    }
}

// Write-protected: no write bit at all (checked on the bits, since the owner of every file may
// still write it), or one this user may not write.
bool WriteProtected(const std::string& file, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return access(file.c_str(), W_OK) != 0 && errno == EACCES;
}

// The bytes into an open file, then the test's injected failure; the reason of a failure or
// nothing.
std::optional<std::string> WriteAllTo(int fd, const std::string& path, std::string_view bytes) {
    while (!bytes.empty()) {
        errno = 0;
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Reason();
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    if (FailureHook()) return FailureHook()(path);
    return std::nullopt;
}

// A device or a FIFO is written where it is: renaming a file over it would put a plain file in
// its place. A FIFO without a reader is refused at once instead of waiting for one, and a reader
// that goes away gives an error, not the end of the program (SIGPIPE is held back meanwhile).
void WriteInPlace(const std::string& path, const std::string& file, bool fifo,
                  std::string_view bytes) {
    errno = 0;
    const int fd = open(file.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (fifo && errno == ENXIO) WriteFailed(path, "канал (FIFO) никто не читает");
        WriteFailed(path, Reason());
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    sigset_t pipeSignal, before;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    std::optional<std::string> failure = WriteAllTo(fd, path, bytes);
    if (close(fd) != 0 && !failure) failure = Reason();
    const timespec now{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (failure) WriteFailed(path, *failure);
}

// A short name of its own beside the file, so that every name the folder takes can be written:
// ".ostrel-" and six letters or digits. Made with the permissions a new file gets (0666 less the
// umask); the descriptor, or -1 with errno.
int CreateTemporary(const fs::path& folder, std::string& name) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string leaf = ".ostrel-";
        for (int i = 0; i < 6; ++i) leaf += kLetters[rd() % (sizeof kLetters - 1)];
        name = (folder / leaf).string();
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// A temporary file renamed over the file, so that a failed write keeps the old one; the new file
// keeps the owner (where this user may give it) and the permissions of the one it replaces.
void WriteAndRename(const std::string& path, const std::string& file, const struct stat* old,
                    std::string_view bytes) {
    fs::path folder = fs::path(file).parent_path();
    if (folder.empty()) folder = ".";
    std::string temp;
    errno = 0;
    const int fd = CreateTemporary(folder, temp);
    if (fd < 0) WriteFailed(path, Reason());
    std::optional<std::string> failure = WriteAllTo(fd, path, bytes);
    if (!failure && old) {
        // Root gives the file back to its owner; any other user owns what he saves.
        if (fchown(fd, old->st_uid, old->st_gid) != 0) errno = 0;
        if (fchmod(fd, old->st_mode & 07777) != 0) failure = Reason();
    }
    if (close(fd) != 0 && !failure) failure = Reason();
    if (!failure && rename(temp.c_str(), file.c_str()) != 0) failure = Reason();
    if (failure) {
        unlink(temp.c_str());
        WriteFailed(path, *failure);
    }
}

}  // namespace

std::string ReadFileHead(const std::string& path, size_t maxBytes) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw CommandError("Не удалось открыть файл \"" + path + "\": " + Reason() + ".");
    // One allocation of the size to read; a file that grows meanwhile is read on all the same.
    std::string bytes;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError) bytes.resize(std::min<uintmax_t>(size, maxBytes));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    char buf[1 << 16];
    size_t got;
    while (bytes.size() < maxBytes &&
           (got = std::fread(buf, 1, std::min(sizeof buf, maxBytes - bytes.size()), f)) > 0)
        bytes.append(buf, got);
    bool failed = std::ferror(f) != 0;
    std::string reason = failed ? Reason() : "";
    std::fclose(f);
    if (failed) throw CommandError("Не удалось прочитать файл \"" + path + "\": " + reason + ".");
    return bytes;
}

std::string ReadWholeFile(const std::string& path) {
    return ReadFileHead(path, std::numeric_limits<size_t>::max());
}

void SetWriteFailureHook(WriteFailureHook hook) {
    FailureHook() = std::move(hook);
}

void WriteFileReplacing(const std::string& path, const std::string& bytes) {
    const std::string file = FollowLinks(path);
    struct stat st;
    errno = 0;
    if (stat(file.c_str(), &st) != 0) {
        if (errno != ENOENT) WriteFailed(path, Reason());
        WriteAndRename(path, file, nullptr, bytes);  // a new file
        return;
    }
    const bool device = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
    if (!S_ISREG(st.st_mode) && !device && !S_ISFIFO(st.st_mode))
        WriteFailed(path, S_ISDIR(st.st_mode) ? std::strerror(EISDIR)
                                              : "это не файл, не устройство и не канал");
    if (WriteProtected(file, st)) WriteFailed(path, "файл защищён от записи");
    if (S_ISREG(st.st_mode))
        WriteAndRename(path, file, &st, bytes);
    else
        WriteInPlace(path, file, S_ISFIFO(st.st_mode), bytes);
}

}  // namespace ostrel
