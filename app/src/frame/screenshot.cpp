#include "screenshot.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QTreeView>

#include "converter_tree_model.hpp"
#include "main_frame.hpp"
#include "search/search_dialog.hpp"

namespace {

// Lets queued notifications and repaints run for a while.
void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

bool SaveSearchScreenshot(MainFrame& frame, const std::vector<std::size_t>& rateBoxes, const QString& file) {
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
    auto* tree = frame.findChild<QTreeView*>(QStringLiteral("moduleTree"));
    auto* model = frame.findChild<ConverterTreeModel*>();
    if (tree && model && model->converterCount() > 0)
        tree->setCurrentIndex(model->index(model->converterCount() - 1, 0, model->rootIndex()));
    Settle(2500); // the data page's first poll (1300 ms after it starts) is in
    return frame.grab().save(file, "PNG");
}
