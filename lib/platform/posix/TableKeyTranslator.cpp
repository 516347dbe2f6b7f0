#include "TableKeyTranslator.h"

namespace equ::posix {

namespace {

constexpr std::uint32_t kRussian = 1049;
constexpr std::uint32_t kVkShift = 0x10;
constexpr std::uint32_t kVkControl = 0x11;
constexpr std::uint32_t kVkMenu = 0x12;
constexpr std::uint32_t kVkCapital = 0x14;

// What one key types without and with Shift, and whether Caps Lock swaps the two.
struct KeyChars {
  std::uint8_t vk;
  std::uint8_t normal;
  std::uint8_t shifted;
  bool letter;
};

// Keys that type the same in both layouts.
constexpr KeyChars kCommonKeys[] = {
    {0x08, 8, 8, false},     {0x09, 9, 9, false},     {0x0D, 13, 13, false},
    {0x1B, 27, 27, false},   {0x20, ' ', ' ', false}, {0x60, '0', '0', false},
    {0x61, '1', '1', false}, {0x62, '2', '2', false}, {0x63, '3', '3', false},
    {0x64, '4', '4', false}, {0x65, '5', '5', false}, {0x66, '6', '6', false},
    {0x67, '7', '7', false}, {0x68, '8', '8', false}, {0x69, '9', '9', false},
    {0x6A, '*', '*', false}, {0x6B, '+', '+', false}, {0x6D, '-', '-', false},
    {0x6F, '/', '/', false}, {0xBB, '=', '+', false}, {0xBD, '-', '_', false},
};

constexpr KeyChars kUsKeys[] = {
    {'0', '0', ')', false},  {'1', '1', '!', false},   {'2', '2', '@', false},
    {'3', '3', '#', false},  {'4', '4', '$', false},   {'5', '5', '%', false},
    {'6', '6', '^', false},  {'7', '7', '&', false},   {'8', '8', '*', false},
    {'9', '9', '(', false},  {0x6E, '.', '.', false},  {0xBA, ';', ':', false},
    {0xBC, ',', '<', false}, {0xBE, '.', '>', false},  {0xBF, '/', '?', false},
    {0xC0, '`', '~', false}, {0xDB, '[', '{', false},  {0xDC, '\\', '|', false},
    {0xDD, ']', '}', false}, {0xDE, '\'', '"', false},
};

// Windows-1251: lower-case letters 0xE0 to 0xFF (capitals 0x20 lower), yo 0xB8 / 0xA8.
constexpr KeyChars kRussianKeys[] = {
    {'0', '0', ')', false},   {'1', '1', '!', false},   {'2', '2', '"', false},
    {'3', '3', 0xB9, false},  {'4', '4', ';', false},   {'5', '5', '%', false},
    {'6', '6', ':', false},   {'7', '7', '?', false},   {'8', '8', '*', false},
    {'9', '9', '(', false},   {0x6E, ',', ',', false},  {0xBF, '.', ',', false},
    {0xDC, '\\', '/', false}, {'A', 0xF4, 0xD4, true},  {'B', 0xE8, 0xC8, true},
    {'C', 0xF1, 0xD1, true},  {'D', 0xE2, 0xC2, true},  {'E', 0xF3, 0xD3, true},
    {'F', 0xE0, 0xC0, true},  {'G', 0xEF, 0xCF, true},  {'H', 0xF0, 0xD0, true},
    {'I', 0xF8, 0xD8, true},  {'J', 0xEE, 0xCE, true},  {'K', 0xEB, 0xCB, true},
    {'L', 0xE4, 0xC4, true},  {'M', 0xFC, 0xDC, true},  {'N', 0xF2, 0xD2, true},
    {'O', 0xF9, 0xD9, true},  {'P', 0xE7, 0xC7, true},  {'Q', 0xE9, 0xC9, true},
    {'R', 0xEA, 0xCA, true},  {'S', 0xFB, 0xDB, true},  {'T', 0xE5, 0xC5, true},
    {'U', 0xE3, 0xC3, true},  {'V', 0xEC, 0xCC, true},  {'W', 0xF6, 0xD6, true},
    {'X', 0xF7, 0xD7, true},  {'Y', 0xED, 0xCD, true},  {'Z', 0xFF, 0xDF, true},
    {0xBA, 0xE6, 0xC6, true}, {0xBC, 0xE1, 0xC1, true}, {0xBE, 0xFE, 0xDE, true},
    {0xC0, 0xB8, 0xA8, true}, {0xDB, 0xF5, 0xD5, true}, {0xDD, 0xFA, 0xDA, true},
    {0xDE, 0xFD, 0xDD, true},
};

template <std::size_t N>
const KeyChars* Find(const KeyChars (&table)[N], std::uint32_t vk) {
  for (const KeyChars& key : table) {
    if (key.vk == vk) return &key;
  }
  return nullptr;
}

const KeyChars* FindKey(std::uint32_t vk, bool russian, KeyChars& latinLetter) {
  if (const KeyChars* key = Find(kCommonKeys, vk)) return key;
  if (russian) return Find(kRussianKeys, vk);
  if (vk >= 'A' && vk <= 'Z') {
    latinLetter = {static_cast<std::uint8_t>(vk), static_cast<std::uint8_t>(vk - 'A' + 'a'),
                   static_cast<std::uint8_t>(vk), true};
    return &latinLetter;
  }
  return Find(kUsKeys, vk);
}

bool IsDown(const KeyboardState& state, std::uint32_t vk) {
  return state[vk] & kKeyDownBit;
}

}  // namespace

int TableKeyTranslator::Translate(std::uint32_t vkCode, std::uint32_t, const KeyboardState& state,
                                  std::uint32_t layout, std::uint8_t& code) const {
  if (vkCode >= state.size()) return 0;
  if (IsDown(state, kVkControl)) {
    if (IsDown(state, kVkMenu) || vkCode < 'A' || vkCode > 'Z') return 0;
    code = static_cast<std::uint8_t>(vkCode - 'A' + 1);
    return 1;
  }
  KeyChars latinLetter{};
  const KeyChars* key = FindKey(vkCode, (layout & 0xFFFF) == kRussian, latinLetter);
  if (!key) return 0;
  bool shifted = IsDown(state, kVkShift);
  if (key->letter && (state[kVkCapital] & kKeyToggleBit)) shifted = !shifted;
  code = shifted ? key->shifted : key->normal;
  return 1;
}

}  // namespace equ::posix
