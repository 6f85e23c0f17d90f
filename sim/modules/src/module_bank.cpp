#include "tev/sim/module_bank.hpp"

#include <chrono>

#include "module.hpp"
#include "router.hpp"
#include "text.hpp"

namespace tev::sim {
namespace {

// Longest command line a module reads; longer lines are noise.
constexpr std::size_t kMaxLine = 128;

bool IsLead(char c) {
    return c == '#' || c == '$' || c == '@' || c == '%' || c == '~';
}

// The command without its checksum characters, or nothing when they are wrong or missing.
std::optional<std::string_view> StripChecksum(std::string_view line, bool on) {
    if (!on)
        return line;
    if (line.size() < 3)
        return std::nullopt;
    const auto body = line.substr(0, line.size() - 2);
    if (line.substr(line.size() - 2) != text::Checksum(body))
        return std::nullopt;
    return body;
}

} // namespace

ModuleBank::ModuleBank() {
    const auto start = std::chrono::steady_clock::now();
    m_clock = [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
}

ModuleBank::~ModuleBank() = default;
ModuleBank::ModuleBank(ModuleBank&&) noexcept = default;
ModuleBank& ModuleBank::operator=(ModuleBank&&) noexcept = default;

std::int64_t ModuleBank::now() const {
    return m_clock();
}

bool ModuleBank::addModule(const ModuleOptions& options) {
    const ModelSpec* spec = FindModel(options.model);
    if (spec == nullptr || (spec->features & Common) == 0 || m_modules.count(options.address) != 0)
        return false;
    if (options.typeCode && FindRange(*options.typeCode) == nullptr && *options.typeCode != spec->typeCode)
        return false;
    auto m = std::make_unique<Module>(
        MakeModule(*spec, options.address, options.checksum, options.typeCode, options.format));
    Rebase(*m, now());
    m_modules.emplace(options.address, std::move(m));
    return true;
}

bool ModuleBank::addCard(std::uint8_t unitAddress, int slot, std::string_view model) {
    const auto it = m_modules.find(unitAddress);
    const ModelSpec* spec = FindModel(model);
    if (it == m_modules.end() || (it->second->spec->features & Unit8K) == 0 || spec == nullptr ||
        (spec->features & (CardAi | CardAo | CardDio)) == 0 || slot < 0 || slot > 7 ||
        find(unitAddress, slot) != nullptr)
        return false;
    Module card = MakeModule(*spec, unitAddress, false, std::nullopt, DataFormat::Engineering);
    card.slot = slot;
    Rebase(card, now());
    it->second->cards.push_back(std::move(card));
    return true;
}

Module* ModuleBank::find(std::uint8_t address, int slot) {
    const auto it = m_modules.find(address);
    if (it == m_modules.end())
        return nullptr;
    if (slot < 0)
        return it->second.get();
    for (auto& card : it->second->cards)
        if (card.slot == slot)
            return &card;
    return nullptr;
}

std::optional<std::string> ModuleBank::answer(std::string_view line) {
    if (line.size() < 3 || line.size() > kMaxLine || !IsLead(line[0]))
        return std::nullopt;
    const std::int64_t t = now();
    if (line.substr(0, 3) == "~**") {
        hostAlive(line, t);
        return std::nullopt;
    }
    const auto address = text::ParseHex(line.substr(1, 2));
    if (!address)
        return std::nullopt;
    Module* m = find(static_cast<std::uint8_t>(*address), -1);
    if (m == nullptr)
        return std::nullopt;
    const auto cmd = StripChecksum(line, m->checksum);
    if (!cmd || cmd->size() < 3)
        return std::nullopt;
    return reply(*m, static_cast<std::uint8_t>(*address), *cmd, t);
}

// Host alive goes to every module and is never answered.
void ModuleBank::hostAlive(std::string_view line, std::int64_t t) {
    for (auto& [address, m] : m_modules)
        if (StripChecksum(line, m->checksum) == "~**")
            m->watchdog.lastHostOk = t;
}

std::string ModuleBank::reply(Module& m, std::uint8_t address, std::string_view cmd, std::int64_t t) {
    Advance(m, t);
    Context ctx{m, t, text::Hex(address, 2)};
    Reply reply;
    const bool readdress = cmd[0] == '%';
    if (readdress) {
        const auto target = text::ParseHex(cmd.substr(3, 2));
        if (target && *target != address && m_modules.count(static_cast<std::uint8_t>(*target)) != 0)
            reply = std::nullopt; // the new address belongs to another module
        else
            reply = Dispatch(ctx, '%', cmd.substr(3));
    } else {
        reply = Dispatch(ctx, cmd[0], cmd.substr(3));
    }
    std::string out = reply.value_or("?" + ctx.addr);
    if (m.checksum)
        out += text::Checksum(out);
    if (readdress && m.address != address) {
        auto node = m_modules.extract(address);
        node.key() = m.address;
        m_modules.insert(std::move(node));
    }
    return out;
}

void ModuleBank::setClock(Clock clock) {
    m_clock = std::move(clock);
    const auto t = now();
    for (auto& [address, m] : m_modules)
        Rebase(*m, t);
}

bool ModuleBank::setAnalogInput(std::uint8_t address, int channel, double value, int slot) {
    Module* m = find(address, slot);
    if (m == nullptr || channel < 0 || channel >= std::max<int>(1, m->spec->aiChannels))
        return false;
    auto& in = m->inputs[static_cast<std::size_t>(channel)];
    in.pinned = true;
    in.pinnedValue = value;
    return true;
}

bool ModuleBank::setDigitalInputs(std::uint8_t address, std::uint32_t bits, int slot) {
    Module* m = find(address, slot);
    if (m == nullptr || m->spec->diBits == 0)
        return false;
    Advance(m->di, m->spec->diBits, now());
    Pin(m->di, m->spec->diBits, bits);
    return true;
}

std::optional<std::uint32_t> ModuleBank::digitalOutputs(std::uint8_t address, int slot) {
    Module* m = find(address, slot);
    if (m == nullptr)
        return std::nullopt;
    Advance(*m, now());
    return m->doBits;
}

std::optional<double> ModuleBank::analogOutput(std::uint8_t address, int channel, int slot) {
    Module* m = find(address, slot);
    if (m == nullptr || channel < 0 || channel >= m->spec->aoChannels)
        return std::nullopt;
    Advance(*m, now());
    return m->outputs[static_cast<std::size_t>(channel)].value;
}

void ModuleBank::powerCycle() {
    const auto t = now();
    for (auto& [address, m] : m_modules)
        PowerUp(*m, t);
}

std::vector<std::uint8_t> ModuleBank::addresses() const {
    std::vector<std::uint8_t> out;
    for (const auto& [address, m] : m_modules)
        out.push_back(address);
    return out;
}

} // namespace tev::sim
