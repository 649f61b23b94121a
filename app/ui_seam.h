// The one way the window talks to the user through modal windows and to the machine's shared
// devices: message boxes, file dialogs, the program's own modal dialogs, the clipboard and the
// printer. Tests put a scripted seam in its place, so no test waits on a modal window, touches
// the user's clipboard or needs a printer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/mz_rows.h"
#include "state/number_format.h"

class QDialog;
class QFileDialog;
class QPrinter;
class QWidget;

namespace ostrel {

// A save dialog's answer with the filter chosen in it (0-based index of the caption and pattern
// pair).
struct SavedFileChoice {
    std::string path;
    int filter = 0;
};

struct FileDialogRequest {
    std::string title;
    std::string folder;       // starting folder
    std::string filter;       // "Caption|pattern|Caption|pattern"
    std::string defaultName;  // save dialogs only
};

class UiSeam {
  public:
    virtual ~UiSeam() = default;
    // A message with one OK button; lines are separated by carriage returns.
    virtual void ShowMessage(const std::string& text) = 0;
    // A question with the buttons "Да" and "Нет": true for "Да". A seam without a user answers
    // "Да", so that it never stops a command halfway.
    virtual bool AskYesNo(const std::string& question);
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
    // The same dialog, telling also which filter was chosen (the first one unless overridden).
    virtual std::optional<SavedFileChoice> AskSaveFileAndFilter(const FileDialogRequest& request);
    // Shows one of the program's dialogs modally; its result (QDialog::Accepted when its OK
    // button closed it).
    virtual int ExecModal(QDialog& dialog) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // Prints one page on the default printer without a printer dialog: paintPage paints on the
    // prepared printer (PreparePrintPage). CommandError when there is no printer or the printer
    // fails.
    virtual void PrintPage(const std::function<void(QPrinter& printer)>& paintPage) = 0;
    // The spectrum to open from a file of several: its index in the file, or nothing on Cancel.
    // A seam without a user answers what the chooser preselects.
    virtual std::optional<int32_t> ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                                  const NumberFormat& format);
};

// The page every print job uses: the whole paper with margins 0, at the screen's resolution, so
// that a widget painted at (0, 0) keeps its pixel size.
void PreparePrintPage(QPrinter& printer);

// Qt's message box and file dialogs. The open dialog and the save dialog are made on first use
// and kept, so they remember the last file chosen.
class QtUiSeam : public UiSeam {
  public:
    explicit QtUiSeam(QWidget* parent);
    ~QtUiSeam() override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& question) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    std::optional<SavedFileChoice> AskSaveFileAndFilter(const FileDialogRequest& request) override;
    int ExecModal(QDialog& dialog) override;
    void SetClipboardText(const std::string& text) override;
    void PrintPage(const std::function<void(QPrinter& printer)>& paintPage) override;
    std::optional<int32_t> ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                          const NumberFormat& format) override;

  private:
    std::optional<SavedFileChoice> Ask(QFileDialog*& dialog, const FileDialogRequest& request,
                                       bool save);

    QWidget* parent_;
    QFileDialog* openPointsDialog_ = nullptr;
    QFileDialog* saveTextDialog_ = nullptr;
};

}  // namespace ostrel
