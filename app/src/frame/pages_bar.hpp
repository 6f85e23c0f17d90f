// The pages bar "模块信息": the data page "模块显示", the settings page "模块设置" and the overview of
// all meters "全部表数据" of the selected converter, in a tab window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "pages/converter_page.hpp"
#include "tev/link/converter.hpp"

class QTabWidget;

class PagesBar final : public QWidget {
    Q_OBJECT
  public:
    enum class PageKind { Data, Settings, Overview };
    using PageFactory = std::function<ConverterPage*(PageKind, QWidget* parent)>;

    PagesBar(const PageContext& context, QWidget* parent = nullptr);

    // Makes the pages; until one is set, pages only show the converter's record.
    void setPageFactory(PageFactory factory) { m_factory = std::move(factory); }

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
    ConverterPage* makePage(PageKind kind);

    PageContext m_context;
    QTabWidget* m_tabs = nullptr;
    QPointer<ConverterPage> m_dataPage;
    QPointer<ConverterPage> m_settingsPage;
    QPointer<ConverterPage> m_overviewPage;
    QPointer<QWidget> m_emptyData;
    QPointer<QWidget> m_emptySettings;
    bool m_stopped = false;
    PageFactory m_factory;
};
