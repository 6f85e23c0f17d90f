// Finding the main window's parts the way a user sees them: by object name.
#pragma once

#include <QDockWidget>
#include <QListWidget>
#include <QTabWidget>
#include <QTreeView>

#include "frame/converter_tree_model.hpp"
#include "frame/main_frame.hpp"

inline QDockWidget* Dock(MainFrame& frame, const QString& title) {
    return frame.findChild<QDockWidget*>(title);
}
inline QListWidget* Messages(MainFrame& frame) {
    return frame.findChild<QListWidget*>(QStringLiteral("messageList"));
}
inline QTabWidget* PageTabs(MainFrame& frame) {
    return frame.findChild<QTabWidget*>(QStringLiteral("pageTabs"));
}
inline QTreeView* Tree(MainFrame& frame) {
    return frame.findChild<QTreeView*>(QStringLiteral("moduleTree"));
}
inline ConverterTreeModel& TreeModel(MainFrame& frame) {
    return *frame.findChild<ConverterTreeModel*>();
}
// The index of converter node `row` under the host.
inline QModelIndex ConverterNode(MainFrame& frame, int row) {
    ConverterTreeModel& model = TreeModel(frame);
    return model.index(row, 0, model.rootIndex());
}
inline QString LastMessage(MainFrame& frame) {
    const QListWidget* list = Messages(frame);
    return list->count() > 0 ? list->item(list->count() - 1)->text() : QString();
}
