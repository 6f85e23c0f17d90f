#include "tev/collect/json_sink.hpp"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tev/link/data_poll.hpp"
#include "tev/link/file_write.hpp"

namespace tev::collect {

std::string JsonLines(const ConverterRefresh& refresh) {
    std::string lines;
    for (const MeterReading& reading : refresh.readings) {
        cli::JsonObject object;
        object.add("converter", refresh.name).add("address", static_cast<int>(refresh.address));
        if (reading.entry < link::kDataMeterEntries)
            object.add("meter", reading.entry + 1);
        else
            object.add("counter", reading.entry - link::kDataMeterEntries + 1);
        AddReadingFields(object, reading);
        lines += object.text();
        lines += '\n';
    }
    return lines;
}

JsonSink::JsonSink(std::string file, std::ostream& out, Notices& notices, std::uint64_t maxBytes)
    : m_file(std::move(file)), m_out(out), m_notices(notices), m_maxBytes(maxBytes) {}

JsonSink::~JsonSink() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void JsonSink::take(const ConverterRefresh& refresh) {
    const std::string lines = JsonLines(refresh);
    if (m_file == "-") {
        m_out << lines << std::flush;
        return;
    }
    report(write(lines));
}

void JsonSink::report(bool written) {
    if (!written && !m_failing)
        m_notices.say("JSON lines: " + m_error);
    if (written && m_failing)
        m_notices.say("JSON lines: written again (" + m_file + ")");
    m_failing = !written;
}

// A new descriptor when there is none, the file was moved away or it reached the limit.
bool JsonSink::reopen() {
    struct stat named {};
    struct stat open {};
    const bool moved = m_fd >= 0 && (::stat(m_file.c_str(), &named) != 0 || ::fstat(m_fd, &open) != 0 ||
                                     named.st_ino != open.st_ino || named.st_dev != open.st_dev);
    if (m_fd >= 0 && !moved && m_size < m_maxBytes)
        return true;
    if (m_fd >= 0 && !moved && ::rename(m_file.c_str(), (m_file + ".1").c_str()) != 0) {
        m_error = "cannot rename " + m_file + ": " + link::FileErrorText(errno);
        return false;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_fd < 0 || ::fstat(m_fd, &open) != 0) {
        m_error = "cannot open " + m_file + ": " + link::FileErrorText(errno);
        return false;
    }
    m_size = static_cast<std::uint64_t>(open.st_size);
    return true;
}

bool JsonSink::write(const std::string& bytes) {
    if (!reopen())
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = "cannot write " + m_file + ": " + link::FileErrorText(errno);
            // A line cut short (a full disk) would run into the next one: the file keeps whole lines.
            [[maybe_unused]] const int cut = ::ftruncate(m_fd, static_cast<off_t>(m_size));
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_size += bytes.size();
    return true;
}

} // namespace tev::collect
