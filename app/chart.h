// The chart layer over QCustomPlot: charts with a title, foot text and axis titles, holding
// named line series with point markers whose points are kept in ascending x.
#pragma once

#include <qcustomplot.h>

#include <QColor>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "state/window_texts.h"

namespace ostrel {

struct SeriesLook {
    QColor line;
    QCPScatterStyle::ScatterShape marker = QCPScatterStyle::ssNone;
    double markerSize = 0;  // pixels
    QColor markerOutline;
    QColor markerFill;  // invalid: hollow
};

class ChartSeries {
  public:
    ChartSeries(QCPGraph* graph, const SeriesLook& look);

    void Clear();
    void Append(double x, double y);
    // Replaces every point at once (much faster than appending one by one).
    void SetPoints(const std::vector<double>& x, const std::vector<double>& y);
    // Appends the points first..last (both included) of the two sequences.
    void AppendPoints(const std::vector<double>& x, const std::vector<double>& y, int first,
                      int last);
    int Count() const;
    double X(int i) const;
    double Y(int i) const;

    void SetVisible(bool visible);
    bool IsVisible() const;
    void SetMarkersVisible(bool visible);
    bool MarkersVisible() const { return markersVisible_; }
    // The per-point mark texts (drawn by the charts that have them).
    void SetMarksVisible(bool visible) { marksVisible_ = visible; }
    bool MarksVisible() const { return marksVisible_; }

    QCPGraph* Graph() const { return graph_; }

  private:
    QCPGraph* graph_;
    QCPScatterStyle markerStyle_;
    bool markersVisible_ = true;
    bool marksVisible_ = false;
};

class Chart : public QCustomPlot {
  public:
    explicit Chart(QWidget* parent = nullptr);

    ChartSeries* AddSeries(const QString& name, const SeriesLook& look);
    ChartSeries* Series(const QString& name) const;

    void SetTitle(const QString& text, const QColor& colour, int pixelSize, bool bold);
    QString Title() const;
    void SetFootText(const QString& text, const QColor& colour, int pixelSize);
    QString FootText() const;
    void SetLeftAxisTitle(const QString& text, const QColor& colour, int pixelSize);
    void SetBottomAxisTitle(const QString& text);
    void SetLogarithmic(bool on);
    bool IsLogarithmic() const;
    // With zoom and pan: the wheel zooms the mass axis, a left drag moves along it, a right drag
    // (or Ctrl and a left drag) zooms to the rectangle's masses, a double click or Home shows
    // everything. The intensity axis always follows the masses in view.
    void SetZoomAndPan(bool on);
    // The series whose values set the intensity axis while it is visible (the spectrum on the
    // spectrum chart, so that fitted curves of failed fits do not stretch a logarithmic axis).
    void SetRangeSeries(const ChartSeries* series) { rangeSeries_ = series; }

    // Shows every point of the visible series, with a little room around them, and redraws.
    void Redraw();
    // Fits the intensity axis to the points in the mass range on view.
    void FitValueAxis();
    // After series were emptied: an empty chart shows no earlier range, another keeps its masses
    // in view with the intensity axis fitted to them.
    void Refresh();

    // The index of the series' point nearest to the pixel position, within a few pixels of it;
    // −1 when none is that close.
    int PointNear(const ChartSeries* series, const QPointF& pixel) const;
    // A text label beside point (x, y) of the chart, lines separated by '\n'; hidden otherwise.
    void ShowMark(double x, double y, const QString& text);
    void HideMark();
    QString MarkText() const;

    // Painted over the chart after every drawing, so it follows resizing and zooming.
    void SetOverlay(std::function<void(QPainter&)> overlay) { overlay_ = std::move(overlay); }

    // The pointer: what the status line calls the axes, and a watcher told the chart
    // coordinates under the pointer whenever it moves over the plot or a point is clicked.
    void SetPointerAxes(const PointerAxes& axes) { pointerAxes_ = axes; }
    const PointerAxes& Axes() const { return pointerAxes_; }
    void SetPointerWatcher(std::function<void(double x, double y)> watcher) {
        pointerWatcher_ = std::move(watcher);
    }
    // The mass of the point last clicked (a left click without a drag), marked on screen by a
    // dashed line; Escape forgets it.
    std::optional<double> ClickedX() const { return clickedX_; }
    void SetClickedX(std::optional<double> x);

    // The chart as the screen shows it (its size, ranges and overlay) on another device: an
    // image, a PDF page, a printer page. The painter's origin is the chart's top-left corner.
    void PaintPicture(QCPPainter& painter);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QCPTextElement* title_ = nullptr;
    QCPTextElement* foot_ = nullptr;
    QCPItemText* mark_ = nullptr;
    const ChartSeries* rangeSeries_ = nullptr;
    bool zoomable_ = false;
    bool fitting_ = false;
    std::map<QString, ChartSeries*> series_;
    std::vector<std::unique_ptr<ChartSeries>> owned_;
    std::function<void(QPainter&)> overlay_;
    PointerAxes pointerAxes_;
    std::function<void(double, double)> pointerWatcher_;
    std::optional<double> clickedX_;
    QPointF pressedAt_;
    bool leftPressed_ = false;
};

}  // namespace ostrel
