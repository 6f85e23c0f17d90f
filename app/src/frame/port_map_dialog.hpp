// "串口映射": which serial device, or which serial line behind a network gateway (tcp://HOST:PORT,
// rfc2217://HOST:PORT), each of COM1 ... COM16 means, saved in the user's ports file that
// libuart reads. The devices present are listed afresh on opening and on "刷新", so an adapter
// plugged in meanwhile appears without a restart. A mapping whose device is gone, or that names a
// pseudo-terminal (/dev/pts/N, which lasts only as long as the program behind it), is marked, and
// stable names are offered: /dev/serial/by-id/... and the link that tev-sim --link keeps.
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <filesystem>

class Notifier;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;

class PortMapDialog final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kPorts = 16;

    PortMapDialog(Notifier& notifier, std::filesystem::path portsFile, QWidget* parent = nullptr);

  public slots:
    // Lists the devices present again, keeping what each port shows.
    void refreshDevices();
    // Writes the mapping; closes the dialog when it was written.
    void save();

  private:
    QFormLayout* buildPortRows();
    QDialogButtonBox* buildButtons();
    // Marks the port's device when it is gone or transient.
    void updateNote(int index);
    // Marks box when what it holds is no device path or gateway address; the reason, or empty.
    QString checkTarget(QComboBox* box);
    // Shows the reasons of all marked boxes under the form; returns them.
    QStringList showProblems();

    Notifier& m_notifier;
    QLabel* m_problem = nullptr;
    std::filesystem::path m_file;
    std::array<QComboBox*, kPorts> m_ports{};
    std::array<QLabel*, kPorts> m_notes{};
};
