// The graph display's drawing area: axes, grid, value labels, legends and the four curves, drawn into
// an off-screen image that a repaint only copies to the screen.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>

#include "tev/link/graph_samples.hpp"

class CurvePlot final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 440;

    explicit CurvePlot(const tev::link::GraphSamples& samples, QWidget* parent = nullptr);

    // From "启动" on: the range of the vertical axis and the channel number of each curve's legend.
    void start(int rangeStart, int rangeEnd, const std::array<int, tev::link::kGraphCurves>& channels);
    // Draws the samples stored since the last call.
    void refresh();
    // The drawing as it stands, the size of the area.
    const QImage& image() const { return m_image; }

    // Colour of curve k (0 ... 3): green, yellow, cyan, blue.
    static QColor curveColor(int curve);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void render();
    void drawGrid(QPainter& painter) const;
    void drawAxes(QPainter& painter) const;
    void drawValueLabels(QPainter& painter) const;
    void drawLegends(QPainter& painter) const;
    void drawCurves(QPainter& painter) const;

    const tev::link::GraphSamples& m_samples;
    bool m_started = false;
    int m_rangeStart = 15;
    int m_rangeEnd = 35;
    std::array<int, tev::link::kGraphCurves> m_channels{1, 2, 3, 4};
    QImage m_image;
};
