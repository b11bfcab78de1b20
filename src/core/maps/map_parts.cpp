#include "core/maps/map_parts.hpp"

#include <numeric>

#include "core/base/base.hpp"

namespace textdump::map_parts {

std::optional<std::uint32_t> fitting(std::uint64_t value, unsigned size) {
  if (size < 4 && value >> (8 * size) != 0) return std::nullopt;
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::uint64_t own_bank(const MapFields& fields, std::uint64_t slot, std::uint64_t first,
                       std::uint64_t bank_size) {
  return fields.bank.value_or(slot >= first ? (slot - first) / bank_size : 0);
}

std::optional<BankSpan> bank_around(std::uint64_t first, std::uint64_t bank_size,
                                    std::uint64_t target) {
  if (target < first) return std::nullopt;
  const std::uint64_t from = first + (target - first) / bank_size * bank_size;
  return BankSpan{from, from + bank_size};
}

std::string hex_digits(std::uint64_t value, std::size_t width) {
  std::string digits = hex_number(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::optional<std::uint32_t> banked(TypedPosition position) {
  if (!position.bank || position.value > 0xFFFF) return std::nullopt;
  return position.bank;
}

std::uint64_t plain_position(const MapFields&, const RomLayout&, TypedPosition position) {
  return position.bank ? NO_OFFSET : position.value;
}

std::uint64_t byte_sum(const RomView& rom, std::uint64_t from, std::uint64_t to) {
  return std::accumulate(rom.data + from, rom.data + to, std::uint64_t{0});
}

HeaderBytes big_endian(std::uint64_t value, unsigned size) {
  HeaderBytes field{{}, size};
  for (unsigned i = 0; i < size; ++i)
    field.bytes[i] = static_cast<std::uint8_t>(value >> (8 * (size - 1 - i)));
  return field;
}

} // namespace textdump::map_parts
