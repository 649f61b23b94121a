#include "app/ui_seam.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/mz_chooser.h"
#include "results/chart_images.h"
#include "state/errors.h"
#include "state/messages.h"

namespace ostrel {

bool UiSeam::AskYesNo(const std::string&) {
    return true;
}

std::optional<SavedFileChoice> UiSeam::AskSaveFileAndFilter(const FileDialogRequest& request) {
    auto path = AskSaveFile(request);
    if (!path) return std::nullopt;
    return SavedFileChoice{*path, 0};
}

void PreparePrintPage(QPrinter& printer) {
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

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

bool QtUiSeam::AskYesNo(const std::string& question) {
    QString shown = QString::fromStdString(question);
    shown.replace('\r', '\n');
    QMessageBox box(QMessageBox::Question, QStringLiteral("Ostrel"), shown,
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);  // Enter by habit keeps the work
    return box.exec() == QMessageBox::Yes;
}

std::optional<SavedFileChoice> QtUiSeam::Ask(QFileDialog*& dialog, const FileDialogRequest& request,
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
    return SavedFileChoice{dialog->selectedFiles().first().toStdString(),
                           static_cast<int>(std::max<qsizetype>(
                               0, dialog->nameFilters().indexOf(dialog->selectedNameFilter())))};
}

std::optional<std::string> QtUiSeam::AskOpenFile(const FileDialogRequest& request) {
    auto answer = Ask(openPointsDialog_, request, false);
    if (!answer) return std::nullopt;
    return answer->path;
}

std::optional<std::string> QtUiSeam::AskSaveFile(const FileDialogRequest& request) {
    auto answer = Ask(saveTextDialog_, request, true);
    if (!answer) return std::nullopt;
    return answer->path;
}

std::optional<SavedFileChoice> QtUiSeam::AskSaveFileAndFilter(const FileDialogRequest& request) {
    return Ask(saveTextDialog_, request, true);
}

int QtUiSeam::ExecModal(QDialog& dialog) {
    return dialog.exec();
}

void QtUiSeam::SetClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtUiSeam::PrintPage(const std::function<void(QPrinter& printer)>& paintPage) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) throw CommandError(NoPrinterMessage());
    QPrinter printer(info, QPrinter::ScreenResolution);
    PreparePrintPage(printer);
    paintPage(printer);
    if (printer.printerState() == QPrinter::Error)
        throw CommandError(PrintFailedMessage(info.printerName().toStdString()));
}

std::optional<int32_t> QtUiSeam::ChooseSpectrum(const std::vector<MzSpectrumRow>& rows,
                                                const NumberFormat& format) {
    SpectrumChooser chooser(rows, format, parent_);
    if (chooser.exec() != QDialog::Accepted) return std::nullopt;
    return chooser.SelectedIndex();
}

}  // namespace ostrel
