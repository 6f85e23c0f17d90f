// The pages bar "模块信息": the data page "模块显示" and the settings page "模块设置" of the selected
// converter, in a tab window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "tev/link/converter_entry.hpp"

class MOD_item;
class QTabWidget;
struct SharedState;
class PagesBar;

// A page of one converter. start() is called once the page is in its tab (the pages bar as argument):
// the page reads the current converter from the shared state and the stopped mark from the bar.
class ConverterPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual void start(PagesBar* bar) = 0;
};

class PagesBar final : public QWidget {
    Q_OBJECT
  public:
    enum class PageKind { Data, Settings };
    using PageFactory = std::function<ConverterPage*(PageKind, QWidget* parent)>;

    PagesBar(SharedState& shared, QWidget* parent = nullptr);

    // Makes the pages of later builds; until one is set, pages only show the converter's record.
    void setPageFactory(PageFactory factory) { m_factory = std::move(factory); }

    QTabWidget* tabs() const { return m_tabs; }
    bool stopped() const { return m_stopped; }
    MOD_item* currentItem() const { return m_item; }
    ConverterPage* dataPage() const { return m_dataPage; }
    ConverterPage* settingsPage() const { return m_settingsPage; }
    SharedState& shared() const { return m_shared; }

  public slots:
    // Builds the pages of a converter (999, its item).
    void buildPages(int code, MOD_item* item);
    // Hides the pages, marks them stopped and sets the shared pages-running value to 0.
    void stopPages();

  signals:
    void titleChanged(const QString& title);

  private:
    void hideAll();
    void showEmptyPage();

    SharedState& m_shared;
    QTabWidget* m_tabs = nullptr;
    QPointer<ConverterPage> m_dataPage;
    QPointer<ConverterPage> m_settingsPage;
    QPointer<QWidget> m_emptyData;
    QPointer<QWidget> m_emptySettings;
    MOD_item* m_item = nullptr;
    tev::ConverterEntry m_entry{};
    bool m_stopped = false;
    PageFactory m_factory;
};
