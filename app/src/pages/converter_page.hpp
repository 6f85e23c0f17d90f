// What every page of a converter implements. The pages bar builds the pages of the selected converter,
// puts them in its tabs and starts them once that call has returned; it stops them when a search
// starts or a tool takes the line. A page talks on the line only through a lease of its port.
#pragma once

#include <QString>
#include <QWidget>

#include "core/page_context.hpp"
#include "tev/link/converter.hpp"

class ConverterPage : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;

    // The page of this converter starts its work (timers, the first read).
    virtual void start(const tev::link::Converter& converter, const PageContext& context) = 0;
    // The page stops: no further exchange starts, pending ones are cancelled. It may be started again.
    virtual void stop() = 0;

  signals:
    // A line for the message bar.
    void message(const QString& text);
    // The converter's address or rate changed on the device: the tree and later pages follow.
    void converterChanged(const tev::link::Converter& converter);
};
