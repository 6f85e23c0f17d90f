#include "page_factory.hpp"

#include "data_page.hpp"
#include "settings_page.hpp"

ConverterPage* MakeConverterPage(PagesBar::PageKind kind, QWidget* parent) {
    switch (kind) {
    case PagesBar::PageKind::Data:
        return new DataPage(parent);
    case PagesBar::PageKind::Settings:
        return new SettingsPage(parent);
    }
    (void)parent;
    return nullptr;
}
