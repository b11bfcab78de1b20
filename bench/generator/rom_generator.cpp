#include "generator/rom_generator.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "generator/rom_builder.hpp"

namespace textdump::testing {

std::string_view name_of(AddressMap map) {
  switch (map) {
  case AddressMap::linear: return "linear";
  case AddressMap::lorom: return "lorom";
  case AddressMap::hirom: return "hirom";
  case AddressMap::gb: return "gb";
  case AddressMap::nes: return "nes";
  case AddressMap::gba: return "gba";
  case AddressMap::md: return "md";
  }
  return "?";
}

std::string_view name_of(ByteOrder order) {
  return order == ByteOrder::le ? "le" : "be";
}

std::string_view name_of(DecoyKind kind) {
  switch (kind) {
  case DecoyKind::ascending: return "ascending";
  case DecoyKind::equal_values: return "equal_values";
  case DecoyKind::off_by_one: return "off_by_one";
  case DecoyKind::two_entry: return "two_entry";
  case DecoyKind::text_tiles: return "text_tiles";
  }
  return "?";
}

namespace {

void validate(const RomOptions& o) {
  const auto require = [](bool ok, const std::string& what) {
    if (!ok) throw std::invalid_argument("rom generator: " + what);
  };
  const std::size_t n = o.rom_size;
  const unsigned s = o.pointer_size;
  switch (o.map) {
  case AddressMap::linear:
    require(s >= 2 && s <= 4, "linear pointers are 2, 3 or 4 bytes");
    require(n >= 0x4000 && n <= 0x1000000, "a linear ROM has 16 KiB to 16 MiB");
    break;
  case AddressMap::lorom:
    require(s == 2 || s == 3, "lorom pointers are 2 or 3 bytes");
    require(n % 0x8000 == 0 && n >= 0x8000 && n <= 0x3F0000,
            "a lorom ROM is a multiple of 32 KiB up to 0x3F0000 bytes");
    break;
  case AddressMap::hirom:
    require(s == 2 || s == 3, "hirom pointers are 2 or 3 bytes");
    require(n % 0x10000 == 0 && n >= 0x10000 && n <= 0x400000,
            "a hirom ROM is a multiple of 64 KiB up to 4 MiB");
    break;
  case AddressMap::gb:
    require(s == 2 || s == 3, "gb pointers are 2 or 3 bytes");
    require(n >= 0x8000 && n <= 0x400000 && (n & (n - 1)) == 0,
            "a gb ROM is a power of two from 32 KiB to 4 MiB");
    break;
  case AddressMap::nes:
    require(s == 2, "nes pointers are 2 bytes");
    require(n % 0x4000 == 0 && n >= 0x4000 && n <= 255 * 0x4000,
            "the nes PRG data is 1 to 255 times 16 KiB");
    break;
  case AddressMap::gba:
  case AddressMap::md:
    require(o.map == AddressMap::md ? s == 3 || s == 4 : s == 4,
            "gba pointers are 4 bytes, md pointers 3 or 4");
    require(n >= 0x10000 && n <= 0x1000000, "a gba or md ROM has 64 KiB to 16 MiB");
    break;
  }
  require(!o.copier_header || o.map == AddressMap::lorom || o.map == AddressMap::hirom,
          "only lorom and hirom ROMs have a copier header");
  require(o.stride >= s && o.stride <= 64, "the stride is the pointer size to 64");
  require(!o.plant || (o.tables >= 1 && o.tables <= 64), "1 to 64 planted tables");
  require(!o.reverse_strings || o.strings == StringKind::length,
          "only length strings lie in reverse");
  require(!o.few_valued_column ||
              (o.stride > 2 * s && o.stride <= 32 && o.strings == StringKind::token),
          "a second column takes records of more than twice the pointer size, up to 32 bytes");
  require(!o.closing_null || (o.stride > s && o.strings == StringKind::token),
          "a closing null record takes records wider than a pointer");
  require(!o.fixed_bank || (s == 2 && ((o.map == AddressMap::nes && n > 0x8000) ||
                                       (o.map == AddressMap::gb && n >= 0x10000))),
          "a fixed bank takes 2-byte pointers of nes above 32 KiB or gb of four banks or more");
}

std::size_t draw_count(Rng& rng) {
  const std::uint64_t band = rng.below(100);
  if (band < 15) return rng.range(4, 7);
  if (band < 80) return rng.range(8, 64);
  return rng.range(65, 200);
}

} // namespace

RomOptions random_options(std::uint64_t seed, std::optional<AddressMap> map) {
  Rng rng(seed ^ 0x9E3779B97F4A7C15u);
  RomOptions o;
  o.seed = seed;
  const AddressMap maps[] = {AddressMap::linear, AddressMap::lorom, AddressMap::hirom,
                             AddressMap::gb, AddressMap::nes};
  o.map = map ? *map : rng.pick(maps);
  const bool snes = o.map == AddressMap::lorom || o.map == AddressMap::hirom;
  switch (o.map) {
  case AddressMap::linear: o.rom_size = std::size_t{0x10000} << rng.below(6); break;
  case AddressMap::lorom: o.rom_size = std::size_t{0x20000} << rng.below(5); break;
  case AddressMap::hirom: o.rom_size = std::size_t{0x40000} << rng.below(4); break;
  case AddressMap::gb: o.rom_size = std::size_t{0x8000} << rng.below(7); break;
  case AddressMap::nes: o.rom_size = std::size_t{0x4000} << rng.below(6); break;
  case AddressMap::gba:
  case AddressMap::md: o.rom_size = std::size_t{0x40000} << rng.below(4); break;
  }
  o.copier_header = snes && rng.percent(25);
  if (o.map == AddressMap::linear) {
    o.pointer_size = static_cast<unsigned>(rng.range(2, 4));
    o.order = rng.percent(50) ? ByteOrder::be : ByteOrder::le;
  } else if (o.map == AddressMap::gba || o.map == AddressMap::md) {
    o.pointer_size = 4;
    o.order = o.map == AddressMap::md ? ByteOrder::be : ByteOrder::le;
  } else {
    o.pointer_size = o.map != AddressMap::nes && rng.percent(30) ? 3 : 2;
    o.order = rng.percent(10) ? ByteOrder::be : ByteOrder::le;
    // Game Boy and NES code reads its pointers little-endian only.
    if (o.map == AddressMap::gb || o.map == AddressMap::nes) o.order = ByteOrder::le;
  }
  o.stride = o.pointer_size + (rng.percent(70) ? 0 : static_cast<unsigned>(rng.range(1, 6)));
  o.plant = rng.percent(90);
  const std::size_t most = std::clamp<std::size_t>(o.rom_size / 0x10000, 1, 8);
  o.tables = static_cast<unsigned>(rng.range(1, most));
  o.decoys = rng.percent(85);
  return o;
}

RomBuilder::RomBuilder(const RomOptions& options) : o_(options), rng_(options.seed) {
  validate(options);
  if (o_.map == AddressMap::nes) nes_ = draw_nes_choices(rng_, o_.rom_size);
  g_ = make_geometry(o_, nes_.trainer, nes_.chr_bytes);
  switch (o_.map) {
  case AddressMap::linear: cpu_ = rng_.percent(50) ? Cpu::arm : Cpu::m6502; break;
  case AddressMap::lorom:
  case AddressMap::hirom: cpu_ = Cpu::m65816; break;
  case AddressMap::gb: cpu_ = Cpu::sm83; break;
  case AddressMap::nes: cpu_ = Cpu::m6502; break;
  case AddressMap::gba: cpu_ = Cpu::arm; break;
  case AddressMap::md: cpu_ = Cpu::m65816; break;
  }
  chars_ = make_char_table(rng_);
  rom_.assign(g_.file_size, 0);
  owner_.assign(g_.file_size, Owner::filler);
  is_start_.assign(g_.file_size, false);
  for (const ByteRange& r : header_ranges(g_)) {
    layout_.take(r);
    own(r, Owner::header);
  }
}

std::size_t RomBuilder::bank_count() const {
  return (g_.data_end - g_.data_begin + g_.bank_size - 1) / g_.bank_size;
}

ByteRange RomBuilder::bank_range(std::size_t bank) const {
  const std::size_t begin = g_.data_begin + bank * g_.bank_size;
  return {begin, std::min(begin + g_.bank_size, g_.data_end)};
}

std::vector<unsigned> RomBuilder::valid_sizes() const {
  if (g_.map == AddressMap::linear) return {2, 3, 4};
  if (g_.map == AddressMap::md) return {3, 4};
  if (g_.map == AddressMap::gba) return {4};
  if (g_.map == AddressMap::nes) return {2};
  return {2, 3};
}

void RomBuilder::own(ByteRange r, Owner owner) {
  std::fill(owner_.begin() + static_cast<std::ptrdiff_t>(r.begin),
            owner_.begin() + static_cast<std::ptrdiff_t>(r.end), owner);
}

bool RomBuilder::hits(const PointerFormat& f, std::size_t pos) const {
  if (pos + f.size > rom_.size()) return false;
  const auto offset = decode_value(g_, f, pos, read_pointer(rom_, pos, f.size, f.order));
  return offset && is_start_[*offset];
}

void RomBuilder::fill_quiet_slot(const PointerFormat& f, std::size_t pos) {
  PointerFormat own_bank = f;
  own_bank.bank.reset();
  for (unsigned tries = 0;; ++tries) {
    for (std::size_t i = pos; i < pos + f.stride; ++i) rom_[i] = tries < 64 ? rng_.byte() : 0;
    if (tries >= 64 || (!hits(f, pos) && !hits(own_bank, pos))) return;
  }
}

std::vector<std::vector<std::uint8_t>> RomBuilder::make_strings(std::size_t n) {
  std::vector<std::vector<std::uint8_t>> strings;
  for (std::size_t i = 0; i < n; ++i) strings.push_back(make_string(rng_, chars_, 60));
  return strings;
}

std::optional<TextBlock>
RomBuilder::place_block(const std::vector<std::vector<std::uint8_t>>& strings, std::size_t padding,
                        ByteRange window) {
  std::size_t length = padding;
  for (const auto& s : strings) length += s.size();
  const auto at = layout_.place(rng_, length, window);
  if (!at) return std::nullopt;
  TextBlock block{{*at, *at + length}, {}};
  std::size_t pos = *at + padding;
  for (const auto& s : strings) {
    block.starts.push_back(pos);
    pos += s.size();
  }
  return block;
}

void RomBuilder::release_block(const TextBlock& block) {
  layout_.give_back(block.range);
}

void RomBuilder::write_block(const TextBlock& block,
                             const std::vector<std::vector<std::uint8_t>>& strings,
                             std::size_t padding) {
  const std::uint8_t pads[] = {0x00, 0xFF, chars_.end_byte};
  std::fill_n(rom_.begin() + static_cast<std::ptrdiff_t>(block.range.begin), padding,
              rng_.pick(pads));
  for (std::size_t i = 0; i < strings.size(); ++i) {
    std::copy(strings[i].begin(), strings[i].end(),
              rom_.begin() + static_cast<std::ptrdiff_t>(block.starts[i]));
    is_start_[block.starts[i]] = strings[i].size() > 1; // an empty string is no start
  }
  own(block.range, Owner::text);
  blocks_.push_back(block);
}

std::int64_t RomBuilder::linear_base(unsigned size, std::size_t low, std::size_t high) {
  const auto end = static_cast<std::int64_t>(g_.data_end);
  if (size == 4) {
    const std::uint64_t choice = rng_.below(10);
    if (choice < 4) return -0x08000000;
    if (choice < 7) return 0;
    return -static_cast<std::int64_t>(rng_.range(1, 0xF00) << 20);
  }
  if (size == 3) {
    const std::int64_t room = (0x1000000 - end) >> 16;
    if (room < 1 || rng_.percent(50)) return 0;
    return -static_cast<std::int64_t>(rng_.range(1, static_cast<std::size_t>(room)) << 16);
  }
  // 16-bit: every target within 0xFFFF above the base, the base a multiple of 16 when it can be.
  const std::int64_t lo = static_cast<std::int64_t>(high) - 0xFFFF;
  const std::int64_t hi = static_cast<std::int64_t>(low);
  const std::int64_t lo16 = lo >= 0 ? (lo + 15) / 16 * 16 : -((-lo) / 16 * 16);
  const std::int64_t hi16 = hi / 16 * 16;
  if (lo16 > hi16) return hi;
  return lo16 + 16 * static_cast<std::int64_t>(
                         rng_.below(static_cast<std::uint64_t>((hi16 - lo16) / 16) + 1));
}

void RomBuilder::plant_table(std::size_t index) {
  const unsigned size = o_.pointer_size;
  const bool lengths = o_.strings == StringKind::length;
  const bool in_order = o_.strings != StringKind::token;
  // Length entries: the length, the pointer, and in some tables more bytes of a record.
  const unsigned stride =
      lengths ? size + 2 + (rng_.percent(40) ? static_cast<unsigned>(rng_.range(1, 10)) : 0)
              : o_.stride;
  // Length strings: the entries before and after the table have a length of 0.
  // A closing null record lies between the last entry and the slot after.
  const std::size_t quiet = (lengths ? 3u : 2u) + (o_.closing_null ? 1u : 0u);
  const bool fixed = o_.fixed_bank;
  std::size_t count = draw_count(rng_);
  const std::size_t extra = rng_.percent(20) ? rng_.range(1, 5) : 0;
  auto strings_all = make_strings(count + extra);
  for (std::vector<std::uint8_t>& s : strings_all) {
    if (!in_order) break;
    s.pop_back(); // the end byte
    if (o_.strings == StringKind::pascal)
      s.insert(s.begin(), static_cast<std::uint8_t>(std::min<std::size_t>(s.size(), 0xFF)));
  }
  // Empty strings: an end byte right after the string before, never two in a row.
  if (o_.empty_strings && !in_order)
    for (std::size_t i = 1 + rng_.below(3); i < strings_all.size(); i += 2 + rng_.below(8))
      strings_all[i] = {chars_.end_byte};
  const std::size_t padding = rng_.percent(30) ? rng_.range(1, 64) : 0;

  std::optional<TextBlock> block;
  std::size_t table_begin = 0; // the quiet slot before the first pointer
  std::vector<std::vector<std::uint8_t>> strings;
  std::size_t distinct = 0, text_bank = 0;
  for (unsigned attempt = 0; attempt < 64 && !block; ++attempt) {
    if (attempt > 0 && attempt % 8 == 0) count = std::max<std::size_t>(4, count * 2 / 3);
    const std::size_t duplicates =
        !in_order && count >= 8 && rng_.percent(12) ? rng_.range(1, count / 8) : 0;
    distinct = count - duplicates;
    strings.assign(strings_all.begin(),
                   strings_all.begin() + static_cast<std::ptrdiff_t>(distinct + extra));
    // A fixed bank's tables: nes the last bank, gb bank 0; their strings in another.
    const std::size_t fixed_bank = g_.map == AddressMap::nes ? bank_count() - 1 : 0;
    text_bank = !fixed                      ? rng_.below(bank_count())
                : g_.map == AddressMap::nes ? rng_.below(bank_count() - 1)
                                            : rng_.range(2, bank_count() - 1);
    const ByteRange window = bank_range(text_bank);
    block = place_block(strings, padding, window);
    if (!block) continue;
    const ByteRange table_window = fixed          ? bank_range(fixed_bank)
                                   : banked(size) ? window
                                                  : data_range();
    const auto at = layout_.place(rng_, (count + quiet) * stride, table_window);
    if (!at) {
      release_block(*block);
      block.reset();
      continue;
    }
    table_begin = *at;
  }
  if (!block) {
    throw std::runtime_error("rom generator: no room for pointer table " +
                             std::to_string(index + 1));
  }
  write_block(*block, strings, padding);

  // Which string each pointer leads to: in order, sometimes with repeats, sometimes shuffled.
  std::vector<std::size_t> order(distinct);
  for (std::size_t i = 0; i < distinct; ++i) order[i] = i;
  while (order.size() < count) {
    const std::size_t pos = rng_.range(1, order.size());
    const std::size_t copy = rng_.percent(50) ? order[pos - 1] : order[rng_.below(order.size())];
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(pos), copy);
  }
  if (in_order) {
    if (o_.reverse_strings) std::reverse(order.begin(), order.end());
  } else if (rng_.percent(12)) {
    rng_.shuffle(order);
  } else if (rng_.percent(15)) {
    for (std::size_t swaps = rng_.range(1, 3); swaps > 0; --swaps) {
      std::swap(order[rng_.below(count)], order[rng_.below(count)]);
    }
  }

  PlantedTable t;
  t.map = g_.map;
  t.size = size;
  t.order = o_.order;
  t.stride = stride;
  t.at = table_begin + stride;
  t.count = count;
  t.strings = o_.strings;
  t.offset = lengths ? 2 : 0;
  t.reverse = o_.reverse_strings;
  for (std::size_t i : order) t.targets.push_back(block->starts[i]);
  PointerFormat f{size, o_.order, stride, 0, std::nullopt, rng_.percent(30)};
  if (g_.map == AddressMap::linear) {
    const auto [low, high] = std::minmax_element(t.targets.begin(), t.targets.end());
    f.base = linear_base(size, *low, *high);
    t.base = f.base;
  } else if (banked(size)) {
    f.bank = fixed ? static_cast<std::uint32_t>(text_bank) : default_bank(g_, t.at);
    t.bank = f.bank;
    if (fixed) t.into_bank = f.bank;
  }
  // A second column: its byte in the record, the few strings it leads to.
  std::optional<unsigned> column;
  std::vector<std::size_t> few;
  if (o_.few_valued_column) {
    // Never half the record on: the two columns would read as one table at half the stride.
    column = size + static_cast<unsigned>(rng_.range(0, stride - 2 * size - 1));
    if (2 * *column >= stride) ++*column;
    std::vector<std::size_t> starts = block->starts;
    rng_.shuffle(starts);
    starts.resize(std::min<std::size_t>(starts.size(), rng_.range(3, 5)));
    few = std::move(starts);
    t.column_at = t.at + *column;
  }
  // Null entries: never the first or the last, never two in a row.
  std::vector<bool> null(count, false);
  if (o_.null_entries && count >= 5)
    for (std::size_t k = 1 + rng_.below(count - 2); k + 1 < count; k += 2 + rng_.below(count))
      null[k] = true;
  PlantedFormat planted{f, t.at + t.offset, count, {}, lengths};
  if (lengths) {
    fill_quiet_slot(f, planted.at - stride);
    fill_quiet_slot(f, planted.at + count * stride);
    write_pointer(rom_, t.at - stride, 0, 2, f.order);
    write_pointer(rom_, t.at + count * stride, 0, 2, f.order);
  }
  std::vector<std::size_t> targets;
  for (std::size_t k = 0; k < count; ++k) {
    if (lengths) {
      const std::size_t entry = t.at + k * stride;
      write_pointer(rom_, entry, strings[order[k]].size(), 2, f.order);
    }
    const std::size_t pos = planted.at + k * stride;
    const auto value =
        null[k] ? std::optional<std::uint64_t>(0) : encode_offset(g_, f, t.at, t.targets[k]);
    if (!value) throw std::logic_error("rom generator: a planted target has no pointer value");
    write_pointer(rom_, pos, *value, size, f.order);
    const std::size_t record_end = t.at + (k + 1) * stride;
    for (std::size_t i = pos + size; i < record_end; ++i) rom_[i] = rng_.byte();
    if (column) {
      const std::size_t target = few[k < 2 ? k : rng_.below(few.size())];
      write_pointer(rom_, t.at + k * stride + *column, *encode_offset(g_, f, t.at, target), size,
                    f.order);
    }
    planted.targets.push_back(null[k] ? std::nullopt : std::optional(t.targets[k]));
    if (!null[k]) targets.push_back(t.targets[k]);
  }
  if (o_.closing_null) {
    std::fill_n(rom_.begin() + static_cast<std::ptrdiff_t>(t.at + count * stride), stride, 0);
    planted.targets.push_back(std::nullopt);
    ++planted.count;
    ++t.count;
  }
  t.null_entries = t.count - targets.size();
  t.targets = std::move(targets);
  own({table_begin, table_begin + (count + quiet) * stride}, Owner::table);
  planted_.push_back(t);
  planted_formats_.push_back(std::move(planted));
}

void RomBuilder::add_text_blocks() {
  const std::size_t blocks = 1 + rng_.below(2 + std::min<std::size_t>(6, o_.rom_size / 0x80000));
  for (std::size_t b = 0; b < blocks; ++b) {
    const auto strings = make_strings(rng_.range(4, 60));
    const std::size_t padding = rng_.percent(30) ? rng_.range(1, 64) : 0;
    const ByteRange window = bank_range(static_cast<std::size_t>(rng_.below(bank_count())));
    if (const auto block = place_block(strings, padding, window))
      write_block(*block, strings, padding);
  }
}

void RomBuilder::fill_free_space() {
  for (const ByteRange& r : layout_.free_ranges({0, g_.file_size})) {
    if (o_.dense_text) {
      for (std::size_t i = r.begin; i < r.end; ++i) rom_[i] = rng_.byte();
      continue;
    }
    fill_filler(rng_, std::span(rom_).subspan(r.begin, r.end - r.begin), chars_, cpu_,
                g_.map == AddressMap::nes);
  }
}

void RomBuilder::pad_banks() {
  const std::vector<ByteRange> free = layout_.free_ranges({0, g_.file_size});
  for (std::size_t b = 0; b < bank_count(); ++b) {
    const ByteRange bank = bank_range(b);
    // The bank's last free bytes (its end, unless text or a table ends it).
    const auto tail = std::find_if(free.rbegin(), free.rend(), [&](const ByteRange& r) {
      return r.end <= bank.end && r.begin >= bank.begin && r.end - r.begin >= 64;
    });
    if (tail == free.rend()) continue;
    const std::size_t bytes = std::min(tail->end - tail->begin, rng_.range(256, 2048));
    const std::uint8_t fill = b % 2 == 1 || b + 1 == bank_count() ? 0xFF : 0x00;
    std::fill_n(rom_.begin() + static_cast<std::ptrdiff_t>(tail->end - bytes), bytes, fill);
  }
}

GeneratedRom RomBuilder::build() {
  if (o_.plant) {
    for (std::size_t i = 0; i < o_.tables; ++i) plant_table(i);
  }
  add_text_blocks();
  if (o_.dense_text) {
    const auto strings = make_strings(1500);
    if (const auto block = place_block(strings, 0, data_range())) write_block(*block, strings, 0);
  }
  for (const PlantedFormat& p : planted_formats_) {
    if (p.lengths) continue; // filled when planted
    fill_quiet_slot(p.format, p.at - p.format.stride);
    fill_quiet_slot(p.format, p.at + p.count * p.format.stride);
  }
  if (o_.decoys) add_decoys();
  fill_free_space();
  if (o_.padded_banks) pad_banks();
  write_headers(rng_, rom_, g_, o_, nes_, chars_);
  scan_strays(true);
  write_checksums(rom_, g_);
  verify();

  GeneratedRom out;
  out.stray_runs = scan_strays(false);
  out.rom = std::move(rom_);
  out.table_text = chars_.file_text;
  out.end_byte = chars_.end_byte;
  out.tables = std::move(planted_);
  std::sort(out.tables.begin(), out.tables.end(),
            [](const PlantedTable& a, const PlantedTable& b) { return a.at < b.at; });
  out.decoys = std::move(decoys_);
  std::sort(out.decoys.begin(), out.decoys.end(),
            [](const Decoy& a, const Decoy& b) { return a.offset < b.offset; });
  for (const TextBlock& b : blocks_) {
    out.string_starts.insert(out.string_starts.end(), b.starts.begin(), b.starts.end());
  }
  std::sort(out.string_starts.begin(), out.string_starts.end());
  return out;
}

GeneratedRom generate_rom(const RomOptions& options) {
  return RomBuilder(options).build();
}

} // namespace textdump::testing
