#include "pages_bar.hpp"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "module_model.hpp"
#include "shared_state.hpp"
#include "tev/link/converter_search.hpp"

namespace {

const QString kDataTab = QStringLiteral("模块显示");
const QString kSettingsTab = QStringLiteral("模块设置");

// Shows the converter's record until the real pages are plugged in.
class RecordPage final : public ConverterPage {
  public:
    explicit RecordPage(QWidget* parent) : ConverterPage(parent), m_label(new QLabel(this)) {
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_label);
    }
    void start(PagesBar* bar) override {
        const tev::ConverterEntry& e = bar->shared().currentConverter;
        m_label->setText(QString::fromStdString(tev::link::TreeLabel(e)) + QStringLiteral("\n") +
                         QString::fromStdString(e[tev::kFieldConfiguration]));
    }

  private:
    QLabel* m_label;
};

} // namespace

PagesBar::PagesBar(SharedState& shared, QWidget* parent) : QWidget(parent), m_shared(shared) {
    m_tabs = new QTabWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    m_factory = [](PageKind, QWidget* owner) { return new RecordPage(owner); };
}

void PagesBar::hideAll() {
    for (QWidget* page : {static_cast<QWidget*>(m_dataPage), static_cast<QWidget*>(m_settingsPage),
                          static_cast<QWidget*>(m_emptyData), static_cast<QWidget*>(m_emptySettings)})
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

void PagesBar::buildPages(int, MOD_item* item) {
    m_tabs->clear();
    hideAll();
    if (m_shared.foundFlag == 0 || !item) {
        showEmptyPage();
        m_tabs->setCurrentIndex(0);
        emit titleChanged(QStringLiteral("模块信息"));
        return;
    }
    m_item = item;
    m_entry = item->entry;
    m_shared.currentConverter = m_entry;
    if (m_entry[tev::kFieldName].find("ZEDU") != std::string::npos) {
        delete m_dataPage;
        delete m_settingsPage;
        m_dataPage = m_factory(PageKind::Data, m_tabs);
        m_settingsPage = m_factory(PageKind::Settings, m_tabs);
        m_tabs->addTab(m_dataPage, kDataTab);
        m_tabs->addTab(m_settingsPage, kSettingsTab);
        // The pages start after this call returns, as they would on a posted message.
        for (QPointer<ConverterPage> page : {m_dataPage, m_settingsPage})
            QMetaObject::invokeMethod(
                this,
                [this, page] {
                    if (page)
                        page->start(this);
                },
                Qt::QueuedConnection);
        m_stopped = false;
        m_shared.pagesRunning = 2;
    }
    m_tabs->setCurrentIndex(0);
    emit titleChanged(QStringLiteral("模块信息"));
}

void PagesBar::stopPages() {
    hideAll();
    m_shared.pagesRunning = 0;
    m_stopped = true;
}
