// What the pages that talk on their converter's line share: the context they run in, the converter,
// its port borrowed from the serial side while the page runs, the job on the line and the tick gate.
// A page says what it does on start and stop in started() and stopping(); the scaffold takes and
// returns the port around them.
#pragma once

#include <optional>

#include "core/port_hub.hpp"
#include "core/workspace.hpp"
#include "pages/converter_page.hpp"

class LinePage : public ConverterPage {
    Q_OBJECT
  public:
    using ConverterPage::ConverterPage;

    void start(const tev::link::Converter& converter, const PageContext& context) final {
        m_converter = converter;
        m_context.emplace(context);
        m_port = context.ports.lease(converter.port);
        started();
    }
    void stop() final {
        stopping();
        m_job.cancel();
        m_port.reset(); // the serial side closes it, after anything still queued, once nobody uses it
    }

  protected:
    // The page's own work at start (timers, first read) and before it stops (timers, reports).
    virtual void started() {}
    virtual void stopping() {}

    // A tick may hand a new job to the line: the page runs, pages are not stopped, the meter list is
    // not being edited (when that matters to the page) and the previous job is done.
    bool mayTalk(bool pausedByMeterList = true) const {
        if (!m_context || !m_port || m_job.active() || !m_context->workspace.pagesRunning())
            return false;
        return !(pausedByMeterList && m_context->workspace.meterListOpen());
    }

    tev::link::Converter m_converter;
    std::optional<PageContext> m_context;
    PortLease m_port;
    JobToken m_job;
};
