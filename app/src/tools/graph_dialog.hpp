// "图形显示": polls the measuring module every 1500 ms on the serial thread, shows the values of four
// chosen channels and draws them as temperature curves; saves the drawing (draw1.bmp, PNG) and the
// stored samples (CSV).
#pragma once

#include <QString>
#include <QTimer>
#include <array>

#include "core/page_context.hpp"
#include "core/port_hub.hpp"
#include "tev/link/graph_poll.hpp"
#include "tev/link/graph_samples.hpp"
#include "tools/tool_dialog.hpp"

class CurvePlot;
class Notifier;
class QLineEdit;

class GraphDialog final : public ToolDialog {
    Q_OBJECT
  public:
    // "保存曲线" writes draw1.bmp to the workspace's output folder.
    explicit GraphDialog(const ToolContext& context, QWidget* parent = nullptr);
    ~GraphDialog() override;

    const tev::link::GraphSettings& settings() const { return m_settings; }
    // Takes settings as "参数设定" would hand them back.
    void setSettings(const tev::link::GraphSettings& settings) { m_settings = settings; }
    const tev::link::GraphSamples& samples() const { return m_samples; }
    // For tests: a faster tick, and a store filled ahead.
    void setPollIntervalMs(int ms) { m_timer.setInterval(ms); }
    tev::link::GraphSamples& samples() { return m_samples; }

    // "保存曲线": draw1.bmp in the output folder (made when missing). Returns the path written (empty
    // on failure) and reports it, or why not, in the message bar.
    QString saveCurve();
    // The drawing as a picture in the format the suffix names (PNG, BMP ...).
    bool savePicture(const QString& path);
    // The stored samples as CSV.
    bool saveData(const QString& path);

  protected:
    void done(int result) override;

  private:
    QWidget* buildValues();
    QWidget* buildButtons();
    void start();
    void openParameters();
    void tick();
    void take(const tev::link::GraphReading& reading);
    void chooseAndSavePicture();
    void chooseAndSaveData();
    bool writePicture(const QString& path, const char* format);
    // Replaces the file whole; on failure m_lastFailure says why, with the path.
    bool writeFile(const QString& path, std::string_view bytes);

    PortHub& m_ports;
    PortLease m_lease; // the measuring module's port while polling
    Notifier& m_notifier;
    QString m_outputFolder;
    tev::link::GraphSettings m_settings;
    // The curve channels given to the drawing at "启动": the values the curves and fields show.
    std::array<int, tev::link::kGraphCurves> m_curveChannels{1, 2, 3, 4};
    tev::link::GraphSamples m_samples;
    CurvePlot* m_plot = nullptr;
    std::array<QLineEdit*, tev::link::kGraphCurves> m_values{};
    QTimer m_timer;
    JobToken m_job;
    QString m_lastFailure;
};
