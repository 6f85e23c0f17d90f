// Model tables of the digital input and output functions: output widths, bit limits, reply fields
// and masks, written once and shared by the I-7000, 8000 card and 87K card functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tev::iomodule::digital {

// A port write: the value masked, then written as `digits` hex digits.
struct PortModel {
    std::uint32_t model = 0;
    std::uint8_t digits = 2;
    std::uint32_t mask = 0xFF;
};

// How a single-bit write addresses its bit.
enum class BitForm : std::uint8_t {
    Plain,  // "#AA1b0s"
    Groups, // "#AAAb0s" for bits 0-7, "#AAB(b-8)0s" for bits 8-15
    Card,   // "#AASs1b0s"
    Wide,   // "@AASsSC" and the bit as two hex digits and the state digit (8041, 8042)
};

struct BitModel {
    std::uint32_t model = 0;
    std::uint8_t maxBit = 7; // the highest bit accepted
    BitForm form = BitForm::Plain;
};

// Where a reading sits in a reply: `digits` hex digits at `pos`, AND `mask`. `length` is the reply's
// length without checksum when it differs from the function's usual one (0: the usual).
struct FieldModel {
    std::uint32_t model = 0;
    std::uint8_t pos = 1;
    std::uint8_t digits = 4;
    std::uint32_t mask = 0xFFFF;
    std::uint8_t length = 0;
};

// A digital input counter: its model and highest channel.
struct CounterModel {
    std::uint32_t model = 0;
    std::uint8_t maxChannel = 0;
};

// The row and its 4000 and 8000 twins (the same last three digits).
template <class Row, std::size_t N>
constexpr std::array<Row, 3 * N> WithTwins(const std::array<Row, N>& rows) {
    std::array<Row, 3 * N> out{};
    constexpr std::uint32_t kSeries[] = {0x7000, 0x4000, 0x8000};
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            out[3 * i + k] = rows[i];
            out[3 * i + k].model = (rows[i].model & 0x0FFFu) | kSeries[k];
        }
    }
    return out;
}

// I-7000 port writes "@AA" and the digits. Only the 7000 numbers.
inline constexpr PortModel kPortOut[] = {{0x7042, 4, 0x1FFF}, {0x7043, 4, 0xFFFF}, {0x7044, 2, 0xFF},
                                         {0x7050, 2, 0xFF},   {0x7060, 1, 0xF},    {0x7063, 1, 0x7},
                                         {0x7065, 2, 0x1F},   {0x7066, 2, 0x7F},   {0x7067, 2, 0x7F}};
// Analog and counter modules with two outputs: "@AADO0" and the value 0-3.
inline constexpr std::uint32_t kSmallPortOut[] = {0x7011, 0x7012, 0x7014, 0x7080};
inline constexpr std::uint32_t kSmallPortMax = 3;

inline constexpr auto kBitOut = WithTwins(std::array<BitModel, 10>{{{0x7042, 12, BitForm::Groups},
                                                                    {0x7043, 15, BitForm::Groups},
                                                                    {0x7044, 7},
                                                                    {0x7050, 7},
                                                                    {0x7060, 3},
                                                                    {0x7063, 2},
                                                                    {0x7065, 4},
                                                                    {0x7066, 6},
                                                                    {0x7067, 6},
                                                                    {0x7068, 8}}});

// The 7016's own outputs: "@AADOsN", channels 0-3.
inline constexpr std::uint32_t kOut7016 = 0x7016;
inline constexpr std::uint32_t kMaxChannel7016 = 3;

// "$AA6" read-backs: '!' and 7 characters; the digits as they come, unmasked.
inline constexpr FieldModel kReadBack[] = {{0x7042, 1, 4}, {0x7043, 1, 4}, {0x7044, 1, 2},
                                           {0x7050, 1, 2}, {0x7060, 1, 2}, {0x7063, 1, 2},
                                           {0x7065, 1, 2}, {0x7066, 1, 2}, {0x7067, 1, 2}};

// DigitalIn of the DIO models: "$AA6", the four hex digits at 1-4 of a 7-character reply.
inline constexpr auto kDioIn = WithTwins(std::array<FieldModel, 12>{{{0x7041},
                                                                     {0x7042},
                                                                     {0x7043},
                                                                     {0x7044},
                                                                     {0x7050},
                                                                     {0x7052},
                                                                     {0x7053},
                                                                     {0x7055},
                                                                     {0x7060},
                                                                     {0x7063},
                                                                     {0x7065},
                                                                     {0x7068}}});
// DigitalIn of the analog models: "@AADI", the hex digit at 7 of an 8-character reply.
inline constexpr auto kAnalogIn =
    WithTwins(std::array<FieldModel, 4>{{{0x7011, 7, 1}, {0x7012, 7, 1}, {0x7014, 7, 1}, {0x7016, 7, 1}}});

// Input counters "#AAN" / "$AACN".
inline constexpr CounterModel kCounters[] = {{0x7041, 13}, {0x7044, 3}, {0x7050, 6}, {0x7052, 7},
                                             {0x7053, 15}, {0x7060, 3}, {0x7063, 7}, {0x7065, 3}};
inline constexpr CounterModel kCounters87K[] = {{0x87051, 16}, {0x87053, 16}, {0x87052, 8},
                                                {0x87054, 8},  {0x87055, 8},  {0x87063, 4}};

// Latches "$AAL0" / "$AAL1": '!' and 7 characters.
inline constexpr FieldModel kLatch[] = {{0x7041, 1, 4, 0x3FFF}, {0x7044, 1, 4, 0xF},  {0x7053, 1, 4, 0xFFFF},
                                        {0x7065, 1, 4, 0xF},    {0x7050, 3, 2, 0x7F}, {0x7060, 3, 2, 0xF},
                                        {0x7063, 3, 2, 0xFF},   {0x7052, 1, 2, 0xFF}};
inline constexpr FieldModel kLatch87K[] = {{0x87051, 1, 4, 0xFFFF}, {0x87053, 1, 4, 0xFFFF},
                                           {0x87052, 1, 2, 0xFF},   {0x87054, 3, 2, 0xFF},
                                           {0x87055, 3, 2, 0xFF},   {0x87063, 3, 2, 0xF}};

// 8000 cards: port writes "#AASs00" and the digits, or "@AASs" and the digits (8041, 8042).
struct CardPortModel {
    std::uint32_t model = 0;
    std::uint8_t digits = 2;
    std::uint32_t mask = 0xFF;
    char lead = '#';
};
inline constexpr CardPortModel kCardOut[] = {{0x8054},
                                             {0x8055},
                                             {0x8064},
                                             {0x8065},
                                             {0x8066},
                                             {0x8068},
                                             {0x8077},
                                             {0x5054},
                                             {0x5055},
                                             {0x5064},
                                             {0x5065},
                                             {0x5066},
                                             {0x5068},
                                             {0x8056, 4, 0xFFFF},
                                             {0x8057, 4, 0xFFFF},
                                             {0x5056, 4, 0xFFFF},
                                             {0x5057, 4, 0xFFFF},
                                             {0x8060, 2, 0x3F},
                                             {0x5060, 2, 0x3F},
                                             // "0" and one digit of the low four bits
                                             {0x8063, 2, 0xF},
                                             {0x5063, 2, 0xF},
                                             // the low 16 bits of the slot, and the whole 32-bit slot
                                             {0x8042, 4, 0xFFFF, '@'},
                                             {0x8041, 8, 0xFFFFFFFF, '@'}};

inline constexpr BitModel kCardBitOut[] = {
    {0x8041, 32, BitForm::Wide}, {0x8042, 16, BitForm::Wide}, {0x8054, 7, BitForm::Card},
    {0x8055, 7, BitForm::Card},  {0x8064, 7, BitForm::Card},  {0x8065, 7, BitForm::Card},
    {0x8066, 7, BitForm::Card},  {0x8068, 7, BitForm::Card},  {0x8077, 7, BitForm::Card},
    {0x8056, 15, BitForm::Card}, {0x8057, 15, BitForm::Card}, {0x8060, 5, BitForm::Card},
    {0x8063, 3, BitForm::Card}};

// 8000 card reads "$AASs6": '!' and 9 characters (11 where the row says so).
inline constexpr FieldModel kCardIn[] = {{0x8040, 3, 8, 0xFFFFFFFF, 11},
                                         {0x8042, 7, 4, 0xFFFF, 11},
                                         {0x8051, 3, 4},
                                         {0x8053, 3, 4},
                                         {0x5051, 3, 4},
                                         {0x5053, 3, 4},
                                         {0x8052, 3, 2},
                                         {0x8058, 3, 2},
                                         {0x5052, 3, 2},
                                         {0x8054, 5, 2},
                                         {0x8055, 5, 2},
                                         {0x8077, 5, 2},
                                         {0x5054, 5, 2},
                                         {0x5055, 5, 2},
                                         {0x8063, 6, 1},
                                         {0x5063, 6, 1}};
inline constexpr FieldModel kCardReadBack[] = {{0x8041, 3, 8, 0xFFFFFFFF, 11},
                                               {0x8042, 3, 4, 0xFFFF, 11},
                                               {0x8056, 3, 4},
                                               {0x8057, 3, 4},
                                               {0x5056, 3, 4},
                                               {0x5057, 3, 4},
                                               {0x8054, 3, 2},
                                               {0x8055, 3, 2},
                                               {0x8060, 3, 2},
                                               {0x8064, 3, 2},
                                               {0x8065, 3, 2},
                                               {0x8066, 3, 2},
                                               {0x8068, 3, 2},
                                               {0x8077, 3, 2},
                                               {0x5054, 3, 2},
                                               {0x5055, 3, 2},
                                               {0x5060, 3, 2},
                                               {0x5064, 3, 2},
                                               {0x5065, 3, 2},
                                               {0x5066, 3, 2},
                                               {0x5068, 3, 2},
                                               {0x8063, 3, 1},
                                               {0x5063, 3, 1}};

// 87K cards.
inline constexpr PortModel kOut87K[] = {{0x87054},
                                        {0x87055},
                                        {0x87064},
                                        {0x87065},
                                        {0x87066},
                                        {0x87068},
                                        {0x87069},
                                        {0x87056, 4, 0xFFFF},
                                        {0x87057, 4, 0xFFFF},
                                        {0x87060, 2, 0x3F},
                                        {0x87063, 1, 0xF}};
inline constexpr BitModel kBitOut87K[] = {
    {0x87054, 7, BitForm::Groups}, {0x87055, 7, BitForm::Groups},  {0x87064, 7, BitForm::Groups},
    {0x87065, 7, BitForm::Groups}, {0x87066, 7, BitForm::Groups},  {0x87068, 7, BitForm::Groups},
    {0x87069, 7, BitForm::Groups}, {0x87056, 15, BitForm::Groups}, {0x87057, 15, BitForm::Groups},
    {0x87060, 5, BitForm::Groups}, {0x87063, 3, BitForm::Groups}};
inline constexpr FieldModel kIn87K[] = {
    {0x87051, 1, 4, 0xFFFF}, {0x87053, 1, 4, 0xFFFF}, {0x87052, 1, 2, 0xFF}, {0x87058, 1, 2, 0xFF},
    {0x87054, 3, 2, 0xFF},   {0x87055, 3, 2, 0xFF},   {0x87063, 3, 2, 0xF}};
inline constexpr FieldModel kReadBack87K[] = {
    {0x87054, 1, 2, 0xFF},   {0x87055, 1, 2, 0xFF}, {0x87064, 1, 2, 0xFF}, {0x87065, 1, 2, 0xFF},
    {0x87066, 1, 2, 0xFF},   {0x87068, 1, 2, 0xFF}, {0x87069, 1, 2, 0xFF}, {0x87056, 1, 4, 0xFFFF},
    {0x87057, 1, 4, 0xFFFF}, {0x87060, 1, 2, 0x3F}, {0x87063, 1, 2, 0xF}};

} // namespace tev::iomodule::digital
