// The main window: menu, toolbar, status bar, the three docking bars, the shared state and the relay
// of notifications between dialogs, pages and bars. Relays reach the bars queued, so a bar handles a
// notification after its sender has returned.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "module_model.hpp"
#include "shared_state.hpp"

class MessageBar;
class Notifier;
class PagesBar;
class QAction;
class QDockWidget;
class QLabel;
class SearchDialog;
class SerialWorker;
class TreeBar;

class MainFrame final : public QMainWindow {
    Q_OBJECT
  public:
    // Commands whose dialogs other parts of the program register.
    enum class Command { Terminal, Graph, MeterAddress };

    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    SharedState& shared() { return m_shared; }
    Notifier& notifier() { return *m_notifier; }
    void setNotifier(std::unique_ptr<Notifier> notifier);
    SerialWorker& worker() { return *m_worker; }
    MOD_server& model() { return *m_server; }
    MOD_group& group() { return *m_group; }

    TreeBar* treeBar() const { return m_treeBar; }
    PagesBar* pagesBar() const { return m_pagesBar; }
    MessageBar* messageBar() const { return m_messageBar; }
    QDockWidget* treeDock() const { return m_treeDock; }
    QDockWidget* pagesDock() const { return m_pagesDock; }
    QDockWidget* messageDock() const { return m_messageDock; }
    QAction* searchAction() const { return m_searchAction; }

    // The folder that holds tev_module.ini and type.txt: the program's own folder unless set.
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    QString programFolder() const { return m_programFolder; }
    QString settingsPath() const;

    // Makes a command reachable from the "工具" menu.
    void setCommand(Command command, std::function<void()> open);
    // A note that stays in the status bar (the demo line, for one).
    void setStatusNote(const QString& text);
    // Puts the docking bars and the toolbar where they were when the window was last closed (kept in
    // the user's QSettings of VORNIX/TEV_IO); a missing or unusable layout keeps the default one.
    bool restoreLayout();

    // The search dialog, not yet shown; the caller owns it.
    std::unique_ptr<SearchDialog> createSearchDialog();

    // What dialogs and pages tell the frame.
    void converterFound(const tev::ConverterEntry& entry); // copies the entry into a new item at once
    void nodeSelected(int code, MOD_item* item);
    void searchStarted();
    void postMessage(const QString& text);
    void stopPages();
    void converterChanged();

  public slots:
    void openSearchDialog();
    void openAboutBox();

  signals:
    void converterItemAdded(MOD_item* item);
    void pagesBuildRequested(int code, MOD_item* item);
    void converterNodesRemoveRequested();
    void messageRelayed(const QString& text);
    void pagesStopRequested();
    void converterRelabelRequested();

  protected:
    void showEvent(QShowEvent* event) override;
    // Keeps the layout of the bars for the next start.
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildStatusBar();
    void buildDocks();
    void connectRelays();
    void placeCentred();

    SharedState m_shared{};
    std::unique_ptr<MOD_server> m_server = std::make_unique<MOD_server>();
    MOD_group* m_group = nullptr;
    std::unique_ptr<Notifier> m_notifier;
    SerialWorker* m_worker = nullptr;
    QString m_programFolder;

    TreeBar* m_treeBar = nullptr;
    PagesBar* m_pagesBar = nullptr;
    MessageBar* m_messageBar = nullptr;
    QDockWidget* m_treeDock = nullptr;
    QDockWidget* m_pagesDock = nullptr;
    QDockWidget* m_messageDock = nullptr;
    QAction* m_searchAction = nullptr;
    QAction* m_commandActions[3] = {};
    QLabel* m_statusNote = nullptr;
    bool m_placed = false;
};
