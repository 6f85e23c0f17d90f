#include "main_frame.hpp"

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <cstdlib>
#include <filesystem>

#include "about_dialog.hpp"
#include "app_icon.hpp"
#include "converter_tree_model.hpp"
#include "core/notifier.hpp"
#include "core/port_hub.hpp"
#include "core/serial_worker.hpp"
#include "core/workspace.hpp"
#include "message_bar.hpp"
#include "pages_bar.hpp"
#include "port_map_dialog.hpp"
#include "search/search_dialog.hpp"
#include "tev/link/port_mapping.hpp"
#include "tev/link/settings_file.hpp"
#include "tools/tool_dialog.hpp"
#include "tools/tool_table.hpp"
#include "tree_bar.hpp"
#include "user_settings.hpp"

namespace {

// The layout of the bars is kept under the frame's display style name.
const QString kLayoutKey = QStringLiteral("Gui_DevStudio/layout");
const QString kGeometryKey = QStringLiteral("Gui_DevStudio/geometry");
constexpr int kLayoutVersion = 1;

QSettings LayoutStore() {
    return UserSettingsStore();
}

// Forwards message boxes to whichever notifier the frame holds now.
class FrameNotifier final : public Notifier {
  public:
    explicit FrameNotifier(std::unique_ptr<Notifier>& target) : m_target(target) {}
    void notify(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
        m_target->notify(parent, caption, text, icon);
    }
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override {
        return m_target->confirm(parent, caption, text);
    }

  private:
    std::unique_ptr<Notifier>& m_target;
};

} // namespace

MainFrame::MainFrame(QWidget* parent)
    : QMainWindow(parent), m_workspace(std::make_unique<Workspace>()), m_tree(new ConverterTreeModel(this)),
      m_notifier(std::make_unique<BoxNotifier>()), m_forwarder(std::make_unique<FrameNotifier>(m_notifier)),
      m_worker(new SerialWorker(this)), m_ports(new PortHub(this)) {
    setWindowTitle(QStringLiteral("VORNIX工具软件"));
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(AppIcon());
    m_workspace->setFiles(tev::link::LocateProgramFiles(QCoreApplication::applicationDirPath().toStdString(),
                                                        tev::link::UserEnvironment::fromProcess()));
    // The user's data folder may not exist yet: the CSV log and the file dialogs start there.
    std::error_code ec;
    std::filesystem::create_directories(m_workspace->files().output, ec);
    buildMenus();
    buildStatusBar();
    buildDocks();
    connectBars();
    postMessage(QStringLiteral("222222222"));
    placeCentred();
}

MainFrame::~MainFrame() {
    // The pages stop their serial work while the serial worker still runs.
    delete m_pagesBar;
    m_pagesBar = nullptr;
}

void MainFrame::setNotifier(std::unique_ptr<Notifier> notifier) {
    m_notifier = std::move(notifier);
}

void MainFrame::setProgramFiles(const tev::link::ProgramFiles& files) {
    m_workspace->setFiles(files);
}

void MainFrame::setProgramFolder(const QString& folder) {
    m_workspace->setFiles(tev::link::FilesBeside(folder.toStdString()));
}

void MainFrame::buildMenus() {
    QMenu* query = menuBar()->addMenu(QStringLiteral("查询(&Q)"));
    QAction* search =
        query->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                         QStringLiteral("查询转换模块(&M)"), this, &MainFrame::openSearchDialog);
    search->setObjectName(QStringLiteral("searchAction"));
    QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    QAction* statusAction = view->addAction(QStringLiteral("状态栏(&S)"));
    statusAction->setCheckable(true);
    statusAction->setChecked(true);
    connect(statusAction, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    for (const ToolEntry& entry : ToolTable()) {
        QAction* action = tools->addAction(entry.menuText, this, [this, &entry] { openTool(entry); });
        action->setObjectName(entry.objectName);
    }
    tools->addSeparator();
    QAction* ports = tools->addAction(QStringLiteral("串口映射..."), this, &MainFrame::openPortMapDialog);
    ports->setObjectName(QStringLiteral("portMapAction"));

    QAction* about =
        new QAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), QStringLiteral("关于"), this);
    connect(about, &QAction::triggered, this, &MainFrame::openAboutBox);
    QToolBar* toolbar = addToolBar(QStringLiteral("工具栏"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->addAction(search);
    toolbar->addAction(about);
    m_toolbar = toolbar;
}

void MainFrame::buildStatusBar() {
    for (const QString& key : {QStringLiteral("大写"), QStringLiteral("数字"), QStringLiteral("滚动")}) {
        auto* indicator = new QLabel(key, this);
        indicator->setFrameShape(QFrame::Panel);
        indicator->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(indicator);
    }
}

void MainFrame::buildDocks() {
    const auto makeDock = [this](const QString& title, QWidget* content, Qt::DockWidgetArea area) {
        auto* dock = new QDockWidget(title, this);
        dock->setObjectName(title);
        dock->setAllowedAreas(Qt::AllDockWidgetAreas);
        dock->setWidget(content);
        addDockWidget(area, dock);
        return dock;
    };
    m_treeBar = new TreeBar(*m_tree, this);
    m_pagesBar = new PagesBar(PageContext{*m_workspace, *m_ports, *m_forwarder}, this);
    m_messageBar = new MessageBar(this);
    QDockWidget* treeDock = makeDock(QStringLiteral("搜索转换模块"), m_treeBar, Qt::LeftDockWidgetArea);
    QDockWidget* pagesDock = makeDock(QStringLiteral("模块信息"), m_pagesBar, Qt::LeftDockWidgetArea);
    QDockWidget* messageDock = makeDock(QStringLiteral("系统提示"), m_messageBar, Qt::BottomDockWidgetArea);
    // The left bars share the width; the message bar runs beneath them.
    setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
    resizeDocks({treeDock, pagesDock}, {300, 300}, Qt::Horizontal);
    resizeDocks({messageDock}, {150}, Qt::Vertical);
    connect(m_pagesBar, &PagesBar::titleChanged, pagesDock, &QDockWidget::setWindowTitle);
    // A bar closed with its × comes back from "查看".
    QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
    view->addSeparator();
    for (QDockWidget* dock : {treeDock, pagesDock, messageDock})
        view->addAction(dock->toggleViewAction());
    QAction* toolbar = m_toolbar->toggleViewAction();
    toolbar->setText(QStringLiteral("工具栏(&T)"));
    view->addAction(toolbar);
    auto* centre = new QWidget(this);
    centre->setMaximumWidth(0);
    setCentralWidget(centre);
}

void MainFrame::connectBars() {
    connect(m_treeBar, &TreeBar::converterSelected, m_pagesBar, &PagesBar::buildPages, Qt::QueuedConnection);
    connect(m_pagesBar, &PagesBar::message, this, &MainFrame::postMessage);
    connect(m_pagesBar, &PagesBar::converterChanged, this, [this](const tev::link::Converter& c) {
        m_workspace->setCurrentConverter(c);
        QMetaObject::invokeMethod(
            m_treeBar, [this, c] { m_treeBar->relabelSelected(c); }, Qt::QueuedConnection);
    });
}

void MainFrame::placeCentred() {
    resize(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The window with its frame is centred; the frame is known once the window is shown.
        QRect outer = frameGeometry();
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft());
    }
}

void MainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeCentred();
    }
}

void MainFrame::closeEvent(QCloseEvent* event) {
    QSettings store = LayoutStore();
    store.setValue(kLayoutKey, saveState(kLayoutVersion));
    store.setValue(kGeometryKey, saveGeometry());
    QMainWindow::closeEvent(event);
}

bool MainFrame::restoreLayout() {
    QSettings store = LayoutStore();
    // The first start keeps 800 x 600 centred; later ones the size and place the window had.
    if (restoreGeometry(store.value(kGeometryKey).toByteArray()))
        m_placed = true;
    return restoreState(store.value(kLayoutKey).toByteArray(), kLayoutVersion);
}

void MainFrame::openPortMapDialog() {
    const char* named = std::getenv("TEV_PORTS_FILE");
    PortMapDialog dialog(
        *m_forwarder, tev::link::UserPortsFile(tev::link::UserEnvironment::fromProcess(), named ? named : ""),
        this);
    dialog.exec();
}

void MainFrame::openTool(const ToolEntry& entry) {
    const std::unique_ptr<ToolDialog> tool =
        entry.make(ToolContext{*m_workspace, *m_ports, *m_forwarder}, this);
    connectTool(tool.get());
    tool->exec();
}

void MainFrame::setStatusNote(const QString& text) {
    if (!m_statusNote) {
        m_statusNote = new QLabel(this);
        m_statusNote->setObjectName(QStringLiteral("statusNote"));
        statusBar()->insertPermanentWidget(0, m_statusNote);
    }
    m_statusNote->setText(text);
}

void MainFrame::connectTool(ToolDialog* tool) {
    connect(tool, &ToolDialog::stopPagesRequested, m_pagesBar, &PagesBar::stopPages, Qt::QueuedConnection);
    connect(tool, &ToolDialog::message, this, &MainFrame::postMessage);
}

std::unique_ptr<SearchDialog> MainFrame::createSearchDialog() {
    auto dialog = std::make_unique<SearchDialog>(*m_worker, *m_forwarder, m_workspace->files(), this);
    SearchDialog* d = dialog.get();
    connect(d, &SearchDialog::searchStarted, this, &MainFrame::onSearchStarted);
    connect(d, &SearchDialog::converterFound, this, &MainFrame::onConverterFound);
    connect(d, &SearchDialog::message, this, &MainFrame::postMessage);
    return dialog;
}

void MainFrame::openSearchDialog() {
    createSearchDialog()->exec();
}

void MainFrame::openAboutBox() {
    AboutDialog about(this);
    about.exec();
}

void MainFrame::onSearchStarted() {
    m_workspace->setFound(false);
    QMetaObject::invokeMethod(m_pagesBar, &PagesBar::stopPages, Qt::QueuedConnection);
    QMetaObject::invokeMethod(m_treeBar, &TreeBar::removeConverters, Qt::QueuedConnection);
}

void MainFrame::onConverterFound(const tev::link::Converter& converter) {
    m_workspace->setFound(true);
    QMetaObject::invokeMethod(
        m_treeBar, [this, converter] { m_treeBar->addConverter(converter); }, Qt::QueuedConnection);
}

void MainFrame::postMessage(const QString& text) {
    QMetaObject::invokeMethod(
        m_messageBar, [this, text] { m_messageBar->appendMessage(text); }, Qt::QueuedConnection);
}
