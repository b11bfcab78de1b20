// Decoys: data that looks a little like a pointer table or like text, built so
// that none of it forms four consecutive pointers to string starts.
#include <algorithm>

#include "generator/rom_builder.hpp"

namespace textdump::testing {
namespace {

std::uint64_t value_mask(unsigned size) {
  return (std::uint64_t{1} << (8 * size)) - 1;
}

} // namespace

PointerFormat RomBuilder::decoy_format() {
  PointerFormat f{o_.pointer_size, o_.order, o_.stride, 0, std::nullopt, rng_.percent(30)};
  const std::vector<unsigned> sizes = valid_sizes();
  if (sizes.size() > 1 && rng_.percent(25)) {
    f.size = rng_.pick(sizes);
    f.stride = f.size + (rng_.percent(70) ? 0u : static_cast<unsigned>(rng_.range(1, 4)));
  }
  if (rng_.percent(15)) f.order = f.order == ByteOrder::le ? ByteOrder::be : ByteOrder::le;
  if (g_.map == AddressMap::linear && !planted_formats_.empty()) {
    f.base = rng_.pick(planted_formats_).format.base;
  }
  return f;
}

std::uint64_t RomBuilder::address_like(const PointerFormat& f, std::size_t at, ByteRange window) {
  for (unsigned tries = 0; tries < 16; ++tries) {
    const std::size_t offset = window.begin + rng_.below(window.end - window.begin);
    if (const auto value = encode_offset(g_, f, at, offset)) return *value;
  }
  return rng_.below(value_mask(f.size) + 1);
}

std::optional<RomBuilder::PlacedDecoy> RomBuilder::make_numbers(bool equal) {
  PointerFormat f = decoy_format();
  const std::size_t n = equal ? rng_.range(5, 32) : rng_.range(6, 40);
  const std::size_t length = n * f.stride;
  const auto at = layout_.place(rng_, length, data_range());
  if (!at) return std::nullopt;
  if (banked(f.size)) f.bank = default_bank(g_, *at);
  const ByteRange window = banked(f.size) ? bank_range(bank_of(g_, *at)) : data_range();
  const std::uint64_t mask = value_mask(f.size);

  std::uint64_t value = 0;
  std::uint64_t step = 0;
  bool varying = false;
  if (equal) {
    const std::uint64_t plain[] = {0, mask, mask >> 1, rng_.below(mask + 1)};
    value = rng_.percent(70) ? address_like(f, *at, window) : rng_.pick(plain);
  } else if (rng_.percent(60)) {
    value = address_like(f, *at, window);
    step = rng_.range(1, 0x300);
    varying = rng_.percent(50);
  } else {
    value = rng_.below(16);
    const std::uint64_t steps[] = {1, 2, 4, rng_.range(1, 16)};
    step = rng_.pick(steps);
  }
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t pos = *at + k * f.stride;
    for (;;) {
      const auto offset = decode_value(g_, f, *at, value);
      if (!offset || !is_start_[*offset]) break;
      value = (value + 1) & mask;
    }
    write_pointer(rom_, pos, value, f.size, f.order);
    for (std::size_t i = pos + f.size; i < pos + f.stride; ++i) rom_[i] = rng_.byte();
    if (!equal) value = (value + (varying ? rng_.range(1, 0x300) : step)) & mask;
  }
  own({*at, *at + length}, Owner::decoy);
  const DecoyKind kind = equal ? DecoyKind::equal_values : DecoyKind::ascending;
  return PlacedDecoy{{*at, length, kind}, {*at, *at + length}, f};
}

std::optional<RomBuilder::PlacedDecoy> RomBuilder::make_off_by_one() {
  PointerFormat f;
  std::vector<std::size_t> targets;
  if (!planted_formats_.empty() && rng_.percent(70)) {
    const std::size_t i = static_cast<std::size_t>(rng_.below(planted_.size()));
    f = planted_formats_[i].format;
    targets = planted_[i].targets;
  } else if (!blocks_.empty()) {
    const TextBlock& block = rng_.pick(blocks_);
    const std::size_t n = block.starts.size();
    const std::size_t k = rng_.range(std::min<std::size_t>(6, n), std::min<std::size_t>(40, n));
    const std::size_t first = static_cast<std::size_t>(rng_.below(n - k + 1));
    targets.assign(block.starts.begin() + static_cast<std::ptrdiff_t>(first),
                   block.starts.begin() + static_cast<std::ptrdiff_t>(first + k));
    f = decoy_format();
    if (g_.map == AddressMap::linear) {
      f.base = linear_base(f.size, targets.front(), targets.back());
    }
  } else {
    return std::nullopt;
  }
  const std::size_t length = targets.size() * f.stride;
  const ByteRange window = banked(f.size) ? bank_range(bank_of(g_, targets.front())) : data_range();
  const auto at = layout_.place(rng_, length, window);
  if (!at) return std::nullopt;
  f.bank = banked(f.size) ? std::optional(default_bank(g_, *at)) : std::nullopt;

  std::vector<std::uint64_t> values;
  for (const int delta : {rng_.percent(70) ? 1 : -1, 1}) {
    values.clear();
    for (std::size_t target : targets) {
      const auto value = encode_offset(g_, f, *at, target + static_cast<std::size_t>(delta));
      if (!value) break;
      values.push_back(*value);
    }
    if (values.size() == targets.size()) break;
  }
  if (values.size() != targets.size()) {
    layout_.give_back({*at, *at + length});
    return std::nullopt;
  }
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::size_t pos = *at + k * f.stride;
    write_pointer(rom_, pos, values[k], f.size, f.order);
    for (std::size_t i = pos + f.size; i < pos + f.stride; ++i) rom_[i] = rng_.byte();
  }
  own({*at, *at + length}, Owner::decoy);
  return PlacedDecoy{{*at, length, DecoyKind::off_by_one}, {*at, *at + length}, f};
}

std::optional<RomBuilder::PlacedDecoy> RomBuilder::make_two_entry() {
  if (blocks_.empty()) return std::nullopt;
  const TextBlock& block = rng_.pick(blocks_);
  if (block.starts.size() < 2) return std::nullopt;
  const std::size_t i = static_cast<std::size_t>(rng_.below(block.starts.size() - 1));
  const std::size_t targets[] = {block.starts[i], block.starts[i + 1]};
  PointerFormat f = decoy_format();
  if (g_.map == AddressMap::linear) f.base = linear_base(f.size, targets[0], targets[1]);
  const std::size_t length = 4 * f.stride; // a quiet slot, two pointers, a quiet slot
  const ByteRange window = banked(f.size) ? bank_range(bank_of(g_, targets[0])) : data_range();
  const auto begin = layout_.place(rng_, length, window);
  if (!begin) return std::nullopt;
  const std::size_t at = *begin + f.stride;
  if (banked(f.size)) f.bank = default_bank(g_, at);
  for (std::size_t k = 0; k < 2; ++k) {
    const auto value = encode_offset(g_, f, at, targets[k]);
    if (!value) {
      layout_.give_back({*begin, *begin + length});
      return std::nullopt;
    }
    const std::size_t pos = at + k * f.stride;
    write_pointer(rom_, pos, *value, f.size, f.order);
    for (std::size_t b = pos + f.size; b < pos + f.stride; ++b) rom_[b] = rng_.byte();
  }
  fill_quiet_slot(f, *begin);
  fill_quiet_slot(f, at + 2 * f.stride);
  own({*begin, *begin + length}, Owner::decoy);
  return PlacedDecoy{{at, 2 * f.stride, DecoyKind::two_entry}, {*begin, *begin + length}, f};
}

std::optional<RomBuilder::PlacedDecoy> RomBuilder::make_text_tiles() {
  const bool two_planes = rng_.percent(50);
  const std::size_t length = rng_.range(4, 48) * (two_planes ? 16 : 8);
  const auto at = layout_.place(rng_, length, data_range());
  if (!at) return std::nullopt;
  fill_tiles(rng_, std::span(rom_).subspan(*at, length), chars_, two_planes,
             g_.map == AddressMap::nes, true);
  own({*at, *at + length}, Owner::decoy);
  return PlacedDecoy{{*at, length, DecoyKind::text_tiles}, {*at, *at + length}, decoy_format()};
}

bool RomBuilder::quiet(const PlacedDecoy& d) const {
  std::vector<std::int64_t> bases = {0};
  if (g_.map == AddressMap::linear) {
    for (const PlantedFormat& p : planted_formats_) bases.push_back(p.format.base);
    bases.push_back(d.format.base);
  }
  for (unsigned size : valid_sizes()) {
    std::vector<unsigned> strides = {size};
    for (unsigned s : {d.format.stride, o_.stride}) {
      if (s > size && std::find(strides.begin(), strides.end(), s) == strides.end()) {
        strides.push_back(s);
      }
    }
    for (ByteOrder order : {ByteOrder::le, ByteOrder::be}) {
      for (unsigned stride : strides) {
        for (std::int64_t base : bases) {
          const PointerFormat f{size, order, stride, base, std::nullopt, false};
          for (std::size_t p = d.taken.begin; p < d.taken.end; ++p) {
            if (run_length(rom_, g_, f, p, is_start_) >= 4) return false;
          }
        }
      }
    }
  }
  return true;
}

void RomBuilder::add_decoys() {
  const std::size_t n = 2 + rng_.below(2 + std::min<std::size_t>(6, o_.rom_size / 0x80000));
  const DecoyKind kinds[] = {DecoyKind::ascending, DecoyKind::equal_values, DecoyKind::off_by_one,
                             DecoyKind::two_entry, DecoyKind::text_tiles};
  for (std::size_t i = 0; i < n; ++i) {
    const DecoyKind kind = rng_.pick(kinds);
    for (unsigned tries = 0; tries < 8; ++tries) {
      std::optional<PlacedDecoy> d;
      switch (kind) {
      case DecoyKind::ascending: d = make_numbers(false); break;
      case DecoyKind::equal_values: d = make_numbers(true); break;
      case DecoyKind::off_by_one: d = make_off_by_one(); break;
      case DecoyKind::two_entry: d = make_two_entry(); break;
      case DecoyKind::text_tiles: d = make_text_tiles(); break;
      }
      if (!d) continue;
      if (quiet(*d)) {
        decoys_.push_back(d->decoy);
        break;
      }
      layout_.give_back(d->taken);
      own(d->taken, Owner::filler);
    }
  }
}

} // namespace textdump::testing
