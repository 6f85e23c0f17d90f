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

#include "about_dialog.hpp"
#include "message_bar.hpp"
#include "notifier.hpp"
#include "pages_bar.hpp"
#include "search_dialog.hpp"
#include "serial_worker.hpp"
#include "tree_bar.hpp"

namespace {

// The layout of the bars is kept under the frame's display style name.
const QString kLayoutKey = QStringLiteral("Gui_DevStudio/layout");
constexpr int kLayoutVersion = 1;

QSettings LayoutStore() {
    return QSettings(QStringLiteral("VORNIX"), QStringLiteral("TEV_IO"));
}

} // namespace

MainFrame::MainFrame(QWidget* parent)
    : QMainWindow(parent), m_notifier(std::make_unique<BoxNotifier>()), m_worker(new SerialWorker(this)),
      m_programFolder(QCoreApplication::applicationDirPath()) {
    setWindowTitle(QStringLiteral("VORNIX工具软件"));
    setObjectName(QStringLiteral("MainFrame"));
    m_group = m_server->addGroup();
    buildMenus();
    buildStatusBar();
    buildDocks();
    connectRelays();
    // The tree gets its root, and the message bar its first line, once the event loop runs.
    QMetaObject::invokeMethod(
        m_treeBar, [this] { m_treeBar->setModel(m_server.get()); }, Qt::QueuedConnection);
    postMessage(QStringLiteral("222222222"));
    placeCentred();
}

MainFrame::~MainFrame() = default;

void MainFrame::setNotifier(std::unique_ptr<Notifier> notifier) {
    m_notifier = std::move(notifier);
}

QString MainFrame::settingsPath() const {
    return m_programFolder + QLatin1Char('/') + QString::fromUtf8(tev::link::kSettingsFileName.data());
}

void MainFrame::buildMenus() {
    QMenu* query = menuBar()->addMenu(QStringLiteral("查询(&Q)"));
    m_searchAction = query->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                      QStringLiteral("查询转换模块(&M)"), this, &MainFrame::openSearchDialog);
    QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    QAction* statusAction = view->addAction(QStringLiteral("状态栏(&S)"));
    statusAction->setCheckable(true);
    statusAction->setChecked(true);
    connect(statusAction, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    // The terminal, the graph display and the meter address setting open from here once registered.
    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    const QString names[] = {QStringLiteral("单步命令行"), QStringLiteral("图形显示"),
                             QStringLiteral("热表地址设定")};
    for (int i = 0; i < 3; ++i) {
        m_commandActions[i] = tools->addAction(names[i]);
        m_commandActions[i]->setEnabled(false);
    }

    QAction* about =
        new QAction(style()->standardIcon(QStyle::SP_MessageBoxQuestion), QStringLiteral("关于"), this);
    connect(about, &QAction::triggered, this, &MainFrame::openAboutBox);
    QToolBar* toolbar = addToolBar(QStringLiteral("工具栏"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->addAction(m_searchAction);
    toolbar->addAction(about);
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
    m_treeBar = new TreeBar(this);
    m_pagesBar = new PagesBar(m_shared, this);
    m_messageBar = new MessageBar(this);
    m_treeDock = makeDock(QStringLiteral("搜索转换模块"), m_treeBar, Qt::LeftDockWidgetArea);
    m_pagesDock = makeDock(QStringLiteral("模块信息"), m_pagesBar, Qt::LeftDockWidgetArea);
    m_messageDock = makeDock(QStringLiteral("系统提示"), m_messageBar, Qt::BottomDockWidgetArea);
    // The left bars share the width; the message bar runs beneath them.
    setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
    resizeDocks({m_treeDock, m_pagesDock}, {300, 300}, Qt::Horizontal);
    resizeDocks({m_messageDock}, {150}, Qt::Vertical);
    auto* centre = new QWidget(this);
    centre->setMaximumWidth(0);
    setCentralWidget(centre);
}

void MainFrame::connectRelays() {
    connect(this, &MainFrame::converterItemAdded, m_treeBar, &TreeBar::addConverter, Qt::QueuedConnection);
    connect(this, &MainFrame::converterNodesRemoveRequested, m_treeBar, &TreeBar::removeConverters,
            Qt::QueuedConnection);
    connect(this, &MainFrame::converterRelabelRequested, m_treeBar, &TreeBar::relabelSelected,
            Qt::QueuedConnection);
    connect(this, &MainFrame::pagesBuildRequested, m_pagesBar, &PagesBar::buildPages, Qt::QueuedConnection);
    connect(this, &MainFrame::pagesStopRequested, m_pagesBar, &PagesBar::stopPages, Qt::QueuedConnection);
    connect(this, &MainFrame::messageRelayed, m_messageBar, &MessageBar::appendMessage, Qt::QueuedConnection);
    connect(m_treeBar, &TreeBar::converterSelected, this, &MainFrame::nodeSelected);
    connect(m_pagesBar, &PagesBar::titleChanged, m_pagesDock, &QDockWidget::setWindowTitle);
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
    LayoutStore().setValue(kLayoutKey, saveState(kLayoutVersion));
    QMainWindow::closeEvent(event);
}

bool MainFrame::restoreLayout() {
    return restoreState(LayoutStore().value(kLayoutKey).toByteArray(), kLayoutVersion);
}

void MainFrame::setCommand(Command command, std::function<void()> open) {
    QAction* action = m_commandActions[static_cast<int>(command)];
    disconnect(action, &QAction::triggered, nullptr, nullptr);
    connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
    action->setEnabled(true);
}

void MainFrame::setStatusNote(const QString& text) {
    if (!m_statusNote) {
        m_statusNote = new QLabel(this);
        m_statusNote->setObjectName(QStringLiteral("statusNote"));
        statusBar()->insertPermanentWidget(0, m_statusNote);
    }
    m_statusNote->setText(text);
}

std::unique_ptr<SearchDialog> MainFrame::createSearchDialog() {
    return std::make_unique<SearchDialog>(*this, settingsPath(), this);
}

void MainFrame::openSearchDialog() {
    createSearchDialog()->exec();
}

void MainFrame::openAboutBox() {
    AboutDialog about(this);
    about.exec();
}

void MainFrame::converterFound(const tev::ConverterEntry& entry) {
    MOD_item* item = m_group->addItem();
    item->entry = entry;
    emit converterItemAdded(item);
}

void MainFrame::nodeSelected(int code, MOD_item* item) {
    emit pagesBuildRequested(code, item);
}
void MainFrame::searchStarted() {
    emit converterNodesRemoveRequested();
}

void MainFrame::postMessage(const QString& text) {
    m_shared.messageText = text;
    emit messageRelayed(text);
}

void MainFrame::stopPages() {
    emit pagesStopRequested();
}
void MainFrame::converterChanged() {
    emit converterRelabelRequested();
}
