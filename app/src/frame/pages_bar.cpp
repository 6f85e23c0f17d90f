#include "pages_bar.hpp"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/workspace.hpp"

namespace {

const QString kDataTab = QStringLiteral("模块显示");
const QString kSettingsTab = QStringLiteral("模块设置");
const QString kOverviewTab = QStringLiteral("全部表数据");

// Shows the converter's record where no page of that kind is plugged in.
class RecordPage final : public ConverterPage {
  public:
    explicit RecordPage(QWidget* parent) : ConverterPage(parent), m_label(new QLabel(this)) {
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_label);
    }
    void start(const tev::link::Converter& c, const PageContext&) override {
        m_label->setText(QString::fromStdString(tev::link::TreeLabel(c)) + QStringLiteral("\n") +
                         QString::fromStdString(c.configText));
    }
    void stop() override {}

  private:
    QLabel* m_label;
};

} // namespace

PagesBar::PagesBar(const PageContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pageTabs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    m_factory = [](PageKind, QWidget* owner) { return new RecordPage(owner); };
}

void PagesBar::hideAll() {
    for (QWidget* page : {static_cast<QWidget*>(m_dataPage), static_cast<QWidget*>(m_settingsPage),
                          static_cast<QWidget*>(m_overviewPage), static_cast<QWidget*>(m_emptyData),
                          static_cast<QWidget*>(m_emptySettings)})
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

ConverterPage* PagesBar::makePage(PageKind kind) {
    ConverterPage* page = m_factory(kind, m_tabs);
    if (!page)
        page = new RecordPage(m_tabs);
    page->setObjectName(kind == PageKind::Data       ? QStringLiteral("dataPage")
                        : kind == PageKind::Settings ? QStringLiteral("settingsPage")
                                                     : QStringLiteral("overviewPage"));
    connect(page, &ConverterPage::message, this, &PagesBar::message);
    connect(page, &ConverterPage::converterChanged, this, &PagesBar::converterChanged);
    return page;
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
        for (QPointer<ConverterPage> page : {m_dataPage, m_settingsPage, m_overviewPage})
            if (page) {
                page->stop();
                delete page;
            }
        m_dataPage = makePage(PageKind::Data);
        m_settingsPage = makePage(PageKind::Settings);
        m_overviewPage = makePage(PageKind::Overview);
        m_tabs->addTab(m_dataPage, kDataTab);
        m_tabs->addTab(m_settingsPage, kSettingsTab);
        m_tabs->addTab(m_overviewPage, kOverviewTab);
        // The pages start after this call returns.
        for (QPointer<ConverterPage> page : {m_dataPage, m_settingsPage, m_overviewPage})
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
    for (QPointer<ConverterPage> page : {m_dataPage, m_settingsPage, m_overviewPage})
        if (page)
            page->stop();
    m_context.workspace.setPagesRunning(false);
    m_stopped = true;
}
