#include "page_factory.hpp"

ConverterPage* MakeConverterPage(PagesBar::PageKind kind, QWidget* parent) {
    switch (kind) {
    case PagesBar::PageKind::Data:
        return nullptr;
    case PagesBar::PageKind::Settings:
        return nullptr;
    }
    (void)parent;
    return nullptr;
}
