// A seam that answers file dialogs from a script and records every message and request.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_seam.h"

namespace ostrel::testing {

class ScriptedSeam : public UiSeam {
  public:
    struct Log {
        std::vector<std::string> messages;
        std::vector<FileDialogRequest> opens;
        std::vector<FileDialogRequest> saves;
        std::deque<std::optional<std::string>> answers;  // next dialog answers, nullopt = cancel
    };

    explicit ScriptedSeam(Log& log) : log_(log) {}

    void ShowMessage(const std::string& text) override { log_.messages.push_back(text); }
    std::optional<std::string> AskOpenFile(const FileDialogRequest& r) override {
        log_.opens.push_back(r);
        return Next();
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& r) override {
        log_.saves.push_back(r);
        return Next();
    }

  private:
    std::optional<std::string> Next() {
        if (log_.answers.empty()) return std::nullopt;
        auto a = log_.answers.front();
        log_.answers.pop_front();
        return a;
    }
    Log& log_;
};

}  // namespace ostrel::testing
