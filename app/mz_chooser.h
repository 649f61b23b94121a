// The chooser that "Открыть..." shows for an mzML or mzXML file of several spectra: one table row
// per spectrum, the first profile MS1 spectrum preselected, OK and Cancel.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "formats/mz_rows.h"
#include "state/number_format.h"

class QTableWidget;

namespace ostrel {

class SpectrumChooser : public QDialog {
  public:
    SpectrumChooser(const std::vector<MzSpectrumRow>& rows, const NumberFormat& format,
                    QWidget* parent = nullptr);

    // The index in the file of the selected spectrum; nothing when no row is selected.
    std::optional<int32_t> SelectedIndex() const;

  private:
    QTableWidget* table_;
    std::vector<int32_t> indexes_;
};

}  // namespace ostrel
