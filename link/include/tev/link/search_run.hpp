// The search dialog's run state without widgets: which run's reports still count (a stopped run, or
// one replaced by a new start, reports to nobody), whether the found list shows parities, and the
// open failure said once.
#pragma once

#include "tev/link/open_failure_notice.hpp"

namespace tev::link {

class SearchRun {
  public:
    // A run starts; the reports of every earlier run stop counting. Returns its number.
    int begin(bool listParities) {
        m_started = true;
        m_listParities = listParities;
        m_openFailure.reset();
        return ++m_run;
    }
    // The current run ends (stop, end of its plan, the dialog closes): its late reports count no more.
    void end() { ++m_run; }
    // A report of run `run` counts.
    bool current(int run) const noexcept { return run == m_run; }
    int number() const noexcept { return m_run; }
    // A search was started since the dialog opened.
    bool started() const noexcept { return m_started; }
    // The found list shows each converter's parity ("所有校验").
    bool listsParities() const noexcept { return m_listParities; }
    OpenFailureNotice& openFailure() { return m_openFailure; }

  private:
    int m_run = 0;
    bool m_started = false;
    bool m_listParities = false;
    OpenFailureNotice m_openFailure;
};

} // namespace tev::link
