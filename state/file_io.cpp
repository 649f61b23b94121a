#include "state/file_io.h"

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

std::string Reason() {
    return errno != 0 ? std::strerror(errno) : "ошибка ввода-вывода";
}

WriteFailureHook& FailureHook() {
    static WriteFailureHook hook;
    return hook;
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
    namespace fs = std::filesystem;
    std::random_device rd;
    const std::string temp = path + ".tmp" + std::to_string(rd() % 1000000);
    auto fail = [&](const std::string& reason) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw CommandError("Не удалось записать файл \"" + path + "\": " + reason + ".");
    };
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) fail(Reason());
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::string reason = ok ? "" : Reason();
    if (ok && FailureHook()) {
        if (auto injected = FailureHook()(path)) {
            ok = false;
            reason = *injected;
        }
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        reason = Reason();
    }
    if (!ok) fail(reason);
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) fail(ec.message());
}

}  // namespace ostrel
