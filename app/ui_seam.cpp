#include "app/ui_seam.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/mz_chooser.h"
#include "state/messages.h"

namespace ostrel {

std::optional<int32_t> UiSeam::ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                              const NumberFormat&) {
    return FirstProfileMs1(rows);
}

QtUiSeam::QtUiSeam(QWidget* parent) : parent_(parent) {}

QtUiSeam::~QtUiSeam() = default;  // the dialogs are children of the window

void QtUiSeam::ShowMessage(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace('\r', '\n');
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ostrel"), shown, QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<std::string> QtUiSeam::Ask(QFileDialog*& dialog, const FileDialogRequest& request,
                                         bool save) {
    if (!dialog) {
        dialog = new QFileDialog(parent_);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
    }
    dialog->setWindowTitle(QString::fromStdString(request.title));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilter(QString::fromStdString(DialogFilterToQt(request.filter)));
    if (!request.folder.empty()) dialog->setDirectory(QString::fromStdString(request.folder));
    if (save) dialog->selectFile(QString::fromStdString(request.defaultName));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().first().toStdString();
}

std::optional<std::string> QtUiSeam::AskOpenFile(const FileDialogRequest& request) {
    return Ask(openPointsDialog_, request, false);
}

std::optional<std::string> QtUiSeam::AskSaveFile(const FileDialogRequest& request) {
    return Ask(saveTextDialog_, request, true);
}

std::optional<int32_t> QtUiSeam::ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                                const NumberFormat& format) {
    SpectrumChooser chooser(rows, format, parent_);
    if (chooser.exec() != QDialog::Accepted) return std::nullopt;
    return chooser.SelectedIndex();
}

}  // namespace ostrel
