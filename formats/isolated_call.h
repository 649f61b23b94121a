// Work that may crash, done in a child process. The mzML/mzXML library has crashed on malformed
// files (a broken attribute is enough); reading through it in a child turns such a crash into a
// message, and the program, its open spectrum and its state go on untouched.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace ostrel {

// What the child may spend. A broken file can make the library loop or recurse for seconds
// before it crashes; the bounds end such a child soon, while the caller grows them with the work
// a large valid file needs.
struct ChildBounds {
    std::chrono::seconds wall{60};      // then the child is killed
    std::chrono::seconds processor{0};  // its processor time (RLIMIT_CPU); 0: unbounded
    size_t stackBytes = 0;              // the stack the work runs on; 0: the forking thread's
};

// Runs work() in a child process and answers the bytes it returned. A CommandError the work
// throws comes back as the same CommandError. A child that crashed, ended otherwise, spent more
// than its processor time or gave no answer within its wall time (it is then killed) gives a
// CommandError of `failed` followed by the reason.
std::string RunIsolated(const std::function<std::string()>& work, const ChildBounds& bounds,
                        const std::string& failed);

// The same in two steps, so that the caller works while the child does: the child is forked at
// construction, from the constructing thread, and Answer() waits for it as RunIsolated does. A
// call destroyed before its answer kills the child. Fork before starting threads of one's own:
// a lock another thread holds at the fork stays held in the child (a sanitizer's allocator's
// does), and the child waits on it until its wall time ends.
class IsolatedCall {
  public:
    IsolatedCall(const std::function<std::string()>& work, const ChildBounds& bounds,
                 std::string failed);
    ~IsolatedCall();
    IsolatedCall(const IsolatedCall&) = delete;
    IsolatedCall& operator=(const IsolatedCall&) = delete;

    std::string Answer();  // once

  private:
    ChildBounds bounds_;
    std::string failed_;
    int pid_ = 0;  // 0 once reaped
    int fd_ = -1;
    std::chrono::steady_clock::time_point deadline_;
};

// The bytes a child answers with, and their reading in the parent.
template <typename T>
void AppendBytes(std::string& out, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}
void AppendText(std::string& out, std::string_view text);
void AppendDoubles(std::string& out, const std::vector<double>& values);

// Reads back what the Append functions wrote; CommandError of `failed` when the bytes end early.
class AnswerReader {
  public:
    AnswerReader(std::string_view bytes, std::string failed)
        : bytes_(bytes), failed_(std::move(failed)) {}

    template <typename T>
    T Take() {
        T value;
        std::memcpy(&value, Next(sizeof value), sizeof value);
        return value;
    }
    std::string TakeText();
    std::vector<double> TakeDoubles();

  private:
    const char* Next(size_t count);

    std::string_view bytes_;
    std::string failed_;
};

}  // namespace ostrel
