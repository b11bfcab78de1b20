#include "generator/rom_content.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace textdump::testing {
namespace {

constexpr std::string_view kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kMarks = " .,!?'-:";

constexpr const char* kWords[] = {
    "the",     "you",      "sword",    "potion",  "king",     "castle",   "dragon",   "gold",
    "shop",    "buy",      "sell",     "yes",     "save",     "hero",     "magic",    "fire",
    "ice",     "thunder",  "attack",   "defend",  "item",     "equip",    "run",      "escape",
    "level",   "gained",   "points",   "found",   "treasure", "chest",    "door",     "locked",
    "key",     "inn",      "rest",     "night",   "welcome",  "traveler", "village",  "forest",
    "cave",    "north",    "south",    "east",    "west",     "return",   "where",    "what",
    "who",     "thank",    "please",   "help",    "monster",  "appeared", "defeated", "received",
    "cannot",  "carry",    "more",     "there",   "nothing",  "here",     "great",    "power",
    "ancient", "legend",   "princess", "ship",    "bridge",   "tower",    "stone",    "crystal",
    "spell",   "heal",     "poison",   "sleep",   "party",    "joined",   "left",     "menu",
    "status",  "sound",    "stereo",   "message", "speed",    "fast",     "slow",     "game",
    "over",    "continue", "start",    "new",     "file",     "erase",    "copy",     "name",
    "don't",   "it's",     "well",     "now",     "and",      "for",      "with",     "your"};
constexpr const char* kSpeakers[] = {"Hero", "King", "Old man", "Guard", "Mage", "Girl", "Captain"};

// Row patterns of 8-pixel-wide glyphs.
constexpr std::uint8_t kGlyphRows[] = {
    0x18, 0x3C, 0x66, 0x7E, 0x60, 0x06, 0x42, 0x24, 0x7C, 0x3E, 0xC6, 0x6C, 0x38, 0x30, 0x0C,
    0x1C, 0x70, 0x44, 0x28, 0x10, 0x08, 0xFE, 0x82, 0xC0, 0x03, 0x63, 0x36, 0x6E, 0x76, 0x78,
    0x1E, 0x3F, 0x7F, 0x41, 0x22, 0x14, 0x62, 0x46, 0x4C, 0x32, 0x26, 0x64, 0x4E, 0x72};

std::string capitalized(std::string word) {
  word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
  return word;
}

std::size_t draw_length(Rng& rng, std::size_t max_length) {
  const std::uint64_t band = rng.below(10);
  const std::size_t length = band < 6   ? rng.range(3, 16)
                             : band < 9 ? rng.range(17, 40)
                                        : rng.range(41, 60);
  return std::clamp<std::size_t>(length, 3, max_length);
}

std::string make_text(Rng& rng, std::size_t length) {
  std::string s;
  if (length >= 20 && rng.percent(10)) s = std::string(rng.pick(kSpeakers)) + ": ";
  for (;;) {
    std::string word = rng.percent(8) ? std::to_string(rng.range(1, 999)) : rng.pick(kWords);
    for (unsigned tries = 0; s.size() < 3 && s.size() + word.size() > length && tries < 8;
         ++tries) {
      word = rng.pick(kWords); // a first word that fits
    }
    const bool sentence_start = s.empty() || s.back() == ' ';
    if (sentence_start) word = capitalized(word);
    std::string piece = sentence_start ? word : (rng.percent(6) ? ", " : " ") + word;
    if (s.size() + piece.size() + 1 > length) {
      if (s.size() >= 3) break;
      s += piece.substr(0, length - s.size());
      break;
    }
    s += piece;
  }
  static constexpr char kEnds[] = {'.', '!', '?'};
  if (s.size() < length && rng.percent(75)) s += rng.pick(kEnds);
  return s;
}

// Row bytes for tiles: glyph rows that are text bytes when enough of them are.
std::vector<std::uint8_t> tile_rows(const CharTable& table, bool text_like) {
  std::vector<std::uint8_t> rows;
  for (std::uint8_t row : kGlyphRows) {
    if (!text_like || std::binary_search(table.text_bytes.begin(), table.text_bytes.end(), row)) {
      rows.push_back(row);
    }
  }
  if (rows.size() < 4) rows = table.text_bytes;
  return rows;
}

struct Op {
  std::uint8_t opcode;
  std::uint8_t operand; // 0 none, 1 one byte, 2 RAM or register address, 3 ROM address, 4 long
};

constexpr Op k6502Ops[] = {
    {0xA9, 1}, {0xA2, 1}, {0xA0, 1}, {0xAD, 2}, {0x8D, 2}, {0x8E, 2}, {0x8C, 2}, {0x20, 3},
    {0x4C, 3}, {0xD0, 1}, {0xF0, 1}, {0x90, 1}, {0xB0, 1}, {0x10, 1}, {0x60, 0}, {0xE8, 0},
    {0xC8, 0}, {0xCA, 0}, {0x88, 0}, {0x18, 0}, {0x38, 0}, {0x69, 1}, {0xE9, 1}, {0x85, 1},
    {0xA5, 1}, {0xBD, 2}, {0x9D, 2}, {0x48, 0}, {0x68, 0}, {0xC9, 1}, {0xAA, 0}, {0x0A, 0}};
constexpr Op k65816Ops[] = {{0x22, 4}, {0x6B, 0}, {0xC2, 1}, {0xE2, 1}, {0x8B, 0},
                            {0xAB, 0}, {0x5C, 4}, {0xBF, 4}, {0x9C, 2}, {0xDA, 0}};
constexpr Op kSm83Ops[] = {
    {0x3E, 1}, {0x06, 1}, {0x0E, 1}, {0x16, 1}, {0x1E, 1}, {0x21, 3}, {0x11, 3}, {0x01, 2},
    {0xCD, 3}, {0xC3, 3}, {0xC9, 0}, {0xEA, 2}, {0xFA, 2}, {0xE0, 1}, {0xF0, 1}, {0x20, 1},
    {0x28, 1}, {0x18, 1}, {0xAF, 0}, {0x77, 0}, {0x7E, 0}, {0x23, 0}, {0x05, 0}, {0xC5, 0},
    {0xC1, 0}, {0xE5, 0}, {0xE1, 0}, {0xFE, 1}, {0xCB, 1}, {0x2A, 0}, {0x12, 0}, {0x1A, 0}};

std::uint32_t operand_value(Rng& rng, std::uint8_t kind, Cpu cpu) {
  const bool gb = cpu == Cpu::sm83;
  switch (kind) {
  case 1: return rng.byte();
  case 2:
    if (gb)
      return static_cast<std::uint32_t>(rng.percent(70) ? 0xC000 + rng.below(0x2000)
                                                        : 0xFF00 + rng.below(0x80));
    if (rng.percent(80)) return static_cast<std::uint32_t>(rng.below(0x2000));
    return static_cast<std::uint32_t>(cpu == Cpu::m65816 ? 0x2100 + rng.below(0x100)
                                                         : 0x2000 + rng.below(8));
  case 3:
    return static_cast<std::uint32_t>(gb ? 0x0150 + rng.below(0x7EB0) : 0x8000 | rng.below(0x8000));
  default: {
    const std::uint64_t bank = rng.percent(50) ? 0x80 + rng.below(0x10) : 0xC0 + rng.below(8);
    return static_cast<std::uint32_t>(bank << 16 | 0x8000 | rng.below(0x8000));
  }
  }
}

std::uint32_t arm_word(Rng& rng) {
  const auto r = [&](std::uint64_t n) { return static_cast<std::uint32_t>(rng.below(n)); };
  switch (rng.below(8)) {
  case 0: return 0xE3A00000u | r(16) << 12 | r(256);                // mov rd, #imm
  case 1: return 0xE59F0000u | r(16) << 12 | r(256) << 2;           // ldr rd, [pc, #imm]
  case 2: return 0xEB000000u | r(0x1000);                           // bl
  case 3: return 0xE12FFF1Eu;                                       // bx lr
  case 4: return 0xE92D4000u | r(256);                              // push
  case 5: return 0xE8BD8000u | r(256);                              // pop
  case 6: return 0xE1A00000u | r(16) << 12 | r(16);                 // mov rd, rm
  default: return 0xE2800000u | r(16) << 16 | r(16) << 12 | r(256); // add rd, rn, #imm
  }
}

} // namespace

CharTable make_char_table(Rng& rng) {
  CharTable table;
  table.code.fill(-1);
  std::vector<std::string_view> groups = {kUpper, kLower, kDigits, kMarks};
  const bool ascii = rng.percent(40);
  table.end_byte = rng.percent(50) ? 0x00 : 0xFF;
  std::size_t next = 0;
  if (!ascii) {
    rng.shuffle(groups);
    std::size_t total = 0;
    for (auto g : groups) total += g.size();
    next = rng.percent(50) ? rng.range(0x01, 0xFE - total + 1) : 0x10 * rng.range(1, 0xB);
  }
  for (auto group : groups) {
    for (char c : group) {
      const std::size_t byte = ascii ? static_cast<unsigned char>(c) : next++;
      table.code[static_cast<unsigned char>(c)] = static_cast<std::int16_t>(byte);
      table.text_bytes.push_back(static_cast<std::uint8_t>(byte));
    }
  }
  std::sort(table.text_bytes.begin(), table.text_bytes.end());
  if (rng.percent(50)) {
    std::vector<std::uint8_t> unused;
    for (unsigned b = 0x01; b < 0xFF; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      if (!std::binary_search(table.text_bytes.begin(), table.text_bytes.end(), byte)) {
        unused.push_back(byte);
      }
    }
    table.line_break = rng.pick(unused);
  }
  for (unsigned b = 0; b < 0x100; ++b) {
    char line[32];
    line[0] = '\0';
    if (b == table.end_byte) {
      std::snprintf(line, sizeof line, "/%02X=<END>\n", b);
    } else if (table.line_break == b) {
      std::snprintf(line, sizeof line, "*%02X\n", b);
    } else {
      for (unsigned c = 0; c < 128; ++c) {
        if (table.code[c] == static_cast<std::int16_t>(b)) {
          std::snprintf(line, sizeof line, "%02X=%c\n", b, static_cast<char>(c));
        }
      }
    }
    table.file_text += line;
  }
  return table;
}

std::vector<std::uint8_t> make_string(Rng& rng, const CharTable& table, std::size_t max_length) {
  std::string text = make_text(rng, draw_length(rng, max_length));
  if (table.line_break && text.size() > 24 && rng.percent(50)) {
    const std::size_t space = text.find(' ', text.size() / 2);
    if (space != std::string::npos && space + 1 < text.size()) text[space] = '\n';
  }
  std::vector<std::uint8_t> bytes;
  for (char c : text) {
    bytes.push_back(c == '\n'
                        ? *table.line_break
                        : static_cast<std::uint8_t>(table.code[static_cast<unsigned char>(c)]));
  }
  bytes.push_back(table.end_byte);
  return bytes;
}

std::string make_title(Rng& rng, std::size_t width) {
  std::string title;
  for (;;) {
    std::string word = rng.pick(kWords);
    word.erase(std::remove(word.begin(), word.end(), '\''), word.end());
    for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string piece = title.empty() ? word : " " + word;
    if (title.size() + piece.size() > width) break;
    title += piece;
  }
  title.resize(width, ' ');
  return title;
}

void fill_code(Rng& rng, std::span<std::uint8_t> out, Cpu cpu) {
  std::size_t pos = 0;
  while (pos < out.size()) {
    if (cpu == Cpu::arm) {
      const std::uint32_t word = arm_word(rng);
      for (unsigned i = 0; i < 4 && pos < out.size(); ++i) {
        out[pos++] = static_cast<std::uint8_t>(word >> (8 * i));
      }
      continue;
    }
    Op op = cpu == Cpu::sm83 ? rng.pick(kSm83Ops) : rng.pick(k6502Ops);
    if (cpu == Cpu::m65816 && rng.percent(25)) op = rng.pick(k65816Ops);
    const std::uint32_t operand = operand_value(rng, op.operand, cpu);
    const unsigned operand_bytes = op.operand == 0   ? 0
                                   : op.operand == 1 ? 1
                                   : op.operand == 4 ? 3
                                                     : 2;
    out[pos++] = op.opcode;
    for (unsigned i = 0; i < operand_bytes && pos < out.size(); ++i) {
      out[pos++] = static_cast<std::uint8_t>(operand >> (8 * i));
    }
  }
}

void fill_tiles(Rng& rng, std::span<std::uint8_t> out, const CharTable& table, bool two_planes,
                bool planar, bool text_like) {
  const std::vector<std::uint8_t> rows = tile_rows(table, text_like);
  const std::uint8_t blank = text_like ? table.end_byte : 0x00;
  const std::size_t tile_bytes = two_planes ? 16 : 8;
  for (std::size_t tile = 0; tile < out.size(); tile += tile_bytes) {
    std::uint8_t glyph[8];
    for (unsigned r = 0; r < 8; ++r) {
      const bool edge = r == 0 || r == 7;
      glyph[r] = rng.percent(edge ? 70 : 10) ? blank : rng.pick(rows);
    }
    const bool second_plane_copies = text_like || rng.percent(50);
    for (std::size_t i = 0; i < tile_bytes && tile + i < out.size(); ++i) {
      const std::size_t row = !two_planes ? i : planar ? i % 8 : i / 2;
      const bool second = two_planes && (planar ? i >= 8 : i % 2 == 1);
      out[tile + i] = second && !second_plane_copies ? std::uint8_t{0} : glyph[row];
    }
  }
}

void fill_filler(Rng& rng, std::span<std::uint8_t> out, const CharTable& table, Cpu cpu,
                 bool planar_tiles) {
  std::size_t pos = 0;
  while (pos < out.size()) {
    const std::uint64_t kind = rng.below(100);
    const std::size_t left = out.size() - pos;
    std::size_t length = std::min(left, rng.range(16, 2048));
    auto piece = out.subspan(pos, length);
    if (kind < 25) {
      for (auto& b : piece) b = rng.byte();
    } else if (kind < 65) {
      fill_code(rng, piece, cpu);
    } else if (kind < 80) {
      length = std::min(left, rng.range(8, 1024));
      piece = out.subspan(pos, length);
      std::fill(piece.begin(), piece.end(), rng.percent(50) ? 0x00 : 0xFF);
    } else {
      fill_tiles(rng, piece, table, rng.percent(60), planar_tiles, false);
    }
    pos += length;
  }
}

} // namespace textdump::testing
