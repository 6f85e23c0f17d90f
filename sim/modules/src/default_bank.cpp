#include <array>
#include <string_view>

#include "tev/sim/module_bank.hpp"

namespace tev::sim {
namespace {

struct Placement {
    std::string_view model;
    std::uint8_t address;
    bool checksum = false;
    DataFormat format = DataFormat::Engineering;
};

// I-7000 modules at 0x01-0x19, 4000 twins at 0x1A-0x1B, 87K cards at 0x30-0x47, a few variants (checksum on,
// other data formats) at 0x50-0x54.
constexpr std::array kModules{
    Placement{"7011", 0x01},
    Placement{"7012", 0x02},
    Placement{"7013", 0x03},
    Placement{"7014", 0x04},
    Placement{"7016", 0x05},
    Placement{"7017", 0x06},
    Placement{"7018", 0x07},
    Placement{"7033", 0x08},
    Placement{"7021", 0x09},
    Placement{"7022", 0x0A},
    Placement{"7024", 0x0B},
    Placement{"7041", 0x0C},
    Placement{"7042", 0x0D},
    Placement{"7043", 0x0E},
    Placement{"7044", 0x0F},
    Placement{"7050", 0x10},
    Placement{"7052", 0x11},
    Placement{"7053", 0x12},
    Placement{"7060", 0x13},
    Placement{"7063", 0x14},
    Placement{"7065", 0x15},
    Placement{"7066", 0x16},
    Placement{"7067", 0x17},
    Placement{"7068", 0x18},
    Placement{"7080", 0x19},
    Placement{"4033", 0x1A},
    Placement{"4017", 0x1B},
    Placement{"87013", 0x30},
    Placement{"87017", 0x31},
    Placement{"87018", 0x32},
    Placement{"87033", 0x33},
    Placement{"87016", 0x34},
    Placement{"87021", 0x35},
    Placement{"87022", 0x36},
    Placement{"87026", 0x37},
    Placement{"87024", 0x38},
    Placement{"87051", 0x39},
    Placement{"87052", 0x3A},
    Placement{"87053", 0x3B},
    Placement{"87054", 0x3C},
    Placement{"87055", 0x3D},
    Placement{"87056", 0x3E},
    Placement{"87057", 0x3F},
    Placement{"87058", 0x40},
    Placement{"87060", 0x41},
    Placement{"87063", 0x42},
    Placement{"87064", 0x43},
    Placement{"87065", 0x44},
    Placement{"87066", 0x45},
    Placement{"87068", 0x46},
    Placement{"87069", 0x47},
    Placement{"7017", 0x50, true},
    Placement{"7017", 0x51, false, DataFormat::Hex},
    Placement{"7017", 0x52, false, DataFormat::PercentOfRange},
    Placement{"7012", 0x53, true},
    Placement{"7060", 0x54, true},
};

struct CardPlacement {
    std::uint8_t unit;
    int slot;
    std::string_view model;
};

// Three 8000 units at 0x20-0x22 with their cards.
constexpr std::array kCards{
    CardPlacement{0x20, 0, "8017"}, CardPlacement{0x20, 1, "8024"}, CardPlacement{0x20, 2, "8041"},
    CardPlacement{0x20, 3, "8042"}, CardPlacement{0x20, 4, "8054"}, CardPlacement{0x20, 5, "8057"},
    CardPlacement{0x20, 6, "8063"}, CardPlacement{0x20, 7, "8013"}, CardPlacement{0x21, 0, "8033"},
    CardPlacement{0x21, 1, "8022"}, CardPlacement{0x21, 2, "8040"}, CardPlacement{0x21, 3, "8051"},
    CardPlacement{0x21, 4, "8052"}, CardPlacement{0x21, 5, "8055"}, CardPlacement{0x21, 6, "8056"},
    CardPlacement{0x21, 7, "8060"}, CardPlacement{0x22, 0, "8018"}, CardPlacement{0x22, 1, "8053"},
    CardPlacement{0x22, 2, "8058"}, CardPlacement{0x22, 3, "8064"}, CardPlacement{0x22, 4, "8068"},
    CardPlacement{0x22, 5, "8069"},
};

} // namespace

ModuleBank ModuleBank::makeDefault() {
    ModuleBank bank;
    for (const auto& p : kModules)
        bank.addModule({std::string(p.model), p.address, p.checksum, std::nullopt, p.format});
    for (const int unit : {0x20, 0x21, 0x22})
        bank.addModule({"8000", static_cast<std::uint8_t>(unit)});
    for (const auto& c : kCards)
        bank.addCard(c.unit, c.slot, c.model);
    return bank;
}

} // namespace tev::sim
