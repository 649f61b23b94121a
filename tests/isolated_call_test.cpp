#include "formats/isolated_call.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include "state/errors.h"

namespace ostrel {
namespace {

using namespace std::chrono_literals;

std::string MessageOf(const std::function<std::string()>& work, std::chrono::seconds limit = 10s) {
    try {
        RunIsolated(work, {limit}, "Чтение: ");
    } catch (const CommandError& e) {
        return e.what();
    }
    return "no refusal";
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
