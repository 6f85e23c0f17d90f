#include "page_factory.hpp"

#include "data_page.hpp"
#include "overview_page.hpp"
#include "settings_page.hpp"

ConverterPage* MakeConverterPage(PagesBar::PageKind kind, QWidget* parent) {
    switch (kind) {
    case PagesBar::PageKind::Data:
        return new DataPage(parent);
    case PagesBar::PageKind::Settings:
        return new SettingsPage(parent);
    case PagesBar::PageKind::Overview:
        return new OverviewPage(parent);
    }
    (void)parent;
    return nullptr;
}
