#include "core/maps/pointer_table.hpp"

#include <algorithm>
#include <utility>

#include "core/base/base.hpp"
#include "core/maps/map_address.hpp"

namespace textdump {

namespace {

// The fields a --pointers argument gives, beside the values read into the table.
struct Given {
  bool at = false, count = false, size = false, stride = false, order = false, offset = false;
  std::vector<std::string_view> map_fields; // to check against the table's map
};

// The report on a field: the field as given first, then more when there is.
Report wrong(std::string_view field, ReportId id, std::string more = {}) {
  Report report = error_report(id, {std::string(field)});
  if (!more.empty()) report.args.push_back(std::move(more));
  return report;
}

// A decimal value from least to most.
std::optional<std::uint32_t> decimal_in(std::string_view value, std::uint32_t least,
                                        std::uint32_t most) {
  const auto v = decimal_field(value);
  if (!v || *v < least || *v > most) return std::nullopt;
  return v;
}

// length=O:S
std::optional<LengthField> length_field(std::string_view value) {
  const std::size_t colon = value.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto at = decimal_in(value.substr(0, colon), 0, 65535);
  const auto size = decimal_in(value.substr(colon + 1), 1, 4);
  if (!at || !size) return std::nullopt;
  return LengthField{*at, *size};
}

// A field of the table's own, or of its map.
std::optional<Report> read_field(std::string_view field, PointerTable& ptable, Given& given) {
  const std::size_t equals = field.find('=');
  if (equals == std::string_view::npos) return wrong(field, ReportId::pointer_field_form);
  const std::string_view key = field.substr(0, equals), value = field.substr(equals + 1);
  // Sets target from v and marks the field given; the report when v is none.
  const auto take = [&](const auto& v, auto& target, bool& seen, ReportId id) {
    if (!v) return std::optional<Report>(wrong(field, id));
    target = *v;
    seen = true;
    return std::optional<Report>();
  };
  if (key == "at")
    return take(parse_position(value), ptable.typed_at, given.at, ReportId::pointer_at);
  if (key == "count")
    return take(decimal_in(value, 1, MAX_POINTERS), ptable.count, given.count,
                ReportId::pointer_count);
  if (key == "size")
    return take(decimal_in(value, 2, 4), ptable.size, given.size, ReportId::pointer_size);
  if (key == "stride")
    return take(decimal_in(value, 1, 65536), ptable.stride, given.stride, ReportId::pointer_stride);
  if (key == "offset")
    return take(decimal_in(value, 0, 65535), ptable.offset, given.offset, ReportId::pointer_offset);
  if (key == "length") {
    ptable.length = length_field(value);
    return ptable.length ? std::nullopt : std::optional(wrong(field, ReportId::pointer_length));
  }
  if (key == "order") {
    const bool le = value == "le";
    if (!le && value != "be") return wrong(field, ReportId::pointer_order);
    ptable.order = le ? ByteOrder::le : ByteOrder::be;
    given.order = true;
    return std::nullopt;
  }
  if (key == "map") {
    const MapDescriptor* map = find_map(value);
    if (map == nullptr) return wrong(field, ReportId::pointer_map, map_names(", ", " or "));
    ptable.map = map->id;
    return std::nullopt;
  }
  if (key == "null") {
    const auto v = hex_field(value);
    if (!v && value != "none") return wrong(field, ReportId::pointer_null);
    ptable.null = v;
    return std::nullopt;
  }
  const auto names = map_field_names();
  if (std::find(names.begin(), names.end(), key) == names.end()) {
    std::string known;
    for (const std::string_view name : names)
      known += (known.empty() ? "" : ", ") + std::string(name);
    return wrong(field, ReportId::pointer_unknown_field, known);
  }
  if (const auto why = parse_map_field(key, value, ptable))
    return wrong(field, why->id == ReportId::map_base       ? ReportId::pointer_base
                        : why->id == ReportId::map_banksize ? ReportId::pointer_banksize
                                                            : ReportId::pointer_value);
  given.map_fields.push_back(key);
  return std::nullopt;
}

// The defaults of the fields not given, and what the fields given say of each other.
std::optional<Report> complete_table(PointerTable& ptable, const Given& given) {
  if (!given.at) return error_report(ReportId::pointers_at_required);
  if (!given.count) return error_report(ReportId::pointers_count_required);
  const MapDescriptor& map = map_of(ptable.map);
  if (!given.size) ptable.size = map.default_size;
  if (!given.order) ptable.order = map.default_order;
  if (!given.stride) ptable.stride = std::max(ptable.size, entry_span(ptable));
  if (given.offset && ptable.offset + ptable.size > ptable.stride)
    return error_report(ReportId::pointers_offset_past);
  if (const auto& length = ptable.length) {
    if (length->at + length->size > ptable.stride)
      return error_report(ReportId::pointers_length_past);
    if (length->at < ptable.offset + ptable.size && ptable.offset < length->at + length->size)
      return error_report(ReportId::pointers_length_overlap);
  }
  if (!map.takes_size(ptable.size)) return error_report(map.sizes_refused);
  return std::nullopt;
}

// at= as a file offset, or kept as typed when the map reads it as an address.
std::optional<Report> place_at(PointerTable& ptable) {
  const MapDescriptor& map = map_of(ptable.map);
  // A file offset is at itself; an address is placed once the ROM is known.
  const RomLayout any_rom{~std::uint64_t{0}, 0, true, 16, 0};
  const std::uint64_t probe = map.position_offset(ptable, any_rom, *ptable.typed_at);
  if (!ptable.typed_at->bank && probe == ptable.typed_at->value) {
    ptable.at = ptable.typed_at->value;
    ptable.typed_at.reset();
  } else if (probe == NO_OFFSET) {
    return error_report(ReportId::pointers_at_not_position, {std::string(map.name)});
  }
  return std::nullopt;
}

// A map field given that the table's map does not take.
std::optional<Report> foreign_map_field(const PointerTable& ptable, const Given& given) {
  const MapDescriptor& map = map_of(ptable.map);
  for (const std::string_view field : given.map_fields) {
    if (map.takes_field(field)) continue;
    std::string takes;
    for (const std::string_view own : map.fields)
      takes += (takes.empty() ? "" : ", ") + std::string(own) + "=";
    return error_report(takes.empty() ? ReportId::pointers_map_field
                                      : ReportId::pointers_map_field_only,
                        {std::string(map.name), std::string(field), takes});
  }
  return std::nullopt;
}

} // namespace

std::variant<PointerTable, Report> parse_pointer_table(std::string_view text) {
  PointerTable ptable;
  Given given;
  const std::vector<std::string_view> fields = comma_fields(text);
  if (const auto twice = repeated_field(fields, '='))
    return wrong(*twice, ReportId::pointer_repeated);
  for (const std::string_view field : fields)
    if (auto report = read_field(field, ptable, given)) return std::move(*report);
  if (auto report = complete_table(ptable, given)) return std::move(*report);
  if (auto report = place_at(ptable)) return std::move(*report);
  if (auto report = foreign_map_field(ptable, given)) return std::move(*report);
  return ptable;
}

bool place_pointer_table(PointerTable& ptable, const RomLayout& layout) {
  if (!ptable.typed_at) return true;
  const std::uint64_t offset =
      position_offset(map_of(ptable.map), layout, *ptable.typed_at, ptable);
  if (offset == NO_OFFSET) return false;
  ptable.at = static_cast<std::uint32_t>(offset);
  ptable.typed_at.reset();
  return true;
}

std::string pointers_argument(const PointerTable& ptable) {
  const MapDescriptor& map = map_of(ptable.map);
  std::string at = hex_number(ptable.at);
  if (ptable.typed_at)
    at = (ptable.typed_at->bank ? hex_number(*ptable.typed_at->bank) + ":" : "") +
         hex_number(ptable.typed_at->value);
  std::string text = "at=" + at + ",count=" + std::to_string(ptable.count);
  if (ptable.size != map.default_size) text += ",size=" + std::to_string(ptable.size);
  if (ptable.stride != ptable.size) text += ",stride=" + std::to_string(ptable.stride);
  if (ptable.offset != 0) text += ",offset=" + std::to_string(ptable.offset);
  if (ptable.length)
    text +=
        ",length=" + std::to_string(ptable.length->at) + ":" + std::to_string(ptable.length->size);
  if (ptable.order != map.default_order)
    text += ",order=" + std::string(ptable.order == ByteOrder::be ? "be" : "le");
  if (ptable.map != AddressMap::linear) text += ",map=" + std::string(map.name);
  if (ptable.base != 0)
    text += ",base=" + std::string(ptable.base < 0 ? "-" : "") +
            hex_number(static_cast<std::uint64_t>(ptable.base < 0 ? -ptable.base : ptable.base));
  if (ptable.bank) text += ",bank=" + hex_number(*ptable.bank);
  if (ptable.window != 0x8000) text += ",window=" + hex_number(ptable.window);
  if (ptable.banksize) text += ",banksize=" + hex_number(*ptable.banksize);
  if (ptable.null != std::optional<std::uint32_t>(0))
    text += ",null=" + (ptable.null ? hex_number(*ptable.null) : std::string("none"));
  return text;
}

std::vector<PointerRead> read_pointers(const PointerTable& ptable, const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  std::vector<PointerRead> pointers(ptable.count);
  for (std::uint32_t i = 0; i < ptable.count; ++i) {
    PointerRead& pointer = pointers[i];
    pointer.index = i;
    const std::uint64_t entry = std::uint64_t{ptable.at} + std::uint64_t{i} * ptable.stride;
    pointer.slot = entry + ptable.offset;
    if (ptable.length)
      pointer.length =
          read_pointer_value(rom, entry + ptable.length->at, ptable.length->size, ptable.order);
    const std::optional<std::uint32_t> value =
        read_pointer_value(rom, pointer.slot, ptable.size, ptable.order);
    pointer.inside = value.has_value();
    if (!pointer.inside) continue;
    pointer.value = *value;
    pointer.target = map_pointer(ptable, layout, pointer.value, pointer.slot);
  }
  return pointers;
}

unsigned entry_span(const PointerTable& ptable) {
  const unsigned pointer = ptable.offset + ptable.size;
  return ptable.length ? std::max(pointer, ptable.length->at + ptable.length->size) : pointer;
}

std::uint64_t pointers_that_fit(const PointerTable& ptable, std::uint64_t rom_size) {
  const unsigned span = entry_span(ptable);
  if (std::uint64_t{ptable.at} + span > rom_size) return 0;
  return (rom_size - ptable.at - span) / ptable.stride + 1;
}

namespace {

// The bytes an entry's pointer and length field take, one after the other.
struct Fields {
  const PointerTable& table;
  std::uint32_t entry = 0;
  unsigned field = 0; // 0 the first of the entry's fields, 1 the second

  bool done() const { return entry >= table.count; }
  bool pointer() const { return span().first == slot(); }
  std::uint64_t slot() const {
    return std::uint64_t{table.at} + std::uint64_t{entry} * table.stride + table.offset;
  }
  std::pair<std::uint64_t, std::uint64_t> span() const {
    std::pair<unsigned, unsigned> own{table.offset, table.size};
    if (table.length) {
      std::pair<unsigned, unsigned> length{table.length->at, table.length->size};
      if (length.first < own.first) std::swap(own, length);
      if (field == 1) own = length;
    }
    const std::uint64_t from = std::uint64_t{table.at} + std::uint64_t{entry} * table.stride;
    return {from + own.first, from + own.first + own.second};
  }
  void next() {
    if (table.length && field == 0) {
      field = 1;
    } else {
      field = 0;
      ++entry;
    }
  }
};

} // namespace

std::optional<std::uint64_t> shared_slot_byte(const PointerTable& a, const PointerTable& b) {
  // Each table's fields lie in order; the one that starts first is passed
  // once the other's next field starts at or after its end.
  // A pointer both read alike, in the same bytes, is one pointer given twice:
  // both write it the same.
  const bool alike = a.size == b.size && a.order == b.order && a.map == b.map &&
                     static_cast<const MapFields&>(a) == static_cast<const MapFields&>(b);
  Fields x{a}, y{b};
  while (!x.done() && !y.done()) {
    const auto [xf, xt] = x.span();
    const auto [yf, yt] = y.span();
    const bool same = alike && xf == yf && x.pointer() && y.pointer();
    if (xf < yt && yf < xt && !same) return std::max(xf, yf);
    if (xt <= yt) x.next();
    else y.next();
  }
  return std::nullopt;
}

} // namespace textdump
