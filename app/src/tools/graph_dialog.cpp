#include "tools/graph_dialog.hpp"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <chrono>

#include "frame/notifier.hpp"
#include "tev/link/graph_reply.hpp"
#include "tools/curve_plot.hpp"
#include "tools/graph_parameters_dialog.hpp"
#include <tev/uart.h>

using tev::link::GraphReading;

namespace {

constexpr int kPollMs = 1500;
const QString kCurveFile = QStringLiteral("draw1.bmp");

QPushButton* Button(const QString& text, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

GraphDialog::GraphDialog(SerialWorker& worker, Notifier& notifier, QString programFolder, QWidget* parent)
    : ToolDialog(parent), m_worker(worker), m_notifier(notifier), m_programFolder(std::move(programFolder)) {
    setWindowTitle(QStringLiteral("图形显示"));
    m_plot = new CurvePlot(m_samples);
    m_plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("保存曲线 (draw1.bmp)"), this, [this] { saveCurve(); });
        menu.addAction(QStringLiteral("另存为PNG图片..."), this, &GraphDialog::chooseAndSavePicture);
        menu.addAction(QStringLiteral("保存数据 (CSV)..."), this, &GraphDialog::chooseAndSaveData);
        menu.exec(m_plot->mapToGlobal(at));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_plot);
    layout->addWidget(buildValues());
    layout->addWidget(buildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &GraphDialog::tick);
}

GraphDialog::~GraphDialog() {
    m_job.cancel();
}

QWidget* GraphDialog::buildValues() {
    auto* row = new QWidget;
    auto* grid = new QGridLayout(row);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int k = 0; k < tev::link::kGraphCurves; ++k) {
        auto* caption = new QLabel(QStringLiteral("显示值%1").arg(k + 1));
        caption->setObjectName(QStringLiteral("valueCaption%1").arg(k + 1));
        caption->setAlignment(Qt::AlignCenter);
        caption->setAutoFillBackground(true);
        QPalette palette = caption->palette();
        palette.setColor(QPalette::Window, CurvePlot::curveColor(k));
        palette.setColor(QPalette::WindowText, k == 3 ? Qt::white : Qt::black);
        caption->setPalette(palette);
        caption->setMinimumWidth(70);
        auto* field = new QLineEdit;
        field->setObjectName(QStringLiteral("value%1").arg(k + 1));
        field->setReadOnly(true);
        field->setAlignment(Qt::AlignRight);
        m_values[static_cast<std::size_t>(k)] = field;
        grid->addWidget(caption, 0, 2 * k);
        grid->addWidget(field, 0, 2 * k + 1);
    }
    return row;
}

QWidget* GraphDialog::buildButtons() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* start = Button(QStringLiteral("启动"), QStringLiteral("startButton"));
    auto* parameters = Button(QStringLiteral("参数设定"), QStringLiteral("parametersButton"));
    auto* saveCurve = Button(QStringLiteral("保存曲线"), QStringLiteral("saveCurveButton"));
    auto* saveData = Button(QStringLiteral("保存数据"), QStringLiteral("saveDataButton"));
    auto* cancel = Button(QStringLiteral("取消"), QStringLiteral("cancelButton"));
    connect(start, &QPushButton::clicked, this, &GraphDialog::start);
    connect(parameters, &QPushButton::clicked, this, &GraphDialog::openParameters);
    connect(saveCurve, &QPushButton::clicked, this, [this] { this->saveCurve(); });
    connect(saveData, &QPushButton::clicked, this, &GraphDialog::chooseAndSaveData);
    connect(cancel, &QPushButton::clicked, this, &GraphDialog::reject);
    layout->addStretch();
    for (auto* button : {start, parameters, saveCurve, saveData, cancel})
        layout->addWidget(button);
    return row;
}

void GraphDialog::showEvent(QShowEvent* event) {
    ToolDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    emit stopPagesRequested(); // this dialog takes a serial line
}

void GraphDialog::done(int result) {
    m_timer.stop();
    m_job.cancel();
    ToolDialog::done(result);
}

void GraphDialog::start() {
    m_curveChannels = m_settings.curveChannels;
    m_plot->start(m_settings.rangeStart, m_settings.rangeEnd, m_curveChannels);
    m_timer.start();
}

void GraphDialog::openParameters() {
    // The dialog opens with the defaults; "取消" keeps the settings in use.
    GraphParametersDialog dialog(m_notifier, this);
    if (dialog.exec() == QDialog::Accepted)
        m_settings = dialog.settings();
}

void GraphDialog::tick() {
    if (m_job.active())
        return; // the previous poll is still on the line
    const tev::link::GraphSettings settings = m_settings;
    const auto port = static_cast<std::uint8_t>(settings.port);
    m_job = m_worker.run<GraphReading>(
        this, [settings] { return tev::link::PollGraphModule(settings); },
        [this](GraphReading reading) { take(reading); }, [port] { UartCancel(port); });
}

void GraphDialog::take(const GraphReading& reading) {
    if (!reading)
        return; // no usable reply: the display stays as it is
    const auto values = tev::link::CurveValues(reading.values, m_curveChannels);
    for (std::size_t k = 0; k < values.size(); ++k)
        m_values[k]->setText(values[k] ? QString::fromStdString(tev::link::FormatTemperature(*values[k]))
                                       : QStringLiteral("--"));
    if (m_samples.add({std::chrono::system_clock::now(), values}))
        m_plot->refresh();
}

QString GraphDialog::saveCurve() {
    const QString preferred = QDir(m_programFolder).filePath(kCurveFile);
    if (writePicture(preferred, "BMP")) {
        emit message(QStringLiteral("曲线已保存到 %1").arg(QDir::toNativeSeparators(preferred)));
        return preferred;
    }
    // An installed program's folder is not writable: the user's data folder takes the picture.
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString fallback = QDir(dataFolder).filePath(kCurveFile);
    if (QDir().mkpath(dataFolder) && writePicture(fallback, "BMP")) {
        emit message(
            QStringLiteral("程序目录不可写, 曲线已保存到 %1").arg(QDir::toNativeSeparators(fallback)));
        return fallback;
    }
    emit message(QStringLiteral("曲线保存失败: %1").arg(QDir::toNativeSeparators(preferred)));
    return {};
}

bool GraphDialog::savePicture(const QString& path) {
    const bool ok = writePicture(path, nullptr);
    emit message(ok ? QStringLiteral("图片已保存到 %1").arg(QDir::toNativeSeparators(path))
                    : QStringLiteral("图片保存失败: %1").arg(QDir::toNativeSeparators(path)));
    return ok;
}

bool GraphDialog::writePicture(const QString& path, const char* format) {
    QSaveFile file(path); // replaces an existing file only once the new one is complete
    return file.open(QIODevice::WriteOnly) &&
           m_plot->image().save(&file, format ? format : QFileInfo(path).suffix().toLatin1().constData()) &&
           file.commit();
}

bool GraphDialog::saveData(const QString& path) {
    const std::string csv = tev::link::GraphSamplesCsv(m_samples, m_curveChannels);
    QSaveFile file(path);
    const bool ok =
        file.open(QIODevice::WriteOnly) &&
        file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size()) &&
        file.commit();
    emit message(ok ? QStringLiteral("数据已保存到 %1 (%2 个采样)")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(m_samples.size())
                    : QStringLiteral("数据保存失败: %1").arg(QDir::toNativeSeparators(path)));
    return ok;
}

void GraphDialog::chooseAndSavePicture() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("另存为PNG图片"), QDir(m_programFolder).filePath(QStringLiteral("draw1.png")),
        QStringLiteral("PNG图片 (*.png)"));
    if (!path.isEmpty())
        savePicture(path);
}

void GraphDialog::chooseAndSaveData() {
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'graph_'yyyyMMdd_HHmmss'.csv'"));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("保存数据"), QDir(m_programFolder).filePath(name),
                                     QStringLiteral("CSV文件 (*.csv)"));
    if (!path.isEmpty())
        saveData(path);
}
