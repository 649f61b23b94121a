#include "formats/isolated_call.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include "state/errors.h"

namespace ostrel {
namespace {

using namespace std::chrono_literals;

std::string MessageOf(const std::function<std::string()>& work, const ChildBounds& bounds) {
    try {
        return "answer " + RunIsolated(work, bounds, "Чтение: ");
    } catch (const CommandError& e) {
        return e.what();
    }
}

std::string MessageOf(const std::function<std::string()>& work, std::chrono::seconds limit = 10s) {
    return MessageOf(work, ChildBounds{limit});
}

// A recursion of `depth` frames of 4 KB each; the sum keeps every frame's buffer alive.
int Recurse(int depth) {
    volatile char frame[4096];
    frame[depth % 4096] = static_cast<char>(depth);
    return depth == 0 ? 0 : Recurse(depth - 1) + frame[depth % 4096];
}

TEST(IsolatedCallTest, TheAnswerComesBackWhole) {
    const std::string big(20 << 20, 'x');  // more than a pipe holds at once
    EXPECT_EQ(RunIsolated([&] { return big; }, {10s}, ""), big);
    EXPECT_EQ(RunIsolated([] { return std::string(); }, {10s}, ""), "");
}

TEST(IsolatedCallTest, ACrashOrAHangOfTheChildBecomesAMessage) {
    EXPECT_EQ(MessageOf([]() -> std::string { throw CommandError("Файл пуст."); }), "Файл пуст.");
    EXPECT_EQ(MessageOf([]() -> std::string {
                  std::raise(SIGSEGV);
                  return "";
              }),
              "Чтение: библиотека чтения завершилась аварийно (сигнал 11).");
    EXPECT_EQ(MessageOf([]() -> std::string { std::abort(); }),
              "Чтение: библиотека чтения завершилась аварийно (сигнал 6).");
    EXPECT_EQ(MessageOf(
                  []() -> std::string {
                      std::this_thread::sleep_for(30s);
                      return "";
                  },
                  1s),
              "Чтение: чтение не закончилось за 1 с.");
}

// The caller works while the child does; a call it gives up on (an exception, say) leaves no child
// behind: the child is killed and reaped at once, not after its wall time.
TEST(IsolatedCallTest, TheCallerWorksMeanwhileAndACallGivenUpLeavesNoChild) {
    {
        IsolatedCall call([] { return std::string("ready"); }, {10s}, "");
        std::string meanwhile(1 << 20, 'y');  // this process's own work before the answer
        EXPECT_EQ(call.Answer(), "ready");
        EXPECT_EQ(meanwhile.size(), 1u << 20);
    }
    const auto start = std::chrono::steady_clock::now();
    {
        IsolatedCall abandoned(
            []() -> std::string {
                std::this_thread::sleep_for(30s);
                return "";
            },
            {60s}, "");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // no child left to reap
    EXPECT_EQ(errno, ECHILD);
}

// A broken file may make the library spin or recurse for seconds: the child's processor time and
// its stack are bounded, whichever thread started it.
TEST(IsolatedCallTest, TheChildsProcessorTimeAndStackAreBounded) {
    ChildBounds spin;
    spin.processor = 1s;
    EXPECT_EQ(MessageOf(
                  []() -> std::string {
                      std::atomic<uint64_t> turns = 0;
                      for (;;) turns.fetch_add(1, std::memory_order_relaxed);
                  },
                  spin),
              "Чтение: чтение заняло больше 1 с процессорного времени.");

    // 1,000 frames of 4 KB: room on 16 MB, an overflow on 1 MB.
    const auto deep = [] { return std::to_string(Recurse(1000)); };
    ChildBounds roomy, tight;
    roomy.stackBytes = 16 << 20;
    tight.stackBytes = 1 << 20;
    EXPECT_EQ(MessageOf(deep, roomy).rfind("answer ", 0), 0u);
    const std::string overflow = "Чтение: библиотека чтения завершилась аварийно (сигнал 11).";
    EXPECT_EQ(MessageOf(deep, tight), overflow);
    std::string fromThread;
    std::thread([&] { fromThread = MessageOf(deep, tight); }).join();
    EXPECT_EQ(fromThread, overflow);
}

TEST(IsolatedCallTest, AnAnswerCutShortIsRefused) {
    std::string answer;
    AppendText(answer, "scan=1");
    AppendDoubles(answer, {1.5, 2.5});
    AnswerReader whole(answer, "Чтение: ");
    EXPECT_EQ(whole.TakeText(), "scan=1");
    EXPECT_EQ(whole.TakeDoubles(), (std::vector<double>{1.5, 2.5}));
    AnswerReader cut(std::string_view(answer).substr(0, answer.size() - 1), "Чтение: ");
    cut.TakeText();
    EXPECT_THROW(cut.TakeDoubles(), CommandError);
    std::string huge;
    AppendBytes(huge, ~uint64_t{0});  // a count no answer can hold
    EXPECT_THROW(AnswerReader(huge, "").TakeDoubles(), CommandError);
}

}  // namespace
}  // namespace ostrel
