// The graph display against the simulated measuring module on a pseudo-terminal: polling, value
// fields, drawing, the sample limit, the parameter dialog and the saved files.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <mutex>
#include <optional>

#include "core/port_hub.hpp"
#include "core/workspace.hpp"
#include "file_size_limit.hpp"
#include "recording_notifier.hpp"
#include "tev/sim/line.hpp"
#include "tev/sim/measuring_module.hpp"
#include "tools/curve_plot.hpp"
#include "tools/graph_dialog.hpp"
#include "tools/graph_parameters_dialog.hpp"

using tev::link::GraphSettings;

namespace {

constexpr int kPort = 14; // COM14 is mapped to the test's line
// Curve 1's green, as the antialiased line leaves it on the black background.
bool Green(const QColor& c) {
    return c.green() > 120 && c.red() < 60 && c.blue() < 60;
}

// The simulated module; it can cut its value replies short.
class Module final : public tev::sim::Device {
  public:
    std::size_t frameLength(std::span<const std::uint8_t> bytes) const override {
        return m_inner.frameLength(bytes);
    }
    tev::sim::Reply answer(std::span<const std::uint8_t> frame, const tev::sim::LineState& line) override {
        tev::sim::Reply reply = m_inner.answer(frame, line);
        const std::lock_guard lock(m_mutex);
        if (frame[0] == '#' && m_cutValuesTo && reply.bytes.size() > *m_cutValuesTo)
            reply.bytes.resize(*m_cutValuesTo);
        return reply;
    }
    void cutValuesTo(std::size_t bytes) {
        const std::lock_guard lock(m_mutex);
        m_cutValuesTo = bytes;
    }

  private:
    tev::sim::MeasuringModule m_inner;
    std::mutex m_mutex;
    std::optional<std::size_t> m_cutValuesTo;
};

tev::link::GraphSample Sample(std::optional<double> first, std::chrono::system_clock::time_point time = {}) {
    return {time, {first, std::nullopt, std::nullopt, std::nullopt}};
}

} // namespace

class GraphDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();
    void openingStopsThePagesAndShowsTheEmptyGrid();
    void parameterDialogDefaultsAndRefusedRange();
    void pollingFillsTheFieldsAndStoresSamples();
    void fullStoreStillUpdatesTheFields();
    void silentModuleLeavesTheDisplayUnchanged();
    void shortValueReplyShowsOnlyWhatArrived();
    void valuesAreDrawnWhereTheGridSays();
    void curveIsSavedAsBmpReplacingTheOldOne();
    void aMissingOutputFolderIsMade();
    void dataIsSavedAsCsv();
    void screenshot();

  private:
    std::unique_ptr<GraphDialog> openDialog(QString folder = {});
    QLineEdit* field(int curve) {
        return m_dialog->findChild<QLineEdit*>(QStringLiteral("value%1").arg(curve));
    }
    void startPolling(const GraphSettings& settings);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<tev::sim::Line> m_line;
    std::shared_ptr<Module> m_module;
    std::unique_ptr<PortHub> m_worker;
    Workspace m_workspace;
    RecordingNotifier m_notifier;
    std::unique_ptr<GraphDialog> m_dialog;
};

void GraphDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_line = std::make_unique<tev::sim::Line>();
    m_module = std::make_shared<Module>();
    m_line->add(m_module);
    m_line->start();
    qputenv("TEV_COM14", m_line->path().c_str());
    m_worker = std::make_unique<PortHub>();
    m_notifier.m_shown->clear();
}

void GraphDialogTest::cleanup() {
    m_dialog.reset();
    m_worker.reset();
    m_line->stop();
    m_line.reset();
    m_dir.reset();
}

std::unique_ptr<GraphDialog> GraphDialogTest::openDialog(QString folder) {
    tev::link::ProgramFiles files;
    files.output = (folder.isEmpty() ? m_dir->path() : folder).toStdString();
    m_workspace.setFiles(files);
    auto dialog = std::make_unique<GraphDialog>(ToolContext{m_workspace, *m_worker, m_notifier});
    dialog->setPollIntervalMs(100);
    return dialog;
}

void GraphDialogTest::startPolling(const GraphSettings& settings) {
    m_dialog->setSettings(settings);
    m_dialog->show();
    m_dialog->findChild<QPushButton*>(QStringLiteral("startButton"))->click();
}

static GraphSettings OnTestLine(int channel = 0) {
    GraphSettings s;
    s.port = kPort;
    s.channel = channel;
    return s;
}

void GraphDialogTest::openingStopsThePagesAndShowsTheEmptyGrid() {
    m_dialog = openDialog();
    QSignalSpy stop(m_dialog.get(), &ToolDialog::stopPagesRequested);
    m_dialog->show();
    m_dialog->hide();
    m_dialog->show();
    QCOMPARE(stop.count(), 1);
    QCOMPARE(m_dialog->settings(), GraphSettings{});
    for (int k = 1; k <= 4; ++k)
        QVERIFY(field(k)->text().isEmpty());
    const QImage image = m_dialog->findChild<CurvePlot*>(QStringLiteral("graphArea"))->image();
    QCOMPARE(image.size(), QSize(CurvePlot::kWidth, CurvePlot::kHeight));
}

namespace {

// Port 4, channel 1, 19200 bit/s and the range -30 .. 0, after the range 20 .. 20 was refused.
void FillParametersAfterAnEmptyRange(GraphParametersDialog& p, RecordingNotifier& notifier) {
    QCOMPARE(p.settings(), GraphSettings{}); // every default of the dialog
    p.findChild<QComboBox*>(QStringLiteral("port"))->setCurrentIndex(3);
    p.findChild<QComboBox*>(QStringLiteral("channel"))->setCurrentIndex(1);
    p.findChild<QComboBox*>(QStringLiteral("baud"))->setCurrentIndex(4);
    p.findChild<QLineEdit*>(QStringLiteral("rangeStart"))->setText(QStringLiteral("20"));
    p.findChild<QLineEdit*>(QStringLiteral("rangeEnd"))->setText(QStringLiteral("20"));
    auto* ok = p.findChild<QPushButton*>(QStringLiteral("okButton"));
    ok->click();
    QVERIFY(p.isVisible()); // start = end is refused
    QCOMPARE(notifier.m_shown->size(), std::size_t(1));
    QVERIFY(notifier.m_shown->back().text.contains(QStringLiteral("起点必须小于终点")));
    p.findChild<QLineEdit*>(QStringLiteral("rangeStart"))->setText(QStringLiteral("-30"));
    p.findChild<QLineEdit*>(QStringLiteral("rangeEnd"))->setText(QStringLiteral("0"));
    ok->click();
}

} // namespace

void GraphDialogTest::parameterDialogDefaultsAndRefusedRange() {
    m_dialog = openDialog();
    m_dialog->show();
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
        auto* p = qobject_cast<GraphParametersDialog*>(QApplication::activeModalWidget());
        QVERIFY(p);
        FillParametersAfterAnEmptyRange(*p, m_notifier);
        checked = true;
    });
    m_dialog->findChild<QPushButton*>(QStringLiteral("parametersButton"))->click();
    QVERIFY(checked);
    GraphSettings expected;
    expected.port = 4;
    expected.channel = 1;
    expected.baud = 19200;
    expected.rangeStart = -30;
    expected.rangeEnd = 0;
    QCOMPARE(m_dialog->settings(), expected);
    // Opened again, it shows the defaults; "取消" keeps the settings in use.
    QTimer::singleShot(0, this, [&] {
        auto* p = qobject_cast<GraphParametersDialog*>(QApplication::activeModalWidget());
        QVERIFY(p);
        QCOMPARE(p->settings(), GraphSettings{});
        p->reject();
    });
    m_dialog->findChild<QPushButton*>(QStringLiteral("parametersButton"))->click();
    QCOMPARE(m_dialog->settings(), expected);
}

void GraphDialogTest::pollingFillsTheFieldsAndStoresSamples() {
    m_dialog = openDialog();
    startPolling(OnTestLine());
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog->samples().size() >= 3, 5000);
    const QRegularExpression number(QStringLiteral("^-?\\d+\\.\\d{3}℃$"));
    for (int k = 1; k <= 4; ++k) {
        QVERIFY2(number.match(field(k)->text()).hasMatch(), qPrintable(field(k)->text()));
        const double shown = field(k)->text().chopped(1).toDouble();
        QVERIFY(std::abs(shown - 25.0) < 10.0);
    }
    const auto& first = m_dialog->samples()[0];
    for (const auto& value : first.values)
        QVERIFY(value.has_value());
}

void GraphDialogTest::fullStoreStillUpdatesTheFields() {
    m_dialog = openDialog();
    for (std::size_t i = 0; i < tev::link::kGraphMaxSamples; ++i)
        QVERIFY(m_dialog->samples().add(Sample(20.0)));
    startPolling(OnTestLine(1)); // the channel below zero
    QTRY_VERIFY_WITH_TIMEOUT(!field(1)->text().isEmpty(), 5000);
    QVERIFY(field(1)->text().startsWith(QLatin1Char('-')));
    QCOMPARE(m_dialog->samples().size(), tev::link::kGraphMaxSamples);
}

void GraphDialogTest::silentModuleLeavesTheDisplayUnchanged() {
    m_dialog = openDialog();
    m_line->options().dropReplies = -1;
    startPolling(OnTestLine());
    QTest::qWait(700); // several ticks, each ending at the status request's 50 ms
    for (int k = 1; k <= 4; ++k)
        QVERIFY(field(k)->text().isEmpty());
    QCOMPARE(m_dialog->samples().size(), std::size_t(0));
}

void GraphDialogTest::shortValueReplyShowsOnlyWhatArrived() {
    m_dialog = openDialog();
    m_module->cutValuesTo(5 + 4 * 2 + 1); // values 0 and 1, the low byte of value 2
    startPolling(OnTestLine());
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog->samples().size() >= 1, 5000);
    QVERIFY(field(1)->text().endsWith(QStringLiteral("℃"))); // curve 1 shows value 1
    for (int k = 2; k <= 4; ++k)
        QCOMPARE(field(k)->text(), QStringLiteral("--"));
    const auto& sample = m_dialog->samples()[0];
    QVERIFY(sample.values[0] && !sample.values[1] && !sample.values[2] && !sample.values[3]);
}

void GraphDialogTest::valuesAreDrawnWhereTheGridSays() {
    m_dialog = openDialog();
    m_line->options().dropReplies = -1;
    for (int i = 0; i < 240; ++i)
        m_dialog->samples().add(Sample(25.0));
    startPolling(OnTestLine()); // range 15 ... 35: 25 lies half-way, at y = 225
    const QImage image = m_dialog->findChild<CurvePlot*>(QStringLiteral("graphArea"))->image();
    QVERIFY(Green(image.pixelColor(100, 225)));
    QVERIFY(Green(image.pixelColor(723, 225))); // the 232nd sample
    QVERIFY(!Green(image.pixelColor(100, 221)));
    QVERIFY(!Green(image.pixelColor(100, 229)));
}

void GraphDialogTest::curveIsSavedAsBmpReplacingTheOldOne() {
    m_dialog = openDialog();
    const QString path = m_dir->filePath(QStringLiteral("draw1.bmp"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file, much shorter than a picture");
    old.close();
    QSignalSpy messages(m_dialog.get(), &ToolDialog::message);
    m_dialog->findChild<QPushButton*>(QStringLiteral("saveCurveButton"))->click();
    QImage saved(path, "BMP");
    QCOMPARE(saved.size(), QSize(CurvePlot::kWidth, CurvePlot::kHeight));
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages[0][0].toString().contains(QDir::toNativeSeparators(path)));
    QVERIFY(m_dialog->savePicture(m_dir->filePath(QStringLiteral("graph.png"))));
    QCOMPARE(QImage(m_dir->filePath(QStringLiteral("graph.png")), "PNG").size(), saved.size());
}

void GraphDialogTest::aMissingOutputFolderIsMade() {
    const QString folder = m_dir->filePath(QStringLiteral("no-such-folder"));
    m_dialog = openDialog(folder);
    QSignalSpy messages(m_dialog.get(), &ToolDialog::message);
    const QString written = m_dialog->saveCurve();
    QCOMPARE(written, QDir(folder).filePath(QStringLiteral("draw1.bmp")));
    QVERIFY(!QImage(written).isNull());
    QVERIFY(messages[0][0].toString().contains(QDir::toNativeSeparators(written)));
}

void GraphDialogTest::dataIsSavedAsCsv() {
    m_dialog = openDialog();
    const auto now = std::chrono::system_clock::now();
    m_dialog->samples().add({now, {25.0, -20.5, std::nullopt, 30.125}});
    m_dialog->samples().add({now, {25.5, -20.0, 1.0, 30.0}});
    const QString path = m_dir->filePath(QStringLiteral("data.csv"));
    QVERIFY(m_dialog->saveData(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("时间,第1通道(℃),第2通道(℃),第3通道(℃),第4通道(℃)"));
    QVERIFY(lines[1].endsWith(QStringLiteral(",25.000,-20.500,,30.125")));
    QVERIFY(lines[2].endsWith(QStringLiteral(",25.500,-20.000,1.000,30.000")));
    QVERIFY(!m_dialog->saveData(m_dir->filePath(QStringLiteral("no-such-folder/data.csv"))));

    // A full disk keeps the old file and says so, with the path; never "已保存".
    const QString picture = m_dir->filePath(QStringLiteral("old.png"));
    QFile::copy(path, picture);
    QSignalSpy messages(m_dialog.get(), &ToolDialog::message);
    {
        const FileSizeLimit full(10);
        QVERIFY(!m_dialog->saveData(path));
        QVERIFY(!m_dialog->savePicture(picture));
    }
    QCOMPARE(messages.count(), 2);
    for (const auto& [said, file] :
         {std::pair{messages[0][0].toString(), path}, {messages[1][0].toString(), picture}}) {
        QVERIFY2(said.contains(file) && said.contains(QStringLiteral("文件太大")), qPrintable(said));
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().startsWith("时间,"));
    }
}

// With TEV_SCREENSHOT_DIR set: the dialog after five minutes of the demo's module (the history is
// taken from the simulator's own temperature waves at 1.5 s steps), then live polls.
void GraphDialogTest::screenshot() {
    const QString folder = qEnvironmentVariable("TEV_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("TEV_SCREENSHOT_DIR not set");
    m_dialog = openDialog();
    const auto now = std::chrono::system_clock::now();
    for (int i = 0; i < 200; ++i) {
        tev::link::GraphSample sample{now, {}};
        for (int k = 0; k < 4; ++k) {
            const double t = tev::sim::MeasuringModule::temperature(0, k + 1, 1.5 * (i - 200));
            sample.values[static_cast<std::size_t>(k)] = tev::sim::MeasuringModule::encode(t) / 16.0;
        }
        m_dialog->samples().add(sample);
    }
    startPolling(OnTestLine());
    QTRY_VERIFY_WITH_TIMEOUT(m_dialog->samples().size() >= 202, 5000);
    QVERIFY(m_dialog->grab().save(QDir(folder).filePath(QStringLiteral("graph.png"))));
}

QTEST_MAIN(GraphDialogTest)
#include "graph_dialog_test.moc"
