#include "router.hpp"

#include <array>

namespace tev::sim {

std::optional<std::string> MatchPattern(std::string_view pattern, std::string_view body) {
    std::string taken;
    std::size_t i = 0;
    for (std::size_t p = 0; p < pattern.size(); ++p) {
        if (pattern[p] == '*' && p + 1 == pattern.size()) {
            taken.append(body.substr(i));
            return taken;
        }
        if (i >= body.size())
            return std::nullopt;
        if (pattern[p] == '%')
            taken.push_back(body[i]);
        else if (pattern[p] != body[i])
            return std::nullopt;
        ++i;
    }
    if (i != body.size())
        return std::nullopt;
    return taken;
}

Reply Dispatch(Context& ctx, char lead, std::string_view body) {
    const std::array families{AnalogInRoutes(), AnalogOutRoutes(), DigitalRoutes(), CounterRoutes(),
                              AlarmRoutes(),    StatusRoutes(),    CardRoutes()};
    for (const auto& family : families) {
        for (const auto& r : family) {
            if (r.lead != lead || (ctx.m.spec->features & r.features) == 0)
                continue;
            if (auto args = MatchPattern(r.pattern, body))
                return r.handler(ctx, *args);
        }
    }
    return std::nullopt;
}

} // namespace tev::sim
