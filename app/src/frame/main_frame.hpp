// The main window: menu, toolbar, status bar and the three docking bars. It owns what the windows
// share (workspace, converter tree, serial worker, notifier) and wires the dialogs, pages and tools
// to the bars; it does no work of its own. Bars are reached queued, so a bar handles a notification
// after its sender has returned.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "tev/link/converter.hpp"
#include "tev/link/program_files.hpp"

class ConverterTreeModel;
class MessageBar;
class Notifier;
class PagesBar;
class QAction;
class QLabel;
class QToolBar;
class SearchDialog;
class PortHub;
class SerialWorker;
class ToolDialog;
struct ToolEntry;
class TreeBar;
class Workspace;

class MainFrame final : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    Workspace& workspace() { return *m_workspace; }
    SerialWorker& worker() { return *m_worker; }
    Notifier& notifier() { return *m_forwarder; }
    // Tests replace the message boxes with a recorder.
    void setNotifier(std::unique_ptr<Notifier> notifier);
    PagesBar& pagesBar() { return *m_pagesBar; }

    // Where the program's files are: found from the program's folder and the user's unless set.
    void setProgramFiles(const tev::link::ProgramFiles& files);
    // Everything in one folder (tests, a portable copy).
    void setProgramFolder(const QString& folder);

    // A note that stays in the status bar (the demo line, for one).
    void setStatusNote(const QString& text);
    // Puts the docking bars and the toolbar where they were when the window was last closed (kept in
    // the user's ~/.config/tev/TEV_IO.conf); a missing or unusable layout keeps the default one.
    bool restoreLayout();

    // The search dialog, wired to the bars, not yet shown; the caller owns it.
    std::unique_ptr<SearchDialog> createSearchDialog();
    // Wires a tool dialog: its requests to stop the pages and its messages reach the bars.
    void connectTool(ToolDialog* tool);
    // Opens a tool of the menu modally, wired.
    void openTool(const ToolEntry& entry);

  public slots:
    void openSearchDialog();
    void openAboutBox();
    // "串口映射": which device each COM port means.
    void openPortMapDialog();
    // A line for the message bar.
    void postMessage(const QString& text);

  protected:
    void showEvent(QShowEvent* event) override;
    // Keeps the layout of the bars for the next start.
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildStatusBar();
    void buildDocks();
    void connectBars();
    void placeCentred();
    void onSearchStarted();
    void onConverterFound(const tev::link::Converter& converter);

    std::unique_ptr<Workspace> m_workspace; // pages use it until they are deleted in ~MainFrame
    ConverterTreeModel* m_tree = nullptr;
    std::unique_ptr<Notifier> m_notifier;
    std::unique_ptr<Notifier> m_forwarder; // handed to windows: always reaches m_notifier
    SerialWorker* m_worker = nullptr;      // the search's probes
    PortHub* m_ports = nullptr;            // the ports pages and tools borrow

    TreeBar* m_treeBar = nullptr;
    PagesBar* m_pagesBar = nullptr;
    MessageBar* m_messageBar = nullptr;
    QLabel* m_statusNote = nullptr;
    QToolBar* m_toolbar = nullptr;
    bool m_placed = false;
};
