// Makes the pages of a converter for the pages bar.
#pragma once

#include "frame/pages_bar.hpp"

// The page of this kind, or nullptr where none is built yet (the bar then shows the record).
ConverterPage* MakeConverterPage(PagesBar::PageKind kind, QWidget* parent);
