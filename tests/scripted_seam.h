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
        std::deque<std::optional<std::string>> answers;   // next dialog answers, nullopt = cancel
        std::vector<std::vector<MzSpectrumRow>> choices;  // the rows of every spectrum chooser
        std::deque<std::optional<int32_t>> spectrumAnswers;  // its answers, nullopt = Cancel
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
    std::optional<int32_t> ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                          const NumberFormat&) override {
        log_.choices.push_back(rows);
        if (log_.spectrumAnswers.empty()) return std::nullopt;
        auto a = log_.spectrumAnswers.front();
        log_.spectrumAnswers.pop_front();
        return a;
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
