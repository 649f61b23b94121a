#include "formats/isolated_call.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>

#include "state/errors.h"

namespace ostrel {

namespace {

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

// Under a sanitizer or a fuzzer the parent's report of an error would be made in the child's name.
extern "C" void __sanitizer_set_death_callback(void (*)()) __attribute__((weak));

struct ChildWork {
    const std::function<std::string()>* work = nullptr;
    char kind = 'R';
    std::string answer;

    void Run() {
        try {
            answer = (*work)();
        } catch (const std::exception& e) {
            kind = 'E';
            answer = e.what();
        } catch (...) {
            kind = 'E';
        }
    }
};

// The work on a thread of its own, on a stack of the given size mapped here with a guard below
// it: an overflow then ends the child at that size whichever thread forked it (RLIMIT_STACK bounds
// only the main thread's stack, and a stack left by one of the parent's other threads, which the
// child's thread library would hand out again, may be four times larger).
void RunOnStack(ChildWork& child, size_t stackBytes) {
    constexpr size_t kGuard = 64 << 10;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t size = (stackBytes + page - 1) / page * page;
    void* block = mmap(nullptr, size + kGuard, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    pthread_attr_t attributes;
    pthread_t thread;
    const bool made =
        block != MAP_FAILED && mprotect(block, kGuard, PROT_NONE) == 0 &&
        pthread_attr_init(&attributes) == 0 &&
        pthread_attr_setstack(&attributes, static_cast<char*>(block) + kGuard, size) == 0 &&
        pthread_create(
            &thread, &attributes,
            [](void* c) -> void* {
                static_cast<ChildWork*>(c)->Run();
                return nullptr;
            },
            &child) == 0;
    if (made)
        pthread_join(thread, nullptr);
    else
        child.Run();  // no bound then: the work itself is what matters
}

[[noreturn]] void RunChild(int fd, const std::function<std::string()>& work,
                           const ChildBounds& bounds) {
    // A crash ends the child by its signal, which the parent reports; the parent's own crash
    // handlers (a sanitizer's, a fuzzer's) have no business here.
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGXCPU})
        std::signal(signal, SIG_DFL);
    const rlimit noCore{0, 0};  // and at once: a core file of the whole program takes seconds
    setrlimit(RLIMIT_CORE, &noCore);
    if (bounds.processor.count() > 0) {
        // SIGXCPU at the bound, SIGKILL a second later should it be caught.
        const auto seconds = static_cast<rlim_t>(bounds.processor.count());
        const rlimit processor{seconds, seconds + 1};
        setrlimit(RLIMIT_CPU, &processor);
    }
    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
    ChildWork child;
    child.work = &work;
    if (bounds.stackBytes > 0)
        RunOnStack(child, bounds.stackBytes);
    else
        child.Run();
    // The kind and the length first, so that the parent reads the answer into its place at once.
    std::string head(1, child.kind);
    AppendBytes(head, static_cast<uint64_t>(child.answer.size()));
    WriteAll(fd, head);
    WriteAll(fd, child.answer);
    close(fd);
    _exit(0);  // no exit handlers: they belong to the parent
}

struct ChildAnswer {
    char kind = 0;      // 'R' an answer, 'E' a message; 0 when the child wrote no head
    std::string bytes;  // as many as the head announced, once complete
    bool complete = false;
};

// Reads from the pipe into `at` until `count` bytes came, the child closed it (false) or the
// deadline passed (the deadline flag set).
bool ReadInto(int fd, std::chrono::steady_clock::time_point deadline, char* at, size_t count,
              bool& late) {
    while (count > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), 1 << 30)));
        if (ready == 0) {
            late = true;
            return false;
        }
        if (ready < 0 && errno == EINTR) continue;
        const ssize_t n = ready < 0 ? -1 : read(fd, at, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // the end, or a broken pipe the child's status explains
        at += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// The child's head and answer; false when the deadline came first.
bool ReadAnswer(int fd, std::chrono::steady_clock::time_point deadline, ChildAnswer& answer) {
    bool late = false;
    char head[1 + sizeof(uint64_t)];
    if (!ReadInto(fd, deadline, head, sizeof head, late)) return !late;
    uint64_t size = 0;
    std::memcpy(&size, head + 1, sizeof size);
    if (size > answer.bytes.max_size() / 2) return true;  // no answer of ours is that long
    answer.bytes.resize(static_cast<size_t>(size));
    if (!ReadInto(fd, deadline, answer.bytes.data(), answer.bytes.size(), late)) return !late;
    answer.kind = head[0];
    answer.complete = true;
    return true;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

IsolatedCall::IsolatedCall(const std::function<std::string()>& work, const ChildBounds& bounds,
                           std::string failed)
    : bounds_(bounds), failed_(std::move(failed)) {
    int fds[2];
    if (pipe(fds) != 0) throw CommandError(failed_ + "не удалось создать канал.");
    pid_ = fork();
    if (pid_ < 0) {
        close(fds[0]);
        close(fds[1]);
        throw CommandError(failed_ + "не удалось запустить процесс чтения.");
    }
    if (pid_ == 0) {
        close(fds[0]);
        RunChild(fds[1], work, bounds);
    }
    close(fds[1]);
    fd_ = fds[0];
    // A larger pipe passes a spectrum in fewer turns of the two processes (1 MB is the size any
    // user may ask for); where it is refused, the pipe keeps its own.
    fcntl(fd_, F_SETPIPE_SZ, 1 << 20);
    deadline_ = std::chrono::steady_clock::now() + bounds.wall;
}

IsolatedCall::~IsolatedCall() {
    if (pid_ <= 0) return;
    close(fd_);
    kill(pid_, SIGKILL);
    WaitFor(pid_);
}

std::string IsolatedCall::Answer() {
    ChildAnswer answer;
    const bool complete = ReadAnswer(fd_, deadline_, answer);
    close(fd_);
    const pid_t pid = pid_;
    pid_ = 0;
    if (!complete) kill(pid, SIGKILL);
    const int status = WaitFor(pid);
    if (!complete)
        throw CommandError(failed_ + "чтение не закончилось за " +
                           std::to_string(bounds_.wall.count()) + " с.");
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
        throw CommandError(failed_ + "чтение заняло больше " +
                           std::to_string(bounds_.processor.count()) + " с процессорного времени.");
    if (WIFSIGNALED(status))
        throw CommandError(failed_ + "библиотека чтения завершилась аварийно (сигнал " +
                           std::to_string(WTERMSIG(status)) + ").");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !answer.complete)
        throw CommandError(failed_ + "библиотека чтения завершилась аварийно.");
    if (answer.kind == 'E') throw CommandError(answer.bytes);
    return std::move(answer.bytes);
}

std::string RunIsolated(const std::function<std::string()>& work, const ChildBounds& bounds,
                        const std::string& failed) {
    return IsolatedCall(work, bounds, failed).Answer();
}

void AppendText(std::string& out, std::string_view text) {
    AppendBytes(out, static_cast<uint64_t>(text.size()));
    out.append(text);
}

void AppendDoubles(std::string& out, const std::vector<double>& values) {
    AppendBytes(out, static_cast<uint64_t>(values.size()));
    out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
}

const char* AnswerReader::Next(size_t count) {
    if (count > bytes_.size()) throw CommandError(failed_ + "ответ процесса чтения неполон.");
    const char* at = bytes_.data();
    bytes_.remove_prefix(count);
    return at;
}

std::string AnswerReader::TakeText() {
    const auto size = static_cast<size_t>(std::min<uint64_t>(Take<uint64_t>(), SIZE_MAX));
    return std::string(Next(size), size);
}

std::vector<double> AnswerReader::TakeDoubles() {
    const auto count = static_cast<size_t>(std::min<uint64_t>(Take<uint64_t>(), SIZE_MAX / 8));
    const char* at = Next(count * sizeof(double));
    std::vector<double> values(count);
    if (count > 0) std::memcpy(values.data(), at, count * sizeof(double));
    return values;
}

}  // namespace ostrel
