// The script builder's own parts, shared by its two source files: the pieces a
// string is written in, the claims they make on the insertion table, and the
// builder that turns pointer tables into a script.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/script.hpp"
#include "core/text_encoder.hpp"

namespace textdump::scripting {

// The bytes [from, to) of the ROM as <$XX> raw bytes.
std::string raw_bytes(const RomView& rom, std::uint64_t from, std::uint64_t to);

// A table line of the insertion table that a piece of the script relies on.
struct Claim {
  char marker = 0; // 0 text, '/' end, '*' line break
  std::string key;
  std::string text;
};

// One piece of a string as the script writes it.
struct Item {
  std::uint64_t from = 0, to = 0;
  std::string text;
  std::optional<Claim> claim; // none for raw bytes
  std::size_t head = 0;       // the claimed part: text[0, head); the rest is raw
  bool line_end = false;      // the script line ends after it
  bool line_start = false;    // a script line begins with it (a segment's first item)
};

struct Found {
  ScriptPointer pointer;
  std::uint64_t target = 0;
};

inline bool has_control_characters(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

class Builder {
public:
  explicit Builder(const ScriptRequest& request)
      : request_(request), rom_(request.rom), table_(*request.table) {}

  Script build();

private:
  // next: where the next pointed-to string begins; NO_NEXT for the last one.
  static constexpr std::uint64_t NO_NEXT = ~std::uint64_t{0};
  // stop: the first pointer slot at or after target.
  std::uint64_t string_end(std::uint64_t target, std::uint64_t next, std::uint64_t stop,
                           bool& cut) const;
  // The first byte of a pointer slot at or after pos (pos itself inside one); NO_NEXT for none.
  std::uint64_t next_slot(std::uint64_t pos) const;
  // The // lines naming what lies between two blocks and stays as it is.
  std::string left_alone(std::uint64_t from, std::uint64_t to) const;
  // A run of the script as written and the bytes it stands for.
  struct Run {
    std::string text, bytes;
  };
  // Adds to the insertion table every text entry that leaves every run reading
  // as its bytes; the lines of the header naming those left out, and why.
  std::vector<std::string> complete_table(const std::vector<Run>& runs);
  std::vector<Item> decode(std::uint64_t from, std::uint64_t to) const;
  Item item_for(std::uint64_t pos, CodeTable::Match match, std::uint64_t limit) const;
  void settle(std::vector<Item>& items, std::uint64_t from, std::uint64_t to);
  void claim(const Claim& claim);
  bool owns(const Claim& claim) const;
  using ByTarget = std::map<std::uint64_t, std::vector<const Found*>>;
  using Names = std::map<std::pair<std::size_t, std::int64_t>, std::string>;
  void write_segment(ScriptString& piece, std::span<const Item> items, const ByTarget& by_target,
                     const Names& names, std::size_t& string_number, std::string& body);

  struct Slot {
    std::uint64_t from = 0, to = 0;
    std::size_t table = 0;
  };
  std::vector<Slot> slots_; // every pointer slot inside the ROM, by offset

  const ScriptRequest& request_;
  const RomView& rom_;
  const CodeTable& table_;
  std::unordered_map<std::string, std::string> claimed_; // text -> the key that owns it
  std::vector<Claim> claims_;                            // in the order first used
  TextEncoder encoder_;
  bool swapped_ = false; // #ENDIANSWAP("TRUE") is in force where the script has got to
  Script script_;
};

// The item's bytes as <$XX>: it claims no text.
void make_raw(Item& item, const RomView& rom);

} // namespace textdump::scripting
