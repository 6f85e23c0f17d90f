#include "tools/graph_dialog.hpp"

#include <QBuffer>
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
#include <QVBoxLayout>
#include <chrono>

#include "core/notifier.hpp"
#include "core/workspace.hpp"
#include "tev/link/file_write.hpp"
#include "tev/link/graph_reply.hpp"
#include "tev/link/program_files.hpp"
#include "tools/curve_plot.hpp"
#include "tools/graph_parameters_dialog.hpp"

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

GraphDialog::GraphDialog(const ToolContext& context, QWidget* parent)
    : ToolDialog(LineUse::Taken, parent), m_ports(context.ports), m_notifier(context.notifier),
      m_outputFolder(context.workspace.outputFolder()) {
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
    if (!m_lease || m_lease.port() != port)
        m_lease = m_ports.lease(port);
    m_job = m_lease.run<GraphReading>(
        this,
        [settings](tev::link::SerialClient& client) { return tev::link::PollGraphModule(client, settings); },
        [this](GraphReading reading) { take(reading); });
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
    // The output folder is the one place files for the user go (a portable copy's own folder, else
    // the user's data folder); it is made when missing.
    const QString path = QDir(m_outputFolder).filePath(kCurveFile);
    if (const std::string why = tev::link::MakeParentFolder(path.toStdString()); !why.empty())
        m_lastFailure = QString::fromStdString(why);
    else if (writePicture(path, "BMP")) {
        emit message(QStringLiteral("曲线已保存到 %1").arg(QDir::toNativeSeparators(path)));
        return path;
    }
    emit message(QStringLiteral("曲线保存失败: %1").arg(m_lastFailure));
    return {};
}

bool GraphDialog::savePicture(const QString& path) {
    const bool ok = writePicture(path, nullptr);
    emit message(ok ? QStringLiteral("图片已保存到 %1").arg(QDir::toNativeSeparators(path))
                    : QStringLiteral("图片保存失败: %1").arg(m_lastFailure));
    return ok;
}

// The picture is encoded in memory first, then written whole, so a failed write keeps the old file.
bool GraphDialog::writePicture(const QString& path, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_plot->image().save(&buffer, format ? format : QFileInfo(path).suffix().toLatin1().constData())) {
        m_lastFailure = QStringLiteral("图片格式不支持: ") + QDir::toNativeSeparators(path);
        return false;
    }
    return writeFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool GraphDialog::writeFile(const QString& path, std::string_view bytes) {
    m_lastFailure = QString::fromStdString(tev::link::WriteFileReplacing(path.toStdString(), bytes));
    return m_lastFailure.isEmpty();
}

bool GraphDialog::saveData(const QString& path) {
    const std::string csv = tev::link::GraphSamplesCsv(m_samples, m_curveChannels);
    const bool ok = writeFile(path, csv);
    emit message(ok ? QStringLiteral("数据已保存到 %1 (%2 个采样)")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(m_samples.size())
                    : QStringLiteral("数据保存失败: %1").arg(m_lastFailure));
    return ok;
}

void GraphDialog::chooseAndSavePicture() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("另存为PNG图片"), QDir(m_outputFolder).filePath(QStringLiteral("draw1.png")),
        QStringLiteral("PNG图片 (*.png)"));
    if (!path.isEmpty())
        savePicture(path);
}

void GraphDialog::chooseAndSaveData() {
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'graph_'yyyyMMdd_HHmmss'.csv'"));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("保存数据"), QDir(m_outputFolder).filePath(name),
                                     QStringLiteral("CSV文件 (*.csv)"));
    if (!path.isEmpty())
        saveData(path);
}
