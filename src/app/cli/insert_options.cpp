// The options of the usage's group "Fit and insert options", declared once:
// what --insert writes beside the ROM (--patch), how it grows the ROM
// (--expand), where moved strings go (--free, --fill, --share), what --fit
// judges for (--for), and the text box both check (--box, --widths,
// --line-break, --page).
#include <charconv>
#include <cstdint>
#include <utility>

#include "app/cli/option_readers.hpp"
#include "core/base/base.hpp"

namespace textdump::cli {

namespace {

using enum Mode;

// "--expand 4M": a size in bytes, in decimal or in hex after 0x or $, or a
// decimal number of KiB or MiB ("512K", "512KiB", "4M", "4MiB").
std::variant<std::uint64_t, Message> parse_size(std::string_view value) {
  const Message bad{MessageId::usage_bad_size, {"--expand", printable(value)}};
  std::string_view digits = without_hex_prefix(value);
  const bool hex = digits.size() != value.size();
  unsigned shift = 0;
  for (const auto& [suffix, bits] : {std::pair<std::string_view, unsigned>{"KiB", 10}, {"K", 10},
                                     {"MiB", 20}, {"M", 20}})
    if (!hex && shift == 0 && digits.ends_with(suffix)) {
      digits.remove_suffix(suffix.size());
      shift = bits;
    }
  std::uint64_t n = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), n, hex ? 16 : 10);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || n == 0 ||
      n > (std::uint64_t{1} << 40) >> shift)
    return bad;
  return n << shift;
}

} // namespace

std::vector<OptionDeclaration> insert_options() {
  return {
      {"--patch", "FILE", {insert}, {INSERT},
       "a patch from ROM to OUT too, in the format FILE's\nname ends in: .bps, .ips, .ups",
       kept(&OptionValues::patch)},
      {"--expand", "SIZE", {insert}, {INSERT},
       "grow the ROM to SIZE bytes first (\"4M\", \"512K\",\n"
       "0x400000): GBA, Mega Drive, Game Boy with a\n"
       "bank controller, or a ROM of no known header;\n"
       "the new bytes take the byte its end is padded\n"
       "with (00 or FF) and the header's size fields\n"
       "and checksums are kept right",
       parsed_by<std::uint64_t>(parse_size,
                                [](OptionValues& values, std::uint64_t&& n, std::string_view) {
                                  values.expand = n;
                                })},
      {"--free", "RANGES|auto", {fit, insert}, {INSERT},
       "strings that do not fit their block move into free\nspace their pointers reach: START-END[,...]\n"
       "(offsets, or the platform's addresses for --insert),\nor auto: the ROM's free runs (a guess; see --survey)",
       kept(&OptionValues::free)},
      {"--fill", "00|FF", {insert}, {INSERT},
       "the byte --free auto takes as free (default: the\nbyte the ROM's end is padded with)",
       [](OptionValues& values, std::string_view fill) -> std::optional<Message> {
         if (fill != "00" && fill != "FF" && fill != "ff")
           return Message{MessageId::usage_fill, {printable(fill)}};
         values.fill = fill == "00" ? std::uint8_t{0x00} : std::uint8_t{0xFF};
         return std::nullopt;
       }},
      {"--share", "", {fit, insert}, {INSERT},
       "strings of equal bytes stored once, one that ends\nanother pointed into it (not fixed or held strings)",
       [](OptionValues& values, std::string_view) -> std::optional<Message> {
         values.share = true;
         return std::nullopt;
       }},
      {"--for", "insert|atlas", {fit}, {INSERT},
       "--fit judges for --insert (default), which rewrites\nthe length fields //LENGTH lines name, or for the\nAtlas inserter, which keeps them",
       [](OptionValues& values, std::string_view judged) -> std::optional<Message> {
         if (judged != "insert" && judged != "atlas")
           return Message{MessageId::usage_fit_for, {printable(judged)}};
         values.judged_for = judged == "insert" ? FitFor::insert : FitFor::atlas;
         return std::nullopt;
       }},
      {"--box", "COLUMNS[xLINES]", {fit, insert, export_strings}, {INSERT},
       "the text box: characters a line (pixels with\n--widths) and lines a page; every line and page\n"
       "past it is an error. Without it, a line wider\nthan its block's widest original is a warning",
       parsed_by<std::pair<std::uint32_t, std::uint32_t>>(
           parse_box, [](OptionValues& values, std::pair<std::uint32_t, std::uint32_t>&& box,
                         std::string_view) {
             values.box.width = box.first;
             values.box.lines = box.second;
           })},
      {"--widths", "FILE", {fit, insert, export_strings}, {INSERT},
       "each table text's width in pixels, a TEXT=WIDTH\nline each; labels and raw bytes not in it are 0",
       [](OptionValues& values, std::string_view file) -> std::optional<Message> {
         values.box.widths = std::string(file);
         return std::nullopt;
       }},
      {"--line-break", "TEXT", {fit, insert}, {INSERT},
       "a table text that ends a line of the box, beside\nthe table's line breaks; may be repeated",
       [](OptionValues& values, std::string_view text) -> std::optional<Message> {
         values.box.line_breaks.emplace_back(text);
         return std::nullopt;
       },
       true},
      {"--page", "TEXT", {fit, insert}, {INSERT},
       "a table text that ends a page of the box, beside\nthe waits; may be repeated",
       [](OptionValues& values, std::string_view text) -> std::optional<Message> {
         values.box.pages.emplace_back(text);
         return std::nullopt;
       },
       true},
  };
}

} // namespace textdump::cli
