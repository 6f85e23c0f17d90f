// JSON lines: one object per meter and counter and refresh ({"converter", "address", "meter" 1..64 or
// "counter" 1..8, then the reading's fields}), to standard output or appended to a file. Each refresh of a
// converter goes to the file in one write. A file moved away (log rotation) is followed by a new one; a file
// that reaches the size limit is renamed to FILE.1 (replacing an older one) and started anew.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "tev/collect/sink.hpp"

namespace tev::collect {

inline constexpr std::uint64_t kJsonFileMaxBytes = 64ull * 1024 * 1024;

// The lines of one refresh, each ending in '\n'.
std::string JsonLines(const ConverterRefresh& refresh);

class JsonSink final : public Sink {
  public:
    // file "-": `out`; else the file, appended to.
    JsonSink(std::string file, std::ostream& out, Notices& notices,
             std::uint64_t maxBytes = kJsonFileMaxBytes);
    ~JsonSink() override;
    JsonSink(const JsonSink&) = delete;
    JsonSink& operator=(const JsonSink&) = delete;
    void take(const ConverterRefresh& refresh) override;

  private:
    bool write(const std::string& bytes);
    bool reopen();
    void report(bool written);

    std::string m_file;
    std::ostream& m_out;
    Notices& m_notices;
    std::uint64_t m_maxBytes;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::string m_error;
    bool m_failing = false;
};

} // namespace tev::collect
