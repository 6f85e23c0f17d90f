#include "model_table.hpp"

#include <array>

namespace tev::sim {
namespace {

constexpr std::uint32_t AnalogDo = Common | DoAnalog | AnalogAlarm | SafeDoAnalog;
constexpr std::uint32_t Dio = Common | DioPort | DiCount | DiLatch;
constexpr std::uint32_t DoOnly = Common | DioPort | SafeDo;
constexpr std::uint32_t Dio87 = Common | DioPort | DiCount | DiLatch | BitGroups;

using L = PortLayout;
using A = AoForm;

// name, features, type, ai, ao, ao form, do bits, di bits, port layout
constexpr std::array kModels{
    // I-7000 analog input
    ModelSpec{"7011", AiSingle | TcOpen | AnalogDo, 0x0F, 1, 0, A::None, 2, 1},
    ModelSpec{"7012", AiSingle | AnalogDo, 0x08, 1, 0, A::None, 2, 1},
    ModelSpec{"7013", Common | AiSingle, 0x20, 1},
    ModelSpec{"7014", AiSingle | AnalogDo | MapDollar | ResetR, 0x08, 1, 0, A::None, 2, 1},
    ModelSpec{"7016", Common | AiSingle | AoExcite | Do7016 | AnalogAlarm | Led7016 | MapAt, 0x04, 1, 1,
              A::Excite, 4, 2},
    ModelSpec{"7017", Common | AiMulti | AiHexScan, 0x08, 8},
    ModelSpec{"7018", Common | AiMulti, 0x0F, 8},
    ModelSpec{"7033", Common | AiMulti | Led7033, 0x20, 3},
    // 4000 twins of the scanning models: the same commands under their own name
    ModelSpec{"4017", Common | AiMulti | AiHexScan, 0x08, 8},
    ModelSpec{"4018", Common | AiMulti, 0x0F, 8},
    ModelSpec{"4033", Common | AiMulti | Led7033, 0x20, 3},
    // I-7000 analog output
    ModelSpec{"7021", Common | AoOut | SafeAo, 0x32, 0, 1, A::Digits5},
    ModelSpec{"7022", Common | AoOut | SafeAo, 0x30, 0, 2, A::Fixed6},
    ModelSpec{"7024", Common | AoOut | SafeAo, 0x33, 0, 4, A::Signed7},
    // I-7000 digital
    ModelSpec{"7041", Dio, 0x40, 0, 0, A::None, 0, 14, L::In16},
    ModelSpec{"7042", DoOnly | BitGroups, 0x40, 0, 0, A::None, 13, 0, L::Out16},
    ModelSpec{"7043", DoOnly | BitGroups, 0x40, 0, 0, A::None, 16, 0, L::Out16},
    ModelSpec{"7044", Dio | SafeDo, 0x40, 0, 0, A::None, 8, 4, L::OutIn},
    ModelSpec{"7050", Dio | SafeDo, 0x40, 0, 0, A::None, 8, 7, L::OutIn},
    ModelSpec{"7052", Dio, 0x40, 0, 0, A::None, 0, 8, L::In8},
    ModelSpec{"7053", Dio, 0x40, 0, 0, A::None, 0, 16, L::In16},
    ModelSpec{"7060", Dio | SafeDo, 0x40, 0, 0, A::None, 4, 4, L::OutIn},
    ModelSpec{"7063", Dio | SafeDo, 0x40, 0, 0, A::None, 3, 8, L::OutIn},
    ModelSpec{"7065", Dio | SafeDo, 0x40, 0, 0, A::None, 5, 4, L::OutIn},
    ModelSpec{"7066", DoOnly, 0x40, 0, 0, A::None, 7, 0, L::OutIn},
    ModelSpec{"7067", DoOnly, 0x40, 0, 0, A::None, 7, 0, L::OutIn},
    ModelSpec{"7068", Common | DioPort, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"7080", Common | Counter7080 | DoAnalog, 0x50, 0, 0, A::None, 2, 0},
    // 87K cards
    ModelSpec{"87013", Common | AiMulti, 0x20, 4},
    ModelSpec{"87017", Common | AiMulti, 0x08, 8},
    ModelSpec{"87018", Common | AiMulti, 0x0F, 8},
    ModelSpec{"87033", Common | AiDollarRead, 0x20, 4},
    ModelSpec{"87016", Common | AoExcite, 0x32, 0, 1, A::Excite},
    ModelSpec{"87021", Common | AoOut, 0x32, 0, 1, A::Digits5},
    ModelSpec{"87022", Common | AoOut, 0x30, 0, 2, A::Fixed6},
    ModelSpec{"87026", Common | AoOut, 0x32, 0, 2, A::Fixed6},
    ModelSpec{"87024", Common | AoOut | StartUp87K, 0x33, 0, 4, A::Signed7},
    ModelSpec{"87051", Dio87, 0x40, 0, 0, A::None, 0, 16, L::In16},
    ModelSpec{"87052", Dio87, 0x40, 0, 0, A::None, 0, 8, L::In8},
    ModelSpec{"87053", Dio87, 0x40, 0, 0, A::None, 0, 16, L::In16},
    ModelSpec{"87054", Dio87, 0x40, 0, 0, A::None, 8, 8, L::OutIn},
    ModelSpec{"87055", Dio87, 0x40, 0, 0, A::None, 8, 8, L::OutIn},
    ModelSpec{"87056", Dio87, 0x40, 0, 0, A::None, 16, 0, L::Out16},
    ModelSpec{"87057", Dio87, 0x40, 0, 0, A::None, 16, 0, L::Out16},
    ModelSpec{"87058", Dio87, 0x40, 0, 0, A::None, 0, 8, L::In8},
    ModelSpec{"87060", Dio87, 0x40, 0, 0, A::None, 6, 0, L::OutIn},
    ModelSpec{"87063", Dio87, 0x40, 0, 0, A::None, 4, 4, L::OutIn},
    ModelSpec{"87064", Dio87, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"87065", Dio87, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"87066", Dio87, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"87068", Dio87, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"87069", Dio87, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    // 8000 unit and its cards
    ModelSpec{"8000", Common | Unit8K},
    ModelSpec{"8013", CardAi, 0x20, 4},
    ModelSpec{"8017", CardAi, 0x08, 8},
    ModelSpec{"8018", CardAi, 0x0F, 8},
    ModelSpec{"8033", CardAi | AiDollarRead, 0x20, 4},
    ModelSpec{"8022", CardAo, 0x30, 0, 2, A::Signed7},
    ModelSpec{"8024", CardAo, 0x33, 0, 4, A::Signed7},
    ModelSpec{"8040", CardDio, 0x40, 0, 0, A::None, 0, 32, L::In32},
    ModelSpec{"8041", CardDio, 0x40, 0, 0, A::None, 32, 0, L::Out32},
    ModelSpec{"8042", CardDio, 0x40, 0, 0, A::None, 16, 16, L::OutIn16},
    ModelSpec{"8051", CardDio, 0x40, 0, 0, A::None, 0, 16, L::In16},
    ModelSpec{"8052", CardDio, 0x40, 0, 0, A::None, 0, 8, L::In8},
    ModelSpec{"8053", CardDio, 0x40, 0, 0, A::None, 0, 16, L::In16},
    ModelSpec{"8054", CardDio, 0x40, 0, 0, A::None, 8, 8, L::OutIn},
    ModelSpec{"8055", CardDio, 0x40, 0, 0, A::None, 8, 8, L::OutIn},
    ModelSpec{"8056", CardDio, 0x40, 0, 0, A::None, 16, 0, L::Out16},
    ModelSpec{"8057", CardDio, 0x40, 0, 0, A::None, 16, 0, L::Out16},
    ModelSpec{"8058", CardDio, 0x40, 0, 0, A::None, 0, 8, L::In8},
    ModelSpec{"8060", CardDio, 0x40, 0, 0, A::None, 6, 0, L::OutIn},
    ModelSpec{"8063", CardDio, 0x40, 0, 0, A::None, 4, 4, L::OutNibIn},
    ModelSpec{"8064", CardDio, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"8068", CardDio, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
    ModelSpec{"8069", CardDio, 0x40, 0, 0, A::None, 8, 0, L::OutIn},
};

struct RangeRow {
    std::uint8_t code;
    TypeRange range;
};

// Input ranges with the decimals of their engineering format; RTD (0x20-0x23) and
// analog output ranges (0x30-0x35) follow.
constexpr std::array kRanges{
    RangeRow{0x00, {-15, 15, 3}},    RangeRow{0x01, {-50, 50, 3}},   RangeRow{0x02, {-100, 100, 2}},
    RangeRow{0x03, {-500, 500, 2}},  RangeRow{0x04, {-1, 1, 4}},     RangeRow{0x05, {-2.5, 2.5, 4}},
    RangeRow{0x06, {-20, 20, 3}},    RangeRow{0x07, {-500, 500, 2}}, RangeRow{0x08, {-10, 10, 3}},
    RangeRow{0x09, {-5, 5, 4}},      RangeRow{0x0A, {-1, 1, 4}},     RangeRow{0x0B, {-500, 500, 2}},
    RangeRow{0x0C, {-150, 150, 2}},  RangeRow{0x0D, {-20, 20, 3}},   RangeRow{0x0E, {0, 760, 3}},
    RangeRow{0x0F, {0, 1320, 1}},    RangeRow{0x10, {-100, 400, 2}}, RangeRow{0x11, {0, 1000, 1}},
    RangeRow{0x12, {500, 1750, 1}},  RangeRow{0x13, {500, 1750, 1}}, RangeRow{0x14, {500, 1800, 1}},
    RangeRow{0x15, {-270, 1300, 1}}, RangeRow{0x16, {0, 2320, 1}},   RangeRow{0x20, {-100, 100, 2}},
    RangeRow{0x21, {0, 100, 2}},     RangeRow{0x22, {-100, 200, 2}}, RangeRow{0x23, {-200, 600, 1}},
    RangeRow{0x30, {0, 20, 3}},      RangeRow{0x31, {4, 20, 3}},     RangeRow{0x32, {0, 10, 3}},
    RangeRow{0x33, {-10, 10, 3}},    RangeRow{0x34, {0, 5, 3}},      RangeRow{0x35, {-5, 5, 3}},
};

} // namespace

const ModelSpec* FindModel(std::string_view name) {
    for (const auto& m : kModels)
        if (m.name == name)
            return &m;
    return nullptr;
}

const TypeRange* FindRange(std::uint8_t typeCode) {
    for (const auto& r : kRanges)
        if (r.code == typeCode)
            return &r.range;
    return nullptr;
}

} // namespace tev::sim
