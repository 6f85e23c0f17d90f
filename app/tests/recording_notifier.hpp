// Keeps the texts of message boxes instead of showing them.
#pragma once

#include <QStringList>
#include <memory>
#include <vector>

#include "core/notifier.hpp"

class RecordingNotifier final : public Notifier {
  public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
    };
    void notify(QWidget*, const QString& caption, const QString& text, Icon icon) override {
        m_shown->push_back({caption, text, icon});
    }
    // Questions are recorded like boxes (icon Warning) and answered with m_answer.
    bool confirm(QWidget*, const QString& caption, const QString& text) override {
        m_shown->push_back({caption, text, Icon::Warning});
        return *m_answer;
    }
    // Shared, so the test keeps reading after the frame took ownership.
    std::shared_ptr<std::vector<Shown>> m_shown = std::make_shared<std::vector<Shown>>();
    std::shared_ptr<bool> m_answer = std::make_shared<bool>(false);
};
