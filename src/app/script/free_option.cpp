#include "app/script/free_option.hpp"

#include <numeric>

#include "app/common/messages.hpp"

namespace textdump {

std::optional<FreeOption> parse_free(std::string_view text) {
  FreeOption free;
  if (text == "auto") {
    free.automatic = true;
    return free;
  }
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string_view range = text.substr(from, comma - from);
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const auto first = parse_position(range.substr(0, dash)),
               last = parse_position(range.substr(dash + 1));
    if (!first || !last) return std::nullopt;
    free.ranges.emplace_back(*first, *last);
    from = comma + 1;
  }
  return free;
}

std::optional<std::vector<FreeRange>> free_ranges(const FreeOption& free, const InsertPlan& plan,
                                                  const std::string* rom,
                                                  std::optional<std::uint8_t> fill) {
  const RomView view =
      rom != nullptr ? RomView{reinterpret_cast<const unsigned char*>(rom->data()), rom->size()}
                     : RomView{};
  if (free.automatic) {
    if (rom == nullptr) return std::nullopt;
    return auto_free_space(plan, view, fill);
  }
  const MapDescriptor* platform = rom != nullptr ? platform_map(view) : nullptr;
  const MapDescriptor& map = platform != nullptr ? *platform : map_of(AddressMap::linear);
  const RomLayout layout = layout_of(view);
  std::vector<FreeRange> ranges;
  const auto offset = [&](const TypedPosition& typed) {
    if (rom != nullptr) return position_offset(map, layout, typed);
    return typed.bank ? NO_OFFSET : std::uint64_t{typed.value};
  };
  for (const auto& [first, last] : free.ranges) {
    const std::uint64_t a = offset(first), b = offset(last);
    if (a == NO_OFFSET || b == NO_OFFSET || b < a || (rom != nullptr && b >= rom->size()))
      return std::nullopt;
    ranges.push_back({a, b + 1});
  }
  return ranges;
}

BankOf platform_banks(const std::string& rom) {
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  const MapDescriptor* platform = platform_map(view);
  if (platform == nullptr) return {};
  return [platform, layout = layout_of(view)](std::uint64_t target) -> std::optional<FreeRange> {
    const std::optional<BankSpan> bank = platform->bank_span(MapFields{}, layout, 2, target);
    if (!bank) return std::nullopt;
    return FreeRange{bank->from, bank->to};
  };
}

std::string placement_lines(const Placement& placement, bool free_given) {
  std::string lines;
  for (const MovedString& m : placement.moved)
    lines += message_line({m.shared ? MessageId::insert_shared : MessageId::insert_moved,
                           {std::to_string(m.line), std::to_string(m.bytes),
                            std::to_string(m.block_line), hex_number(m.to)}});
  if (placement.shared_bytes != 0)
    lines +=
        message_line({MessageId::insert_share_saved, {std::to_string(placement.shared_bytes)}});
  if (free_given && (placement.changed || !placement.left.empty())) { // placement ran
    const std::uint64_t left =
        std::accumulate(placement.left.begin(), placement.left.end(), std::uint64_t{0},
                        [](std::uint64_t sum, const FreeRange& r) { return sum + r.end - r.at; });
    lines += message_line({MessageId::insert_free_left,
                           {std::to_string(left), std::to_string(placement.left.size())}});
  }
  return lines;
}

} // namespace textdump
