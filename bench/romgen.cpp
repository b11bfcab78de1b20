// romgen: writes one generated test ROM and its character table, and prints
// one line for the ROM, each planted table, each decoy and each stray run.
//
//   romgen OUT [--seed N] [--map linear|lorom|hirom|gb|nes|gba|md] [--size N] [--copier]
//              [--pointer 2|3|4] [--order le|be] [--stride N] [--tables N]
//              [--no-plant] [--no-decoys] [--nulls] [--empty] [--dense]
//              [--pascal | --lengths [--reverse]] [--column] [--closing] [--fixed-bank]
//   romgen OUT --text [--seed N] [--size N] [--width 1|2] [--order le|be] [--no-gaps]
//              [--script latin|hiragana|katakana] [--kana gojuon|gojuon-full|iroha]
//              [--family plain|capitals-apart|unmatched-word|letter-out-of-order|two-byte-letter]
//              [--no-plant]
//
// --text makes a ROM for the relative search (OUT.bin): text in a random
// encoding, its true table (OUT.tbl, a standard table), and one line for each
// word to search for, with where it was planted (a word that matches nowhere
// says so); letter-out-of-order writes the font's order file too (OUT.order).
//
// The options not given are drawn from the seed. Numbers take a 0x prefix for
// hexadecimal. The ROM goes to OUT.bin, .sfc, .gb or .nes, the table to OUT.tbl.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "generator/rom_generator.hpp"
#include "generator/rom_text_encodings.hpp"

namespace {

using namespace textdump::testing;

constexpr const char* kUsage =
    "usage: romgen OUT [--seed N] [--map linear|lorom|hirom|gb|nes|gba|md] [--size N]\n"
    "                  [--copier] [--pointer 2|3|4] [--order le|be] [--stride N] [--tables N]\n"
    "                  [--no-plant] [--no-decoys] [--nulls] [--empty] [--dense]\n"
    "                  [--pascal | --lengths [--reverse]] [--column] [--closing]\n"
    "                  [--fixed-bank]\n"
    "       romgen OUT --text [--seed N] [--size N] [--width 1|2] [--order le|be] [--no-gaps]\n"
    "                  [--script latin|hiragana|katakana] [--kana gojuon|gojuon-full|iroha]\n"
    "                  [--family plain|capitals-apart|unmatched-word|letter-out-of-order|\n"
    "                            two-byte-letter] [--no-plant]\n";

std::optional<AddressMap> parse_map(std::string_view name) {
  for (AddressMap m : {AddressMap::linear, AddressMap::lorom, AddressMap::hirom, AddressMap::gb,
                       AddressMap::nes, AddressMap::gba, AddressMap::md}) {
    if (name == name_of(m)) return m;
  }
  return std::nullopt;
}

std::string hex(std::size_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%zX", value);
  return text;
}

std::string extension(const RomOptions& o) {
  switch (o.map) {
  case AddressMap::lorom:
  case AddressMap::hirom: return o.copier_header ? ".smc" : ".sfc";
  case AddressMap::gb: return ".gb";
  case AddressMap::nes: return ".nes";
  case AddressMap::gba: return ".gba";
  case AddressMap::md: return ".md";
  case AddressMap::linear: break;
  }
  return ".bin";
}

std::string describe(const PlantedTable& t) {
  std::string line = "table at=" + hex(t.at) + " count=" + std::to_string(t.count) +
                     " size=" + std::to_string(t.size) + " order=" + std::string(name_of(t.order)) +
                     " stride=" + std::to_string(t.stride) + " map=" + std::string(name_of(t.map));
  if (t.base)
    line += " base=" + (*t.base < 0 ? "-" + hex(static_cast<std::size_t>(-*t.base))
                                    : hex(static_cast<std::size_t>(*t.base)));
  if (t.bank) line += " bank=" + hex(*t.bank);
  if (t.null_entries != 0) line += " null_entries=" + std::to_string(t.null_entries);
  if (t.strings == StringKind::pascal) line += " pascal=1";
  if (t.strings == StringKind::length) line += " offset=2 length=0:2";
  if (t.reverse) line += " reverse";
  if (t.column_at) line += " column=" + hex(*t.column_at);
  if (t.into_bank) line += " into_bank=" + hex(*t.into_bank);
  line += " targets=";
  for (std::size_t i = 0; i < t.targets.size(); ++i) line += (i ? "," : "") + hex(t.targets[i]);
  return line;
}

bool write_file(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int run_text(const std::vector<std::string_view>& args) {
  const std::string out(args[0]);
  std::uint64_t seed = 0;
  TextFamily family = TextFamily::plain;
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--seed") seed = std::stoull(std::string(args[i + 1]), nullptr, 0);
    for (const TextFamily f : TEXT_FAMILIES)
      if (args[i] == "--family" && args[i + 1] == name_of(f)) family = f;
  }
  TextRomOptions o = random_text_options(seed, family);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--text") continue;
    if (a == "--no-gaps")
      o.gaps = false;
    else if (a == "--no-plant")
      o.plant = false;
    else if (!has_value) {
      std::fputs(kUsage, stderr);
      return 2;
    } else if (a == "--seed" || a == "--family")
      ++i;
    else if (a == "--size")
      o.rom_size = std::stoull(std::string(args[++i]), nullptr, 0);
    else if (a == "--width")
      o.width = static_cast<unsigned>(std::stoul(std::string(args[++i])));
    else if (a == "--order")
      o.order = args[++i] == "be" ? ByteOrder::be : ByteOrder::le;
    else if (a == "--script") {
      const std::string_view name = args[++i];
      o.script = name == "hiragana"   ? TextScript::hiragana
                 : name == "katakana" ? TextScript::katakana
                                      : TextScript::latin;
    } else if (a == "--kana") {
      const std::string_view name = args[++i];
      o.kana = name == "iroha"         ? KanaOrder::iroha
               : name == "gojuon-full" ? KanaOrder::gojuon_full
                                       : KanaOrder::gojuon;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const TextRom rom = generate_text_rom(o);
  if (!write_file(out + ".bin", rom.rom.data(), rom.rom.size()) ||
      !write_file(out + ".tbl", rom.table_text.data(), rom.table_text.size()) ||
      (!rom.order_text.empty() &&
       !write_file(out + ".order", rom.order_text.data(), rom.order_text.size()))) {
    std::fprintf(stderr, "romgen: cannot write %s.bin\n", out.c_str());
    return 1;
  }
  std::printf("rom file=%s.bin seed=%llu size=%s width=%u order=%s gaps=%s script=%s kana=%s%s%s\n",
              out.c_str(), static_cast<unsigned long long>(o.seed), hex(o.rom_size).c_str(),
              o.width, std::string(name_of(o.order)).c_str(), o.gaps ? "yes" : "no",
              std::string(name_of(o.script)).c_str(), std::string(name_of(o.kana)).c_str(),
              o.family == TextFamily::plain ? "" : " family=",
              o.family == TextFamily::plain ? "" : std::string(name_of(o.family)).c_str());
  for (const auto& [run, base] : rom.bases)
    std::printf("base %s=%s\n", run.c_str(), hex(base).c_str());
  for (const PlantedWord& w : rom.words) {
    std::string at;
    for (const std::size_t offset : w.offsets) at += (at.empty() ? "" : ",") + hex(offset);
    std::printf("word %s at=%s%s\n", w.word.c_str(), at.empty() ? "none" : at.c_str(),
                w.matches ? "" : " unmatched");
  }
  return 0;
}

int run(const std::vector<std::string_view>& args) {
  if (args.empty() || args[0].starts_with("--")) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  for (const std::string_view a : args)
    if (a == "--text") return run_text(args);
  const std::string out(args[0]);
  std::uint64_t seed = 0;
  std::optional<AddressMap> map;
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--seed") seed = std::stoull(std::string(args[i + 1]), nullptr, 0);
    if (args[i] == "--map" && !(map = parse_map(args[i + 1]))) {
      std::fprintf(stderr, "romgen: unknown map %.*s\n", static_cast<int>(args[i + 1].size()),
                   args[i + 1].data());
      return 2;
    }
  }
  RomOptions o = random_options(seed, map);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const bool has_value = i + 1 < args.size();
    const auto number = [&] { return std::stoull(std::string(args[++i]), nullptr, 0); };
    // The options without a value: each sets its field so.
    const struct {
      std::string_view name;
      bool RomOptions::*field;
      bool value;
    } flags[] = {
        {"--copier", &RomOptions::copier_header, true},
        {"--no-plant", &RomOptions::plant, false},
        {"--no-decoys", &RomOptions::decoys, false},
        {"--nulls", &RomOptions::null_entries, true},
        {"--empty", &RomOptions::empty_strings, true},
        {"--dense", &RomOptions::dense_text, true},
        {"--reverse", &RomOptions::reverse_strings, true},
        {"--column", &RomOptions::few_valued_column, true},
        {"--closing", &RomOptions::closing_null, true},
        {"--fixed-bank", &RomOptions::fixed_bank, true},
    };
    const auto flag = std::find_if(std::begin(flags), std::end(flags),
                                   [&](const auto& f) { return f.name == a; });
    if (flag != std::end(flags))
      o.*(flag->field) = flag->value;
    else if (a == "--pascal")
      o.strings = StringKind::pascal;
    else if (a == "--lengths")
      o.strings = StringKind::length;
    else if (!has_value) {
      std::fputs(kUsage, stderr);
      return 2;
    } else if (a == "--seed" || a == "--map")
      ++i;
    else if (a == "--size")
      o.rom_size = number();
    else if (a == "--pointer") {
      const unsigned size = static_cast<unsigned>(number());
      if (o.stride == o.pointer_size || o.stride < size) o.stride = size;
      o.pointer_size = size;
    } else if (a == "--order")
      o.order = args[++i] == "be" ? ByteOrder::be : ByteOrder::le;
    else if (a == "--stride")
      o.stride = static_cast<unsigned>(number());
    else if (a == "--tables")
      o.tables = static_cast<unsigned>(number());
    else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  const GeneratedRom rom = generate_rom(o);
  const std::string rom_path = out + extension(o);
  if (!write_file(rom_path, rom.rom.data(), rom.rom.size()) ||
      !write_file(out + ".tbl", rom.table_text.data(), rom.table_text.size())) {
    std::fprintf(stderr, "romgen: cannot write %s\n", rom_path.c_str());
    return 1;
  }
  std::printf("rom file=%s seed=%llu map=%s size=%s file_size=%s copier=%s end=%02X strings=%zu\n",
              rom_path.c_str(), static_cast<unsigned long long>(o.seed),
              std::string(name_of(o.map)).c_str(), hex(o.rom_size).c_str(),
              hex(rom.rom.size()).c_str(), o.copier_header ? "yes" : "no", rom.end_byte,
              rom.string_starts.size());
  for (const PlantedTable& t : rom.tables) std::printf("%s\n", describe(t).c_str());
  for (const Decoy& d : rom.decoys) {
    std::printf("decoy at=%s length=%s kind=%s\n", hex(d.offset).c_str(), hex(d.length).c_str(),
                std::string(name_of(d.kind)).c_str());
  }
  for (const StrayRun& s : rom.stray_runs) {
    std::printf("stray at=%s count=%zu size=%u order=%s stride=%u%s\n", hex(s.at).c_str(), s.count,
                s.size, std::string(name_of(s.order)).c_str(), s.stride,
                s.base ? (" base=" + std::to_string(*s.base)).c_str() : "");
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string_view>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "romgen: %s\n", e.what());
    return 1;
  }
}
