#include "tev/link/file_write.hpp"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tev::link {
namespace fs = std::filesystem;
namespace {

constexpr int kMaxLinks = 40; // as the kernel's own bound on a chain of symbolic links

// The file a chain of symbolic links ends at (which need not exist yet); `file` itself when it is
// no link. 0, or the error number of a broken or endless chain.
int FollowLinks(fs::path& file) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(file, ec);
        if (ec || status.type() != fs::file_type::symlink)
            return 0;
        const fs::path target = fs::read_symlink(file, ec);
        if (ec)
            return ec.value();
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return ELOOP;
}

bool WriteAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Creates a new file beside `file` under a name no other writer uses. Returns its descriptor, or -1
// with `error` set.
int CreateTemporary(const fs::path& file, fs::path& temporary, int& error) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = file.parent_path() / ("." + file.filename().string() + ".tmp-" +
                                          std::to_string(::getpid()) + "-" + std::to_string(counter++));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

} // namespace

std::string FileErrorText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "没有权限";
    case ENOSPC:
    case EDQUOT:
        return "磁盘已满";
    case EFBIG:
        return "文件太大";
    case EROFS:
        return "只读文件系统";
    case ENOENT:
        return "不存在";
    case ENOTDIR:
        return "不是文件夹";
    case EISDIR:
        return "是文件夹";
    default:
        return std::strerror(error);
    }
}

namespace {

// The new file gets the old one's owner (where the writer may give it) and mode; 0 or errno.
int KeepOwnerAndMode(int fd, const struct stat& old) {
    // The owner first: changing it clears set-id bits, which the mode then restores. Only root may
    // give the file back to its owner; for anyone else it becomes the writer's.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Writes, flushes and closes the temporary file, then renames it over the target; 0 or errno. On
// failure the temporary is gone and the target untouched.
int CommitTemporary(int fd, std::string_view bytes, const fs::path& temporary, const fs::path& target) {
    int error = 0;
    bool ok = WriteAll(fd, bytes, error);
    ok = ok && (::fsync(fd) == 0 || (error = errno, false));
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    ok = ok && (::rename(temporary.c_str(), target.c_str()) == 0 || (error = errno, false));
    if (!ok)
        ::unlink(temporary.c_str());
    return ok ? 0 : error;
}

// The rename itself reaches the disk with its folder.
void SyncFolder(const fs::path& target) {
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

std::string WriteFileReplacing(const fs::path& file, std::string_view bytes) {
    const auto failed = [&file](int error) { return "无法写入 " + file.string() + ": " + FileErrorText(error); };
    if (file.empty() || !file.has_filename())
        return failed(EISDIR);
    fs::path target = file;
    if (const int error = FollowLinks(target); error != 0)
        return failed(error);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return failed(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    fs::path temporary;
    int error = 0;
    const int fd = CreateTemporary(target, temporary, error);
    if (fd < 0)
        return failed(error);
    if (exists && (error = KeepOwnerAndMode(fd, old)) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return failed(error);
    }
    if ((error = CommitTemporary(fd, bytes, temporary, target)) != 0)
        return failed(error);
    SyncFolder(target);
    return {};
}

} // namespace tev::link
