// Saving a file whole: the new content goes to a temporary file of its own in the same folder, is
// written, flushed and synced, and only then renamed over the file. Any failure leaves the old file
// as it was and removes the temporary one. A symbolic link keeps being a link: its target is
// replaced. An existing file keeps its permission bits (and, where the writer may, its owner).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tev::link {

// Replaces `file` with `bytes`. Returns an empty text, or why not, in Chinese, with the path:
// "无法写入 /home/x/a.csv: 磁盘已满".
std::string WriteFileReplacing(const std::filesystem::path& file, std::string_view bytes);

// A system error number in the window's words ("磁盘已满", "没有权限", ...), else the C library's.
std::string FileErrorText(int error);

} // namespace tev::link
