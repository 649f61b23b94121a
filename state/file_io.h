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

// Writes the bytes into a temporary file beside the target and renames it over the target, so an
// existing file is replaced only by a complete new one. CommandError when anything fails.
void WriteFileReplacing(const std::string& path, const std::string& bytes);

// Tests make a write fail on purpose, as a full disk would: the hook answers the error text for
// a path, or nothing to let the write go on. An empty hook removes it.
using WriteFailureHook = std::function<std::optional<std::string>(const std::string& path)>;
void SetWriteFailureHook(WriteFailureHook hook);

}  // namespace ostrel
