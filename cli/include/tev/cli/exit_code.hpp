// Exit status of the tev command: 0 only when every step succeeded, else the kind of the first
// failure (documented in tev(1)).
#pragma once

namespace tev::cli {

enum class ExitCode : int {
    Ok = 0,
    Failed = 1,   // stopped by a signal, or a fault of the command itself
    Usage = 2,    // wrong or missing option or argument; nothing was sent
    Port = 3,     // the port could not be opened
    NoAnswer = 4, // no sound reply: silence, a corrupted or a foreign frame
    Refused = 5,  // a write refused (exception) or not confirmed by its echo
    File = 6,     // a file could not be read or written
};

constexpr int ToInt(ExitCode code) noexcept { return static_cast<int>(code); }

// The worse of two results: the first failure stays.
constexpr ExitCode Worse(ExitCode so_far, ExitCode next) noexcept {
    return so_far == ExitCode::Ok ? next : so_far;
}

} // namespace tev::cli
