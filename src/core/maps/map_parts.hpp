// What the platforms' files share: a value that fits a pointer's size, the
// bank a 16-bit pointer points into by default, the bank around an offset,
// hexadecimal digits, the forms of a typed position, and the sums and
// big-endian fields of the headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/maps/map_types.hpp"

namespace textdump::map_parts {

inline constexpr unsigned SIZES_2_3_4 = 1u << 2 | 1u << 3 | 1u << 4;

// The fields of a map whose 16-bit pointers may be given their bank.
inline constexpr std::string_view BANK_FIELD[] = {"bank"};

// The value when it fits the pointer's size.
std::optional<std::uint32_t> fitting(std::uint64_t value, unsigned size);

// The bank a 16-bit pointer points into: bank= when given, else the one of
// the bank_size pieces from first on that holds the pointer itself.
std::uint64_t own_bank(const MapFields& fields, std::uint64_t slot, std::uint64_t first,
                       std::uint64_t bank_size);

// The bank_size piece from first on that holds target; nothing before first.
std::optional<BankSpan> bank_around(std::uint64_t first, std::uint64_t bank_size,
                                    std::uint64_t target);

// value in hexadecimal, at least width digits.
std::string hex_digits(std::uint64_t value, std::size_t width);

// The bank of a typed position when it has one and its address fits 16 bits.
std::optional<std::uint32_t> banked(TypedPosition position);

// A file offset: the value itself, never a bank.
std::uint64_t plain_position(const MapFields&, const RomLayout& layout,
                              TypedPosition position);

// The sum of the ROM's bytes from, to - 1, which lie inside it; modulo 2^64,
// so that any narrower sum is its low bits.
std::uint64_t byte_sum(const RomView& rom, std::uint64_t from, std::uint64_t to);

// The low size bytes of value, the most significant first.
HeaderBytes big_endian(std::uint64_t value, unsigned size);

} // namespace textdump::map_parts
