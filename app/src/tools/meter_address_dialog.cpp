#include "meter_address_dialog.hpp"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/notifier.hpp"
#include "tev/link/direct_line.hpp"
#include "tev/link/serial_client.hpp"

using tev::link::AddressAttempt;
using tev::link::AddressBatch;
using tev::link::AddressRequest;
using tev::link::AddressStep;

namespace {

const QString kCaption = QStringLiteral("VORNIX工具软件");
constexpr int kFileMode = 0;
constexpr int kManualMode = 1;

QString FromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

MeterAddressDialog::MeterAddressDialog(const ToolContext& context, QWidget* parent)
    : ToolDialog(LineUse::Shared, parent), m_ports(context.ports), m_notifier(context.notifier) {
    setWindowTitle(QStringLiteral("热表地址设定"));
    m_timer.setInterval(tev::link::kBatchTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { onTick(); });
    buildControls();
    setMode(kFileMode);
}

MeterAddressDialog::~MeterAddressDialog() {
    m_timer.stop();
    m_stop->store(true);
    m_job.cancel();
}

void MeterAddressDialog::buildControls() {
    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("port"));
    for (int i = 1; i <= 16; ++i)
        m_port->addItem(QStringLiteral("COM%1").arg(i));
    m_baudBox = new QComboBox(this);
    m_baudBox->setObjectName(QStringLiteral("baud"));
    m_baudBox->setEditable(true);
    m_baudBox->setInsertPolicy(QComboBox::NoInsert);
    m_baudBox->addItems({"300", "600", "1200", "2400", "4800", "9600", "19200", ""});
    m_baudBox->setCurrentIndex(3);
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("mode"));
    m_mode->addItems({QStringLiteral("从文件导入"), QStringLiteral("手工修改")});
    connect(m_mode, &QComboBox::currentIndexChanged, this, [this](int index) { setMode(index); });

    auto edit = [this](const char* name, const QString& text = {}) {
        auto* field = new QLineEdit(text, this);
        field->setObjectName(QString::fromLatin1(name));
        return field;
    };
    m_identification = edit("identification");
    m_address = edit("newAddress");
    m_manufacturer = edit("manufacturer", QStringLiteral("FFFFFFFF"));
    m_importField = edit("importPath");
    m_status = edit("importStatus");
    m_status->setEnabled(false);

    buildButtons();
    buildLayout();
}

void MeterAddressDialog::buildButtons() {
    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    m_browse = button(QStringLiteral("...."), "browse");
    m_importButton = button(QStringLiteral("导入文件"), "importButton");
    m_manualButton = button(QStringLiteral("人工设置"), "manualButton");
    m_manualButton->setDefault(true);
    m_cancelButton = button(QStringLiteral("取消"), "cancelButton");
    connect(m_browse, &QPushButton::clicked, this, [this] { browse(); });
    connect(m_importButton, &QPushButton::clicked, this, [this] { startBatch(); });
    connect(m_manualButton, &QPushButton::clicked, this, [this] { setManually(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { reject(); });
}

void MeterAddressDialog::buildLayout() {
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* field, QWidget* extra = nullptr) {
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(field, row, 1);
        if (extra)
            grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow(QStringLiteral("串口设置"), m_port);
    addRow(QStringLiteral("波特率"), m_baudBox);
    addRow(QStringLiteral("选择导入模式"), m_mode);
    addRow(QStringLiteral("热表序列号"), m_identification);
    addRow(QStringLiteral("热表新地址(16进制)"), m_address);
    addRow(QStringLiteral("厂家+版本号(16进制)"), m_manufacturer);
    addRow(QStringLiteral("选择导入文件"), m_importField, m_browse);
    addRow(QStringLiteral("导入状态"), m_status);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_importButton, m_manualButton, m_cancelButton})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void MeterAddressDialog::setMode(int index) {
    const bool manual = index == kManualMode;
    for (QWidget* w : std::initializer_list<QWidget*>{m_identification, m_address, m_manualButton})
        w->setEnabled(manual);
    for (QWidget* w : std::initializer_list<QWidget*>{m_importField, m_browse, m_importButton})
        w->setEnabled(!manual);
}

void MeterAddressDialog::notify(const QString& text) {
    m_notifier.notify(this, kCaption, text, Notifier::Icon::Information);
}

tev::SerialSettings MeterAddressDialog::takeSettings() {
    if (const auto baud = tev::link::KnownBaudFromText(m_baudBox->currentText().toStdString()))
        m_baud = *baud;
    return tev::link::DirectLineSettings(static_cast<std::uint8_t>(m_port->currentIndex() + 1), m_baud);
}

JobToken MeterAddressDialog::runAttempt(const AddressRequest& request,
                                        std::function<void(AddressAttempt)> done) {
    const tev::SerialSettings settings = takeSettings();
    if (!m_lease || m_lease.port() != settings.port)
        m_lease = m_ports.lease(settings.port);
    return m_lease.run<AddressAttempt>(
        this,
        [settings, request, stop = m_stop](tev::link::SerialClient& client) {
            return tev::link::AttemptMeterAddress(client, settings, request, stop.get());
        },
        std::move(done), [stop = m_stop] { stop->store(true); });
}

void MeterAddressDialog::reportOpenFailure(const AddressAttempt& attempt) {
    // The attempt itself fails without a message box.
    if (const std::string failure = m_openFailure.next(attempt.opened, attempt.openFailure); !failure.empty())
        emit message(QString::fromStdString(failure));
}

void MeterAddressDialog::setManually() {
    if (m_job.active())
        return;
    const auto check =
        tev::link::CheckManualFields(m_manufacturer->text().toStdString(),
                                     m_identification->text().toStdString(), m_address->text().toStdString());
    if (!check) {
        notify(FromUtf8(tev::link::FieldErrorText(check.error)));
        return;
    }
    m_manualButton->setEnabled(false);
    m_job = runAttempt(check.request, [this](AddressAttempt attempt) {
        m_manualButton->setEnabled(m_mode->currentIndex() == kManualMode);
        reportOpenFailure(attempt);
        // The deselect's answer is not examined here: the meter has its new address.
        if (attempt.step == AddressStep::Done || attempt.step == AddressStep::OddDeselect) {
            notify(QStringLiteral("地址设置成功!"));
            accept();
        }
    });
}

void MeterAddressDialog::browse() {
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("浏览文件"), QString(),
                                                            QStringLiteral("All Files (*)"));
    chooseImportFile(paths.isEmpty() ? QString() : paths.first());
}

void MeterAddressDialog::chooseImportFile(const QString& path) {
    m_importField->setText(path);
    m_importPath = path.trimmed();
    if (m_importPath.isEmpty())
        return;
    QFile file(m_importPath);
    if (!file.open(QIODevice::ReadOnly)) {
        notify(QStringLiteral("File Error!"));
        return;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(tev::link::kMaxImportFileBytes) + 1);
    const auto read =
        m_batch.addFileText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (read.truncated)
        notify(QStringLiteral("导入文件过大: 只读入了前 %1 行!").arg(m_batch.size()));
}

void MeterAddressDialog::startBatch() {
    if (m_importPath.isEmpty()) {
        notify(QStringLiteral("请选择文件!"));
        return;
    }
    m_batch.restart();
    m_timer.start();
}

void MeterAddressDialog::onTick() {
    if (m_job.active())
        return; // the previous line is still on the line
    const auto line = m_batch.take();
    if (!line) {
        m_timer.stop(); // the status keeps the last line's result
        return;
    }
    runLine(*line);
}

void MeterAddressDialog::runLine(const AddressBatch::Line& line) {
    const std::size_t number = line.number;
    const auto check = tev::link::CheckImportLine(m_manufacturer->text().toStdString(), line.text);
    if (!check) {
        // The field serves every line: the batch stops at the first line it fails.
        m_timer.stop();
        m_status->setText(QString::fromStdString(AddressBatch::statusText(number, false)));
        notify(FromUtf8(tev::link::FieldErrorText(check.error)));
        return;
    }
    m_job = runAttempt(check.request, [this, number](AddressAttempt attempt) {
        if (attempt.step == AddressStep::Cancelled)
            return;
        reportOpenFailure(attempt);
        const bool ok = attempt.step == AddressStep::Done;
        m_status->setText(QString::fromStdString(AddressBatch::statusText(number, ok)));
    });
}

void MeterAddressDialog::reject() {
    m_timer.stop();
    m_stop->store(true);
    m_job.cancel(); // the line on the wire is abandoned; its job closes the port
    ToolDialog::reject();
}
