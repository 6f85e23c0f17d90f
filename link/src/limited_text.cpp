#include "tev/link/limited_text.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tev::link {

LimitedFile ReadLimitedFile(const std::filesystem::path& file, std::size_t limit) {
    LimitedFile out;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        out.error = errno;
        return out;
    }
    out.opened = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        out.error = EISDIR;
        ::close(fd);
        return out;
    }
    out.bytes.resize(limit + 1);
    std::size_t got = 0;
    while (got < out.bytes.size()) {
        const ssize_t n = ::read(fd, out.bytes.data() + got, out.bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.error = errno;
            break;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.bytes.resize(out.error == 0 ? got : 0);
    return out;
}

} // namespace tev::link
