// Whole-file reads and replacing writes of the program's own files.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace ostrel {

// The bytes of the file; CommandError naming the file when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The first maxBytes of the file (all of a shorter one), with the errors of ReadWholeFile.
std::string ReadFileHead(const std::string& path, size_t maxBytes);

// Writes the bytes as a careful editor does. A plain file (a new one, or the one a symbolic link
// points to) gets a temporary file beside it, renamed over it when complete, so a failed write
// keeps the old file; the new one keeps the old one's permissions. A device or a FIFO is written
// where it is, never replaced. A write-protected file (no write bit, or one this user may not
// write), a folder and anything else are refused. CommandError naming the path when anything
// fails.
void WriteFileReplacing(const std::string& path, const std::string& bytes);

// Tests make a write fail on purpose, as a full disk would: the hook answers the error text for
// a path, or nothing to let the write go on. An empty hook removes it.
using WriteFailureHook = std::function<std::optional<std::string>(const std::string& path)>;
void SetWriteFailureHook(WriteFailureHook hook);

}  // namespace ostrel
