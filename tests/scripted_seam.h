// A seam that answers file dialogs from a script and records every message and request; it acts
// on the program's modal dialogs from a script, keeps the clipboard text and prints into a PDF.
#pragma once

#include <QDialog>
#include <QPrinter>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_seam.h"
#include "results/chart_images.h"
#include "state/errors.h"

namespace ostrel::testing {

class ScriptedSeam : public UiSeam {
  public:
    struct Log {
        std::vector<std::string> messages;
        std::vector<std::string> questions;  // every yes/no question asked
        std::deque<bool> replies;            // their answers; with none left "Да"
        std::vector<FileDialogRequest> opens;
        std::vector<FileDialogRequest> saves;
        std::deque<std::optional<std::string>> answers;   // next dialog answers, nullopt = cancel
        std::vector<std::vector<MzSpectrumRow>> choices;  // the rows of every spectrum chooser
        std::deque<std::optional<int32_t>> spectrumAnswers;  // its answers, nullopt = Cancel
        std::deque<int> filters;  // filters chosen in the next save dialogs (else the first)
        // Act on the next modal dialogs (check boxes, press OK); with none left a dialog is
        // closed without OK.
        std::deque<std::function<void(QDialog&)>> dialogs;
        int modalDialogs = 0;
        std::optional<std::string> clipboard;
        std::string printerPdf;  // where printed pages go; empty: the computer has no printer
        int printJobs = 0;
    };

    explicit ScriptedSeam(Log& log) : log_(log) {}

    void ShowMessage(const std::string& text) override { log_.messages.push_back(text); }
    bool AskYesNo(const std::string& question) override {
        log_.questions.push_back(question);
        if (log_.replies.empty()) return true;
        const bool reply = log_.replies.front();
        log_.replies.pop_front();
        return reply;
    }
    std::optional<std::string> AskOpenFile(const FileDialogRequest& r) override {
        log_.opens.push_back(r);
        return Next();
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& r) override {
        log_.saves.push_back(r);
        return Next();
    }
    std::optional<SavedFileChoice> AskSaveFileAndFilter(const FileDialogRequest& r) override {
        auto path = AskSaveFile(r);
        int filter = 0;
        if (!log_.filters.empty()) {
            filter = log_.filters.front();
            log_.filters.pop_front();
        }
        if (!path) return std::nullopt;
        return SavedFileChoice{*path, filter};
    }
    int ExecModal(QDialog& dialog) override {
        ++log_.modalDialogs;
        dialog.setResult(QDialog::Rejected);
        if (log_.dialogs.empty()) return QDialog::Rejected;
        auto act = std::move(log_.dialogs.front());
        log_.dialogs.pop_front();
        act(dialog);
        return dialog.result();
    }
    void SetClipboardText(const std::string& text) override { log_.clipboard = text; }
    void PrintPage(const std::function<void(QPrinter&)>& paintPage) override {
        if (log_.printerPdf.empty()) throw CommandError(NoPrinterMessage());
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(log_.printerPdf));
        PreparePrintPage(printer);
        paintPage(printer);
        ++log_.printJobs;
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
