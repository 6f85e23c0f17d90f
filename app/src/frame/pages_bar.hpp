// The pages bar "模块信息": the pages of the selected converter (the page table: "模块显示", "模块设置",
// "全部表数据") in a tab window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "pages/converter_page.hpp"
#include "pages/page_table.hpp"
#include "tev/link/converter.hpp"

class QTabWidget;

class PagesBar final : public QWidget {
    Q_OBJECT
  public:
    PagesBar(const PageContext& context, QWidget* parent = nullptr);

    // Pages were stopped (a search started or a tool took the line) and not built again since.
    bool stopped() const { return m_stopped; }

  public slots:
    // Builds the pages of a converter: only after a converter was found in the current search, and
    // only for a converter that has pages; the converter becomes the current one either way.
    void buildPages(const tev::link::Converter& converter);
    // Hides and stops the pages and marks them stopped.
    void stopPages();

  signals:
    void titleChanged(const QString& title);
    // Relayed from the pages.
    void message(const QString& text);
    void converterChanged(const tev::link::Converter& converter);

  private:
    void hideAll();
    void showEmptyPage();
    ConverterPage* makePage(const PageEntry& entry);
    void deletePages();

    PageContext m_context;
    QTabWidget* m_tabs = nullptr;
    std::vector<QPointer<ConverterPage>> m_pages; // in the order of the page table
    QPointer<QWidget> m_emptyData;
    QPointer<QWidget> m_emptySettings;
    bool m_stopped = false;
};
