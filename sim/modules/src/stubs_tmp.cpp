#include "router.hpp"
namespace tev::sim {
std::span<const Route> digitalRoutes() {
    return {};
}
std::span<const Route> counterRoutes() {
    return {};
}
std::span<const Route> alarmRoutes() {
    return {};
}
std::span<const Route> cardRoutes() {
    return {};
}
} // namespace tev::sim
