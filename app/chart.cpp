#include "app/chart.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

ChartSeries::ChartSeries(QCPGraph* graph, const SeriesLook& look) : graph_(graph) {
    graph_->setPen(QPen(look.line));
    graph_->setAdaptiveSampling(true);
    if (look.marker != QCPScatterStyle::ssNone) {
        const QBrush brush = look.markerFill.isValid() ? QBrush(look.markerFill) : QBrush();
        markerStyle_ = QCPScatterStyle(
            look.marker, QPen(look.markerOutline.isValid() ? look.markerOutline : look.line), brush,
            2 * look.markerSize + 1);
    }
    graph_->setScatterStyle(markerStyle_);
}

void ChartSeries::Clear() {
    graph_->data()->clear();
}

void ChartSeries::Append(double x, double y) {
    graph_->addData(x, y);
}

void ChartSeries::SetPoints(const std::vector<double>& x, const std::vector<double>& y) {
    const QVector<double> keys(x.begin(), x.end());
    const QVector<double> values(y.begin(), y.end());
    graph_->setData(keys, values, std::is_sorted(x.begin(), x.end()));
}

void ChartSeries::AppendPoints(const std::vector<double>& x, const std::vector<double>& y,
                               int first, int last) {
    if (last < first) return;
    const QVector<double> keys(x.begin() + first, x.begin() + last + 1);
    const QVector<double> values(y.begin() + first, y.begin() + last + 1);
    graph_->addData(keys, values, std::is_sorted(keys.begin(), keys.end()));
}

int ChartSeries::Count() const {
    return graph_->data()->size();
}

double ChartSeries::X(int i) const {
    return graph_->data()->at(i)->key;
}

double ChartSeries::Y(int i) const {
    return graph_->data()->at(i)->value;
}

void ChartSeries::SetVisible(bool visible) {
    graph_->setVisible(visible);
}

bool ChartSeries::IsVisible() const {
    return graph_->visible();
}

void ChartSeries::SetMarkersVisible(bool visible) {
    markersVisible_ = visible;
    graph_->setScatterStyle(visible ? markerStyle_ : QCPScatterStyle());
}

Chart::Chart(QWidget* parent) : QCustomPlot(parent) {
    setNoAntialiasingOnDrag(true);
    setPlottingHint(QCP::phFastPolylines, true);
    setFocusPolicy(Qt::ClickFocus);
    axisRect()->setRangeDrag(Qt::Horizontal);
    axisRect()->setRangeZoom(Qt::Horizontal);
    axisRect()->setRangeDragAxes(xAxis, nullptr);
    axisRect()->setRangeZoomAxes(xAxis, nullptr);
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this] { FitValueAxis(); });
}

ChartSeries* Chart::AddSeries(const QString& name, const SeriesLook& look) {
    QCPGraph* graph = addGraph();
    graph->setName(name);
    owned_.push_back(std::make_unique<ChartSeries>(graph, look));
    series_[name] = owned_.back().get();
    return owned_.back().get();
}

ChartSeries* Chart::Series(const QString& name) const {
    auto it = series_.find(name);
    return it == series_.end() ? nullptr : it->second;
}

void Chart::SetTitle(const QString& text, const QColor& colour, int pixelSize, bool bold) {
    if (!title_) {
        plotLayout()->insertRow(0);
        title_ = new QCPTextElement(this);
        plotLayout()->addElement(0, 0, title_);
    }
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    title_->setFont(font);
    title_->setTextColor(colour);
    title_->setText(text);
}

QString Chart::Title() const {
    return title_ ? title_->text() : QString();
}

void Chart::SetFootText(const QString& text, const QColor& colour, int pixelSize) {
    if (!foot_) {
        foot_ = new QCPTextElement(this);
        plotLayout()->addElement(plotLayout()->rowCount(), 0, foot_);
    }
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    foot_->setFont(font);
    foot_->setTextColor(colour);
    foot_->setText(text);
}

QString Chart::FootText() const {
    return foot_ ? foot_->text() : QString();
}

void Chart::SetLeftAxisTitle(const QString& text, const QColor& colour, int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    yAxis->setLabelFont(font);
    yAxis->setLabelColor(colour);
    yAxis->setLabel(text);
}

void Chart::SetBottomAxisTitle(const QString& text) {
    xAxis->setLabel(text);
}

void Chart::SetLogarithmic(bool on) {
    yAxis->setScaleType(on ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    if (on)
        yAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
    else
        yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
}

bool Chart::IsLogarithmic() const {
    return yAxis->scaleType() == QCPAxis::stLogarithmic;
}

void Chart::SetZoomAndPan(bool on) {
    zoomable_ = on;
    setInteractions(on ? QCP::iRangeDrag | QCP::iRangeZoom : QCP::Interactions());
}

void Chart::mousePressEvent(QMouseEvent* event) {
    leftPressed_ = event->button() == Qt::LeftButton;
    pressedAt_ = event->position();
    const bool rectangle =
        event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier));
    // The zoom rectangle zooms the axes the wheel zooms: the masses.
    setSelectionRectMode(zoomable_ && rectangle ? QCP::srmZoom : QCP::srmNone);
    QCustomPlot::mousePressEvent(event);
}

void Chart::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    if (pointerWatcher_ && axisRect()->rect().contains(event->position().toPoint()))
        pointerWatcher_(xAxis->pixelToCoord(event->position().x()),
                        yAxis->pixelToCoord(event->position().y()));
}

void Chart::mouseReleaseEvent(QMouseEvent* event) {
    QCustomPlot::mouseReleaseEvent(event);
    // A click is a left press and release within a few pixels: a longer way is a drag.
    const QPointF moved = event->position() - pressedAt_;
    const bool click = leftPressed_ && event->button() == Qt::LeftButton &&
                       std::fabs(moved.x()) + std::fabs(moved.y()) < 4 &&
                       axisRect()->rect().contains(event->position().toPoint());
    leftPressed_ = false;
    if (!click) return;
    SetClickedX(xAxis->pixelToCoord(event->position().x()));
    if (pointerWatcher_)
        pointerWatcher_(xAxis->pixelToCoord(event->position().x()),
                        yAxis->pixelToCoord(event->position().y()));
}

void Chart::SetClickedX(std::optional<double> x) {
    clickedX_ = x;
    update();
}

void Chart::mouseDoubleClickEvent(QMouseEvent* event) {
    QCustomPlot::mouseDoubleClickEvent(event);
    if (zoomable_ && event->button() == Qt::LeftButton) Redraw();
}

void Chart::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && clickedX_) {
        SetClickedX(std::nullopt);
        return;
    }
    if (zoomable_ && event->key() == Qt::Key_Home) {
        Redraw();
        return;
    }
    QCustomPlot::keyPressEvent(event);
}

int Chart::PointNear(const ChartSeries* series, const QPointF& pixel) const {
    constexpr double kReach = 6;  // pixels: the marker and a little around it
    const QCPGraph* graph = series->Graph();
    int nearest = -1;
    double best = kReach * kReach;
    const auto data = graph->data();
    for (int i = 0; i < data->size(); ++i) {
        const QPointF at = graph->coordsToPixels(data->at(i)->key, data->at(i)->value);
        const double dx = at.x() - pixel.x(), dy = at.y() - pixel.y();
        if (dx * dx + dy * dy <= best) {
            best = dx * dx + dy * dy;
            nearest = i;
        }
    }
    return nearest;
}

void Chart::ShowMark(double x, double y, const QString& text) {
    if (!mark_) {
        mark_ = new QCPItemText(this);
        mark_->setTextAlignment(Qt::AlignLeft);
        mark_->setPadding(QMargins(4, 2, 4, 2));
        mark_->setBrush(QBrush(QColor(255, 255, 225)));
        mark_->setPen(QPen(Qt::darkGray));
        mark_->setClipToAxisRect(true);
        mark_->position->setType(QCPItemPosition::ptAbsolute);
    }
    // Beside the point, on the side where the plot has room for it.
    constexpr double kGap = 6;
    const QPointF at(xAxis->coordToPixel(x), yAxis->coordToPixel(y));
    const QPointF centre = axisRect()->rect().center();
    const bool left = at.x() > centre.x(), below = at.y() < centre.y();
    mark_->setPositionAlignment((left ? Qt::AlignRight : Qt::AlignLeft) |
                                (below ? Qt::AlignTop : Qt::AlignBottom));
    mark_->position->setCoords(at.x() + (left ? -kGap : kGap), at.y() + (below ? kGap : -kGap));
    mark_->setText(text);
    mark_->setVisible(true);
}

void Chart::HideMark() {
    if (mark_) mark_->setVisible(false);
}

QString Chart::MarkText() const {
    return mark_ && mark_->visible() ? mark_->text() : QString();
}

void Chart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    QPainter painter(this);
    if (overlay_) overlay_(painter);
    // The clicked point is a mark of the screen only: pictures and prints leave it out.
    if (clickedX_ && xAxis->range().contains(*clickedX_)) {
        const QRect plot = axisRect()->rect();
        const double x = xAxis->coordToPixel(*clickedX_);
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
}

void Chart::PaintPicture(QCPPainter& painter) {
    toPainter(&painter, width(), height());
    if (overlay_) overlay_(painter);
}

namespace {

// A little room around the data, so that no point sits on the frame.
QCPRange Widened(const QCPRange& r, double below, double above, bool logarithmic) {
    if (logarithmic) {
        const double decades = std::log10(r.upper / r.lower);
        const double room = std::max(decades, 1.0);
        return QCPRange(r.lower / std::pow(10.0, below * room),
                        r.upper * std::pow(10.0, above * room));
    }
    const double span = r.size() > 0 ? r.size() : std::max(std::fabs(r.upper), 1.0);
    return QCPRange(r.lower - below * span, r.upper + above * span);
}

// The values of the points in the mass range, without the breaks of a line (a value that is not
// a number), which QCustomPlot's own range may take for its first value.
QCPRange FiniteValueRange(const QCPGraph& g, bool& has, bool logarithmic, const QCPRange& keys) {
    has = false;
    QCPRange r;
    for (auto it = g.data()->findBegin(keys.lower); it != g.data()->constEnd(); ++it) {
        if (it->key > keys.upper) break;
        const double v = it->value;
        if (!std::isfinite(v) || (logarithmic && v <= 0)) continue;
        if (!has) r = QCPRange(v, v);
        r.expand(v);
        has = true;
    }
    return r;
}

}  // namespace

void Chart::Redraw() {
    bool found = false;
    QCPRange keys;
    for (int i = 0; i < graphCount(); ++i) {
        QCPGraph* g = graph(i);
        if (!g->visible()) continue;
        bool has = false;
        const QCPRange r = g->getKeyRange(has);
        if (!has) continue;
        if (found)
            keys.expand(r);
        else
            keys = r;
        found = true;
    }
    if (found)
        xAxis->setRange(Widened(keys, 0.01, 0.01, false));
    else
        xAxis->setRange(0, 1);  // nothing to show: no range of an earlier spectrum
    FitValueAxis();
    replot(QCustomPlot::rpQueuedReplot);
}

void Chart::Refresh() {
    for (int i = 0; i < graphCount(); ++i)
        if (!graph(i)->data()->isEmpty()) {
            FitValueAxis();
            replot(QCustomPlot::rpQueuedReplot);
            return;
        }
    Redraw();
}

void Chart::FitValueAxis() {
    if (fitting_) return;
    fitting_ = true;
    const bool logarithmic = IsLogarithmic();
    const QCP::SignDomain domain = logarithmic ? QCP::sdPositive : QCP::sdBoth;
    bool found = false;
    QCPRange values;
    for (int i = 0; i < graphCount(); ++i) {
        QCPGraph* g = graph(i);
        if (!g->visible()) continue;
        if (rangeSeries_ && rangeSeries_->IsVisible() && g != rangeSeries_->Graph()) continue;
        bool has = false;
        QCPRange r = g->getValueRange(has, domain, xAxis->range());
        if (has && !(std::isfinite(r.lower) && std::isfinite(r.upper)))
            r = FiniteValueRange(*g, has, logarithmic, xAxis->range());
        if (!has) continue;
        if (found)
            values.expand(r);
        else
            values = r;
        found = true;
    }
    if (!found)
        yAxis->setRange(logarithmic ? QCPRange(1, 10) : QCPRange(0, 1));
    else
        yAxis->setRange(Widened(values, 0.02, 0.06, logarithmic));
    fitting_ = false;
}

}  // namespace ostrel
