#include "page_table.hpp"

#include "data_page.hpp"
#include "overview_page.hpp"
#include "settings_page.hpp"

const std::vector<PageEntry>& PageTable() {
    static const std::vector<PageEntry> pages = {
        {QStringLiteral("模块显示"), QStringLiteral("dataPage"), [](QWidget* p) { return new DataPage(p); }},
        {QStringLiteral("模块设置"), QStringLiteral("settingsPage"),
         [](QWidget* p) { return new SettingsPage(p); }},
        {QStringLiteral("全部表数据"), QStringLiteral("overviewPage"),
         [](QWidget* p) { return new OverviewPage(p); }},
    };
    return pages;
}
