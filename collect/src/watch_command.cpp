// "tev watch --config FILE": runs the collector until SIGTERM or SIGINT; SIGHUP reads the
// configuration again and, when it is sound, restarts the collector with it (a bad one is told on
// standard error and the running configuration stays). Signals are taken through a signalfd: they
// are blocked before any thread starts, so no work happens in a signal handler.
#include "tev/collect/watch_command.hpp"

#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/signalfd.h>
#include <unistd.h>

#include "tev/cli/exit_code.hpp"
#include "tev/collect/collector.hpp"

namespace tev::collect {
namespace {

using cli::ExitCode;

constexpr std::string_view kUsage =
    "usage: tev watch --config FILE\n"
    "Refreshes every meter of the converters of the configured lines (TOML: [[line]] with\n"
    "[[line.converter]], optional [csv], [json], [mqtt]) and writes the readings to the outputs.\n"
    "SIGHUP reads the configuration again, SIGTERM ends after delivering what is held.\n";

// The signals of the collector, blocked for this thread and every thread it starts, and read from
// a signalfd; the old mask comes back at the end.
class SignalInbox {
  public:
    SignalInbox() {
        sigemptyset(&m_set);
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&m_set, signal);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_old);
        m_fd = signalfd(-1, &m_set, SFD_CLOEXEC);
    }
    ~SignalInbox() {
        if (m_fd >= 0)
            ::close(m_fd);
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SignalInbox(const SignalInbox&) = delete;
    SignalInbox& operator=(const SignalInbox&) = delete;
    bool ok() const noexcept { return m_fd >= 0; }
    // The next signal; 0 when the read fails.
    int next() const {
        signalfd_siginfo info{};
        while (true) {
            const ssize_t n = ::read(m_fd, &info, sizeof info);
            if (n == static_cast<ssize_t>(sizeof info))
                return static_cast<int>(info.ssi_signo);
            if (n < 0 && errno == EINTR)
                continue;
            return 0;
        }
    }

  private:
    sigset_t m_set{};
    sigset_t m_old{};
    int m_fd = -1;
};

std::unique_ptr<Collector> Start(const WatchConfig& config, std::ostream& out, Notices& notices) {
    auto collector = std::make_unique<Collector>(config, out, notices);
    std::string problem;
    if (collector->start(problem))
        return collector;
    notices.say(problem);
    collector->stop();
    return nullptr;
}

// SIGHUP: the new configuration when it is sound and starts, else the old one again.
std::unique_ptr<Collector> Reload(const std::filesystem::path& file, WatchConfig& running,
                                  std::unique_ptr<Collector> collector, std::ostream& out, Notices& notices) {
    ConfigResult reread = LoadWatchConfig(file);
    if (!reread.config) {
        notices.say("configuration not reloaded, the running one stays: " + reread.error);
        return collector;
    }
    collector->stop();
    collector.reset();
    if (auto fresh = Start(*reread.config, out, notices)) {
        running = std::move(*reread.config);
        notices.say("configuration reloaded from " + file.string());
        return fresh;
    }
    notices.say("the new configuration did not start, the running one starts again");
    return Start(running, out, notices);
}

int Watch(const std::filesystem::path& file, WatchConfig config, std::ostream& out, Notices& notices) {
    const SignalInbox signals;
    if (!signals.ok()) {
        notices.say("no signalfd");
        return cli::ToInt(ExitCode::Failed);
    }
    auto collector = Start(config, out, notices);
    while (collector) {
        const int signal = signals.next();
        if (signal == SIGHUP) {
            collector = Reload(file, config, std::move(collector), out, notices);
            continue;
        }
        collector->stop();
        return cli::ToInt(signal == 0 ? ExitCode::Failed : ExitCode::Ok);
    }
    return cli::ToInt(ExitCode::Port);
}

} // namespace

int RunWatch(cli::CommandArgs args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return cli::ToInt(ExitCode::Ok);
    }
    if (args.size() != 2 || args[0] != "--config") {
        err << kUsage;
        return cli::ToInt(ExitCode::Usage);
    }
    const std::filesystem::path file = args[1];
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) {
        err << "tev watch: " << file.string() << ": no such file\n";
        return cli::ToInt(ExitCode::File);
    }
    ConfigResult loaded = LoadWatchConfig(file);
    if (!loaded.config) {
        err << "tev watch: " << loaded.error << '\n';
        return cli::ToInt(ExitCode::Usage);
    }
    Notices notices(err);
    return Watch(file, std::move(*loaded.config), out, notices);
}

} // namespace tev::collect
