#include "tools/curve_plot.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

using tev::link::GraphGeometry;

namespace {

const QColor kBackground(0, 0, 0);
const QColor kGrid(70, 70, 70);
const QColor kAxis(230, 230, 230);
const QColor kText(200, 200, 200);
constexpr double kColumn = double(GraphGeometry::right - GraphGeometry::left) / GraphGeometry::verticalLines;
constexpr double kRow = double(GraphGeometry::bottom - GraphGeometry::top) / GraphGeometry::horizontalLines;

void Arrow(QPainter& painter, QPointF tip, QPointF direction) {
    const QPointF side(-direction.y(), direction.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - direction * 10 + side * 4);
    head.lineTo(tip - direction * 10 - side * 4);
    head.closeSubpath();
    painter.fillPath(head, kAxis);
}

QFont BoldFont(int pixelSize) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

} // namespace

CurvePlot::CurvePlot(const tev::link::GraphSamples& samples, QWidget* parent)
    : QWidget(parent), m_samples(samples) {
    setObjectName(QStringLiteral("graphArea"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    render();
}

QColor CurvePlot::curveColor(int curve) {
    static const QColor colors[] = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(0, 255, 255),
                                    QColor(0, 0, 255)};
    return colors[std::clamp(curve, 0, 3)];
}

void CurvePlot::start(int rangeStart, int rangeEnd,
                      const std::array<int, tev::link::kGraphCurves>& channels) {
    m_started = true;
    m_rangeStart = rangeStart;
    m_rangeEnd = rangeEnd;
    m_channels = channels;
    render();
    update();
}

void CurvePlot::refresh() {
    render();
    update();
}

void CurvePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void CurvePlot::render() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    drawGrid(painter);
    drawAxes(painter);
    drawLegends(painter);
    if (m_started) {
        drawValueLabels(painter);
        drawCurves(painter);
    }
    painter.end();
    m_image = std::move(image);
}

void CurvePlot::drawGrid(QPainter& painter) const {
    painter.setPen(QPen(kGrid, 1));
    for (int i = 1; i <= GraphGeometry::verticalLines; ++i) {
        const double x = GraphGeometry::left + kColumn * i;
        painter.drawLine(QPointF(x, GraphGeometry::top), QPointF(x, GraphGeometry::bottom));
    }
    for (int j = 0; j < GraphGeometry::horizontalLines; ++j) {
        const double y = GraphGeometry::top + kRow * j;
        painter.drawLine(QPointF(GraphGeometry::left, y), QPointF(GraphGeometry::right, y));
    }
    painter.setPen(kText);
    painter.setFont(BoldFont(10));
    for (int i = 0; i <= GraphGeometry::verticalLines; i += 2) {
        const double x = GraphGeometry::left + kColumn * i;
        const QRectF box(x - 20, GraphGeometry::bottom + 4, 40, 14);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::number(45 * (i / 2)));
    }
}

void CurvePlot::drawAxes(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kAxis, 1.5));
    const QPointF origin(GraphGeometry::left, GraphGeometry::bottom);
    painter.drawLine(origin, QPointF(GraphGeometry::right, GraphGeometry::bottom));
    painter.drawLine(origin, QPointF(GraphGeometry::left, GraphGeometry::top));
    Arrow(painter, QPointF(GraphGeometry::right, GraphGeometry::bottom), QPointF(1, 0));
    Arrow(painter, QPointF(GraphGeometry::left, GraphGeometry::top), QPointF(0, -1));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void CurvePlot::drawValueLabels(QPainter& painter) const {
    painter.setPen(kText);
    painter.setFont(BoldFont(9));
    const auto labels = tev::link::RangeLabels(m_rangeStart, m_rangeEnd);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const double y = GraphGeometry::bottom - kRow * static_cast<double>(i);
        const QRectF box(0, y - 7, GraphGeometry::left - 3, 14);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(labels[i]));
    }
}

void CurvePlot::drawLegends(QPainter& painter) const {
    painter.setFont(BoldFont(14));
    for (int k = 0; k < tev::link::kGraphCurves; ++k) {
        painter.setPen(curveColor(k));
        const int channel = m_started ? m_channels[static_cast<std::size_t>(k)] : k + 1;
        const QRectF box(70 + 170 * k, 12, 160, 24);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("第%1通道").arg(channel));
    }
}

void CurvePlot::drawCurves(QPainter& painter) const {
    // Samples beyond the right edge of the area cannot show: stop there.
    const std::size_t visible =
        static_cast<std::size_t>((kWidth - GraphGeometry::left) / GraphGeometry::sampleStep) + 1;
    const std::size_t count = std::min(m_samples.size(), visible);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t k = 0; k < tev::link::kGraphCurves; ++k) {
        painter.setPen(QPen(curveColor(static_cast<int>(k)), 1.5));
        QPolygonF run; // a line through consecutive samples; a sample without a value breaks it
        for (std::size_t i = 0; i <= count; ++i) {
            const auto& value = i < count ? m_samples[i].values[k] : std::optional<double>();
            if (value) {
                run << QPointF(tev::link::SampleX(i), tev::link::ValueY(*value, m_rangeStart, m_rangeEnd));
                continue;
            }
            if (run.size() == 1)
                painter.drawPoint(run.front());
            else if (run.size() > 1)
                painter.drawPolyline(run);
            run.clear();
        }
    }
}
