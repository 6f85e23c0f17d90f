#include "pages_bar.hpp"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/workspace.hpp"

namespace {

const QString kDataTab = QStringLiteral("模块显示");
const QString kSettingsTab = QStringLiteral("模块设置");

} // namespace

PagesBar::PagesBar(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pageTabs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

void PagesBar::hideAll() {
    for (const QPointer<ConverterPage>& page : m_pages)
        if (page)
            page->hide();
    for (QWidget* page : {static_cast<QWidget*>(m_emptyData), static_cast<QWidget*>(m_emptySettings)})
        if (page)
            page->hide();
}

void PagesBar::showEmptyPage() {
    if (!m_emptyData)
        m_emptyData = new QWidget(m_tabs);
    if (!m_emptySettings)
        m_emptySettings = new QWidget(m_tabs);
    m_tabs->addTab(m_emptyData, kDataTab);
    m_tabs->addTab(m_emptySettings, kSettingsTab);
}

ConverterPage* PagesBar::makePage(const PageEntry& entry) {
    ConverterPage* page = entry.make(m_tabs);
    page->setObjectName(entry.objectName);
    connect(page, &ConverterPage::message, this, &PagesBar::message);
    connect(page, &ConverterPage::converterChanged, this, &PagesBar::converterChanged);
    return page;
}

void PagesBar::deletePages() {
    for (const QPointer<ConverterPage>& page : m_pages)
        if (page) {
            page->stop();
            delete page;
        }
    m_pages.clear();
}

void PagesBar::buildPages(const tev::link::Converter& converter) {
    m_tabs->clear();
    hideAll();
    Workspace& workspace = m_context.workspace;
    if (!workspace.found()) {
        showEmptyPage();
        m_tabs->setCurrentIndex(0);
        emit titleChanged(QStringLiteral("模块信息"));
        return;
    }
    workspace.setCurrentConverter(converter);
    if (tev::link::HasConverterPages(converter)) {
        deletePages();
        for (const PageEntry& entry : PageTable()) {
            m_pages.push_back(makePage(entry));
            m_tabs->addTab(m_pages.back(), entry.title);
        }
        // The pages start after this call returns.
        for (const QPointer<ConverterPage>& page : m_pages)
            QMetaObject::invokeMethod(
                this,
                [this, page, converter] {
                    if (page && !m_stopped)
                        page->start(converter, m_context);
                },
                Qt::QueuedConnection);
        m_stopped = false;
        workspace.setPagesRunning(true);
    }
    m_tabs->setCurrentIndex(0);
    emit titleChanged(QStringLiteral("模块信息"));
}

void PagesBar::stopPages() {
    hideAll();
    for (const QPointer<ConverterPage>& page : m_pages)
        if (page)
            page->stop();
    m_context.workspace.setPagesRunning(false);
    m_stopped = true;
}
