// Command routing: each family lists the commands it answers as (lead, pattern, models, handler).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "module.hpp"

namespace tev::sim {

// What a handler sees: the module (or card), the clock and the address text of the reply.
struct Context {
    Module& m;
    std::int64_t now = 0;
    std::string addr; // two hex digits of the answering module or unit

    std::string ack() const { return "!" + addr; }
    std::string ack(std::string_view data) const { return "!" + addr + std::string(data); }
};

// A reply, or nothing for a command the module refuses with "?AA".
using Reply = std::optional<std::string>;
using Handler = Reply (*)(Context&, std::string_view args);

// Pattern after the address (or after "Ss" for a card): literal characters must match, '%' takes any
// one character, a final '*' takes the rest. The characters taken are handed to the handler.
struct Route {
    char lead;
    std::string_view pattern;
    std::uint32_t features; // served when the model has any of these
    Handler handler;
};

// Matches `body` (the command after the address) against `pattern`; the taken characters, or nothing.
std::optional<std::string> MatchPattern(std::string_view pattern, std::string_view body);

// Answers a command of a module: lead character and body after the address. Nothing when no route
// takes it (the caller replies "?AA").
Reply Dispatch(Context& ctx, char lead, std::string_view body);

// The command families.
std::span<const Route> AnalogInRoutes();
std::span<const Route> AnalogOutRoutes();
std::span<const Route> DigitalRoutes();
std::span<const Route> CounterRoutes();
std::span<const Route> AlarmRoutes();
std::span<const Route> StatusRoutes();
std::span<const Route> CardRoutes();

} // namespace tev::sim
