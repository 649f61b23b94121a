#include "app/chart_export.h"

#include <QBuffer>
#include <QImage>
#include <QLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QTabWidget>

#include "app/chart.h"
#include "app/main_window.h"
#include "state/errors.h"
#include "state/file_io.h"

namespace ostrel {

namespace {

QByteArray RasterBytes(Chart& chart, const char* format, const std::string& path) {
    QImage image(chart.width(), chart.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QCPPainter painter;
    if (image.isNull() || !painter.begin(&image)) throw CommandError(ImageFailedMessage(path));
    chart.PaintPicture(painter);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) throw CommandError(ImageFailedMessage(path));
    return bytes;
}

QByteArray PdfBytes(Chart& chart, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        // At 72 dots an inch a device pixel is a point: the page is the chart's size exactly.
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageSize(QPageSize(QSizeF(chart.width(), chart.height()), QPageSize::Point,
                                     QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QCPPainter painter;
        if (!painter.begin(&writer)) throw CommandError(ImageFailedMessage(path));
        painter.setMode(QCPPainter::pmVectorized);
        chart.PaintPicture(painter);
        painter.end();
    }
    return bytes;
}

// A chart on a page that is not shown has the size it had when last shown, or none at all: its
// page takes the size of the shown page and is laid out, as showing it would do.
Chart& ChartOf(TForm1& form, const char* name) {
    Chart& chart = *form.ChartNamed(QString::fromLatin1(name));
    auto* pages = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    QWidget* page = chart.parentWidget();
    if (!chart.isVisible() && pages && pages->currentWidget() && pages->indexOf(page) >= 0) {
        page->resize(pages->currentWidget()->size());
        if (page->layout()) page->layout()->setGeometry(page->rect());
        form.ApplyLayoutRule();
    }
    return chart;
}

}  // namespace

QByteArray ChartPictureBytes(Chart& chart, ImageFormat format, const std::string& path) {
    switch (format) {
        case ImageFormat::Png:
            return RasterBytes(chart, "PNG", path);
        case ImageFormat::Pdf:
            return PdfBytes(chart, path);
        case ImageFormat::Bmp:
            break;
    }
    return RasterBytes(chart, "BMP", path);
}

void SaveChartImage(TForm1& form, Chart& chart, const ChartImageTexts& texts) {
    const auto answer =
        form.AskSaveFileAndFilter({texts.title, std::string(), kChartImageFilter, texts.fileName});
    if (!answer) return;
    try {
        const QByteArray bytes =
            ChartPictureBytes(chart, ImageFormatFor(answer->path, answer->filter), answer->path);
        WriteFileReplacing(answer->path, bytes.toStdString());
    } catch (const CommandError& e) {
        form.ShowMessage(e.what());
        return;
    }
    form.ResultsExported();
}

void BMP1Click(TForm1& form) {
    SaveChartImage(form, ChartOf(form, "Chart1"), kSpectrumImage);
}

void BMP2Click(TForm1& form) {
    SaveChartImage(form, ChartOf(form, "Chart3"), kTheoryCHImage);
}

void BMP3Click(TForm1& form) {
    SaveChartImage(form, ChartOf(form, "Chart2"), kCalibrationImage);
}

void BMP4Click(TForm1& form) {
    SaveChartImage(form, ChartOf(form, "Chart4"), kTheoryCFImage);
}

void N35Click(TForm1& form) {
    Chart& chart = ChartOf(form, "Chart1");
    try {
        form.Seam().PrintPage([&chart](QPrinter& printer) {
            QCPPainter painter;
            if (!painter.begin(&printer))
                throw CommandError(PrintFailedMessage(printer.printerName().toStdString()));
            painter.setMode(QCPPainter::pmVectorized);
            chart.PaintPicture(painter);
            painter.end();
        });
    } catch (const CommandError& e) {
        form.ShowMessage(e.what());
        return;
    }
    form.ResultsExported();
}

}  // namespace ostrel
