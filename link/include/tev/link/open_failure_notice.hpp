// A port that cannot be opened is said once in the message bar while the failure lasts, not at every
// probe or batch line: again only once the port opened in between or the reason changed.
#pragma once

#include <string>

namespace tev::link {

class OpenFailureNotice {
  public:
    // The reason to show for this open outcome; empty when there is nothing new to say.
    std::string next(bool opened, const std::string& failure) {
        if (opened) {
            m_shown.clear();
            return {};
        }
        if (failure == m_shown)
            return {};
        m_shown = failure;
        return failure;
    }
    void reset() { m_shown.clear(); }

  private:
    std::string m_shown;
};

} // namespace tev::link
