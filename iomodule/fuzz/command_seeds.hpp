// Seed inputs for fuzz_commands: for every command function an input whose slots name a model the
// function serves and whose replies it accepts, so mutations start inside each function's reply
// parsing (the 7080 readings, the hex fields, the two-step commands) instead of at its refusals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tev::iomodule::fuzzing {

// An input: the function byte, 32 slots of 4 bytes and 16 floats of 4 bytes, then the replies.
inline constexpr std::size_t kInputHead = 1 + 4 * 32 + 4 * 16;

// Runs one input and returns the function's result code.
using RunInput = std::uint16_t (*)(const std::uint8_t* data, std::size_t size);

// Writes "seed-NNN" for each of the `functions` entries into `dir` (an existing folder), unless
// "seed-000" is there already. For each function: the first candidate model for which some reply
// sequence of the shape list gives result 0; else the first model that makes it send anything.
void WriteCommandSeeds(const std::string& dir, std::size_t functions, RunInput run);

} // namespace tev::iomodule::fuzzing
