// "参数设定" of the graph display: curve channels, temperature range, port, module address, baud rate
// and channel. Opens with the defaults every time; "确定" hands everything back.
#pragma once

#include <QDialog>
#include <array>

#include "tev/link/graph_poll.hpp"

class Notifier;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class GraphParametersDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit GraphParametersDialog(Notifier& notifier, QWidget* parent = nullptr);

    // The values of the controls (valid after "确定").
    tev::link::GraphSettings settings() const;

    // The baud rates of "波特率", in list order.
    static constexpr std::array<std::uint32_t, 8> kRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

  public slots:
    // Refuses a range that is not two whole numbers with the start below the end.
    void accept() override;

  private:
    QWidget* buildCurves();
    QWidget* buildRanges();
    QWidget* buildLine();

    Notifier& m_notifier;
    std::array<QSpinBox*, tev::link::kGraphCurves> m_curves{};
    QLineEdit* m_rangeStart = nullptr;
    QLineEdit* m_rangeEnd = nullptr;
    QCheckBox* m_showTemperature = nullptr;
    QSpinBox* m_step = nullptr;
    QComboBox* m_port = nullptr;
    QLineEdit* m_address = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_channel = nullptr;
};
