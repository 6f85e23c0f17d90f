#include "screenshot.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>
#include <QTreeWidget>

#include "main_frame.hpp"
#include "search_dialog.hpp"
#include "tree_bar.hpp"

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
    for (std::size_t i = 0; i < 8; ++i)
        dialog->rateBox(i)->setChecked(false);
    for (auto box : rateBoxes)
        dialog->rateBox(box)->setChecked(true);
    dialog->timeoutList()->setCurrentIndex(0);
    dialog->search().setPauseMs(5);
    dialog->show();
    QEventLoop loop;
    QObject::connect(dialog.get(), &SearchDialog::searchStopped, &loop, &QEventLoop::quit);
    dialog->startSearch();
    loop.exec();
    dialog->close();
    Settle(200);
    QTreeWidget* tree = frame.treeBar()->tree();
    if (tree->topLevelItemCount() > 0 && tree->topLevelItem(0)->childCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0)->child(tree->topLevelItem(0)->childCount() - 1));
    Settle(300);
    return frame.grab().save(file, "PNG");
}
