#include "screenshot.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QEventLoop>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "converter_tree_model.hpp"
#include "main_frame.hpp"
#include "pages/overview_page.hpp"
#include "search/search_dialog.hpp"

namespace {

// Lets queued notifications and repaints run for a while.
void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Searches the demo line at these rate boxes and waits until the search has ended.
void Search(MainFrame& frame, const std::vector<std::size_t>& rateBoxes) {
    auto dialog = frame.createSearchDialog();
    tev::link::SearchSettings settings = dialog->currentSettings();
    settings.rates = {};
    for (auto box : rateBoxes)
        settings.rates.at(box) = true;
    settings.timeoutIndex = 0;
    dialog->applySettings(settings);
    dialog->search().setPauseMs(5);
    dialog->show();
    QEventLoop loop;
    QObject::connect(dialog.get(), &SearchDialog::searchStopped, &loop, &QEventLoop::quit);
    dialog->startSearch();
    loop.exec();
    dialog->close();
    Settle(200);
}

} // namespace

bool SaveSearchScreenshot(MainFrame& frame, const std::vector<std::size_t>& rateBoxes, const QString& file) {
    Search(frame, rateBoxes);
    auto* tree = frame.findChild<QTreeView*>(QStringLiteral("moduleTree"));
    auto* model = frame.findChild<ConverterTreeModel*>();
    if (tree && model && model->converterCount() > 0)
        tree->setCurrentIndex(model->index(model->converterCount() - 1, 0, model->rootIndex()));
    Settle(2500); // the data page's first poll (1300 ms after it starts) is in
    return frame.grab().save(file, "PNG");
}

bool SaveOverviewScreenshot(MainFrame& frame, const std::vector<std::size_t>& rateBoxes,
                            const QString& file) {
    Search(frame, rateBoxes);
    auto* tree = frame.findChild<QTreeView*>(QStringLiteral("moduleTree"));
    auto* model = frame.findChild<ConverterTreeModel*>();
    if (!tree || !model || model->converterCount() == 0)
        return false;
    int most = 0;
    const auto meters = [&](int row) {
        const auto c = model->converterAt(model->index(row, 0, model->rootIndex()));
        return c ? c->config.meterCount : 0;
    };
    for (int row = 1; row < model->converterCount(); ++row)
        if (meters(row) > meters(most))
            most = row;
    tree->setCurrentIndex(model->index(most, 0, model->rootIndex()));
    Settle(500);
    auto* page = frame.findChild<OverviewPage*>();
    auto* tabs = frame.findChild<QTabWidget*>(QStringLiteral("pageTabs"));
    if (!page || !tabs)
        return false;
    tabs->setCurrentWidget(page);
    frame.resize(900, 860);
    auto* treeDock = frame.findChild<QDockWidget*>(QStringLiteral("搜索转换模块"));
    QDockWidget* pagesDock = nullptr;
    for (QDockWidget* dock : frame.findChildren<QDockWidget*>())
        if (dock->isAncestorOf(tabs))
            pagesDock = dock;
    if (treeDock && pagesDock)
        frame.resizeDocks({treeDock, pagesDock}, {110, 560}, Qt::Vertical);
    QEventLoop loop;
    QObject::connect(page, &OverviewPage::refreshed, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (auto* start = page->findChild<QPushButton*>(QStringLiteral("overviewStart")))
        start->click();
    loop.exec();
    Settle(300);
    return frame.grab().save(file, "PNG");
}
