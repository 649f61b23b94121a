// The one way the window talks to the user through modal windows: message boxes and file
// dialogs. Tests put a scripted seam in its place, so no test waits on a modal window.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/mz_rows.h"
#include "state/number_format.h"

class QFileDialog;
class QWidget;

namespace ostrel {

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
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
    // The spectrum to open from a file of several: its index in the file, or nothing on Cancel.
    // A seam without a user answers what the chooser preselects.
    virtual std::optional<int32_t> ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                                  const NumberFormat& format);
};

// Qt's message box and file dialogs. The open dialog and the save dialog are made on first use
// and kept, so they remember the last file chosen.
class QtUiSeam : public UiSeam {
  public:
    explicit QtUiSeam(QWidget* parent);
    ~QtUiSeam() override;
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    std::optional<int32_t> ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                          const NumberFormat& format) override;

  private:
    std::optional<std::string> Ask(QFileDialog*& dialog, const FileDialogRequest& request,
                                   bool save);

    QWidget* parent_;
    QFileDialog* openPointsDialog_ = nullptr;
    QFileDialog* saveTextDialog_ = nullptr;
};

}  // namespace ostrel
