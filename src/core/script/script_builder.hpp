// The script builder's own parts, shared by its source files (script.cpp and
// the script_*.cpp beside it but the fitter's): the pieces a string is written
// in, the claims they make on the insertion table, the strings, pieces and
// blocks of the layout, and the builder that turns pointer tables into a
// script, step by step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/script/script_types.hpp"
#include "core/tables/tables.hpp"

namespace textdump {
class SwitchWalker;
} // namespace textdump

namespace textdump::scripting {

// A table line of the insertion table that a piece of the script relies on.
struct Claim {
  char marker = 0; // 0 text, '/' end, '*' line break
  std::string key;
  std::string text;
};

// One piece of a string as the script writes it: a key and the text its entry
// claims (with the key's parameter bytes raw after it), or bytes written raw,
// as <$XX>. Its text is not held: Builder::append_text writes it from the ROM
// and the claim, so that a piece costs the same whatever it writes.
struct Item {
  std::uint64_t from = 0, to = 0;
  CodeTable::Index claim = 0; // the entry whose claim it writes; 0 for raw bytes
  bool line_end = false;      // the script line ends after it
  bool line_start = false;    // a script line begins with it (a segment's first item)
  bool switched = false;      // a switch and its frames: the // line shows them decoded
};

struct Found {
  ScriptPointer pointer;
  std::uint64_t target = 0;
  std::optional<std::uint32_t> length; // held beside the pointer
  std::uint64_t length_at = 0;         // where
};

// How a string is held in the ROM, so how the script writes it: its bytes
// [text_from, text_to) are its text.
struct Form {
  std::uint64_t text_from = 0, text_to = 0;
  std::uint64_t held_at = 0;
  std::uint32_t length = 0; // fixed: the bytes it takes
  enum class Kind : std::uint8_t { plain, pascal, fixed } kind = Kind::plain;
  std::uint8_t prefix = 0;  // pascal: the bytes of its length (1 to 4), before its text
  std::uint8_t pad = 0;     // fixed: the byte that fills it after its text
  bool held = false;        // fixed: its length lies beside its pointer, at held_at
  // fixed: the strings whose pad is the byte that ends most of them (0 those
  // of the pointer tables, then each range and each field of records).
  std::uint32_t pad_group = 0;
};

// A string written in place (of a range or a field of records): where it
// lies, its form, and whether it is written after the one before in its block.
struct InPlace {
  std::uint64_t start = 0, end = 0;
  Form form;
  bool joins = false;
};

// The strings of the script in address order, pointed to or of the range:
// where each begins and ends and its form, and every offset where a piece of
// the script begins or ends.
struct Strings {
  std::vector<std::uint64_t> starts, ends;
  std::vector<Form> forms;
  std::vector<std::uint64_t> bounds; // sorted, each once
};

// A piece of the script: the bytes between two bounds.
struct Piece {
  struct {
    std::uint64_t start = 0, end = 0;
  } segment; // a string of the script once it is written
  // Plain (0) unless it is a whole string of set length: Blocks::set_forms[form - 1].
  std::uint32_t form = 0;
  bool referenced = true;
  bool padding = false;
};

// A block being gathered: pieces [first, last).
struct Open {
  std::size_t first = 0, last = 0;
  std::optional<std::pair<std::uint64_t, std::uint64_t>> bank;
  std::vector<std::size_t> tables; // the pointer tables of its strings, sorted
  bool in_place = false;           // a string of the range: its room is its own bytes
};

// The pieces, gathered into blocks.
struct Blocks {
  std::vector<Piece> pieces;
  std::vector<Form> set_forms;
  std::vector<Open> blocks;

  // How the piece is written: its own form, or plain over its bytes.
  Form form_of(const Piece& piece) const {
    if (piece.form != 0) return set_forms[piece.form - 1];
    Form plain;
    plain.text_from = piece.segment.start;
    plain.text_to = piece.segment.end;
    return plain;
  }
};

// A label as a script line holds it: without the "\n"s that end it, which end
// the line instead.
inline std::string_view without_line_breaks(std::string_view label) {
  while (label.size() >= 2 && label.ends_with("\\n")) label.remove_suffix(2);
  return label;
}

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
  class ByTarget; // the pointers to each target
  // The steps of build, in order (script.cpp, script_layout.cpp, script_runs.cpp).
  //
  // Every pointer slot inside the ROM into slots_, and the pointers of each
  // table as read.
  std::vector<std::vector<PointerRead>> read_slots();
  // The pointers whose strings the script holds; the others are warnings.
  std::vector<Found> find_strings(const std::vector<std::vector<PointerRead>>& reads);
  // Where each string ends and its form, with the range's strings.
  Strings place_strings(const std::vector<Found>& found, const ByTarget& by_target);
  void add_range_strings(Strings& strings);
  // The strings written in place (script_in_place.cpp), in address order: of
  // the ranges, past the pointed-to strings (sorted by start, [start, end)
  // each), and of the records.
  std::vector<InPlace>
  in_place_strings(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pointed) const;
  // A range's strings by its rule, from pos to end.
  void range_strings(const InPlaceRange& range, std::uint32_t group,
                     const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pointed,
                     std::vector<InPlace>& out) const;
  void pascal_strings(const InPlaceRange& range, std::uint64_t end,
                      std::vector<InPlace>& out) const;
  void record_fields(const RecordFields& records, std::uint32_t group,
                     const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pointed,
                     std::vector<InPlace>& out) const;
  // Whether [from, to) holds a pointer slot or a byte of a pointed-to string.
  bool taken(std::uint64_t from, std::uint64_t to,
             const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pointed) const;
  // The #VAR and #CREATEPTR lines, and the name of each group of pointers.
  struct Declarations;
  Declarations declare_pointers(const std::vector<Found>& found) const;
  // The pieces between the bounds, gathered into blocks.
  Blocks gather_blocks(Strings strings, const ByTarget& by_target) const;
  void place_piece(Blocks& gathered, const ByTarget& by_target,
                   const RomLayout& layout) const;
  // The room of each block, into script_.blocks.
  void set_rooms(const Blocks& gathered);
  // The insertion table's claims in address order; whether each entry's claim stands.
  std::vector<bool> claim_texts(const Blocks& gathered);
  // The blocks as the script writes them, each run of text proven.
  struct Writing;
  void write_block(std::size_t b, Writing& writing);
  void write_run(std::size_t first, std::size_t last, Writing& writing);
  // The header: what the script holds and where, then its declarations.
  std::string header(const std::string& declarations, const std::vector<Report>& left_out) const;
  void write_insertion_table();

  // next: where the next pointed-to string begins; NO_NEXT for the last one.
  static constexpr std::uint64_t NO_NEXT = ~std::uint64_t{0};
  // stop: the first pointer slot at or after target.
  std::uint64_t string_end(const EndRule& rule, std::uint64_t target, std::uint64_t next,
                           std::uint64_t stop, bool& cut) const;
  // The form of the string at target, and where it ends (text_to), when it
  // has a set length (a length field beside its pointer, a Pascal length,
  // fixed:N); nothing when it ends by the end rule. A length that reaches
  // past stop or the ROM is a warning: a held one ends by the rule, a Pascal
  // one at stop, written plain.
  std::optional<Form> set_length(std::uint64_t target, std::span<const Found* const> pointers,
                                 std::uint64_t stop);
  // The fixed strings' pad: the byte that ends most of them; their texts end before it.
  void settle_pads(std::vector<Form>& forms) const;
  // The commands that put the form in force where the script has got to.
  std::string form_commands(const Form& form);
  std::string in_place_commands(const Form& form, std::uint64_t from);
  bool in_place(std::uint64_t start) const { return in_place_at(start) != nullptr; }
  // A string in place written after the one before, in its block.
  bool joins_before(std::uint64_t start) const {
    const std::pair<std::uint64_t, bool>* at = in_place_at(start);
    return at != nullptr && at->second;
  }
  const std::pair<std::uint64_t, bool>* in_place_at(std::uint64_t start) const {
    const auto it = std::lower_bound(in_place_.begin(), in_place_.end(), std::pair{start, false});
    return it != in_place_.end() && it->first == start ? &*it : nullptr;
  }
  // The first byte of a pointer slot at or after pos (pos itself inside one); NO_NEXT for none.
  std::uint64_t next_slot(std::uint64_t pos) const;
  // File offsets with the addresses of the request's address map beside them.
  std::string span_text(std::uint64_t from, std::uint64_t last) const;
  // A block's span, its room and the bytes it uses, as the script names them.
  std::string block_text(const ScriptBlock& block) const;
  std::string at_text(std::uint64_t offset) const;
  // The // lines naming what lies between two blocks and stays as it is.
  std::string left_alone(std::uint64_t from, std::uint64_t to) const;
  // The runs of the script as written, one after another, and the bytes each
  // stands for: run k is text[ends[k - 1], ends[k]) for ROM bytes [from, to).
  struct Runs {
    std::string text; // no run holds a line end: "\n" never joins two
    struct Run {
      std::size_t end = 0;
      std::uint64_t from = 0, to = 0;
    };
    std::vector<Run> runs;
  };
  // Adds to the insertion table every text entry that leaves every run reading
  // as its bytes; the notes of the header naming those left out, and why.
  std::vector<Report> complete_table(const Runs& runs);
  // Appends the items of [from, to) to items.
  void decode(std::uint64_t from, std::uint64_t to, std::vector<Item>& items) const;
  Item item_for(std::uint64_t pos, CodeTable::Match match, std::uint64_t limit) const;
  // Through switching tables (script_switches.cpp): the walker when the
  // table switches; a switch's item, up to where its frames end; the item as
  // the // line shows it.
  void start_switches();
  Item switched_item(Item item, CodeTable::Index index, std::uint64_t limit) const;
  void append_shown(std::string& original, std::string& shown, const Item& item) const;
  // The claim of every entry that can have one, by entry index.
  void make_claims();
  // An end entry in a string of set length: written raw, it ends no string.
  bool ends_no_string(const Form& form, const Item& item) const {
    return form.kind != Form::Kind::plain && item.claim != 0 &&
           table_.entry(item.claim).kind == EntryKind::end;
  }
  const Claim* claim_of(const Item& item) const {
    return item.claim != 0 ? &*entry_claims_[item.claim] : nullptr;
  }
  // The item's text, or count characters of it from offset, appended to text.
  void append_text(std::string& text, const Item& item, std::size_t offset = 0,
                   std::size_t count = std::string::npos) const;
  std::size_t text_size(const Item& item) const;
  void settle(std::vector<Item>& items, std::uint64_t from, std::uint64_t to);
  // settle's two parts: the items that begin lines reading as commands,
  // comments or blank lines made raw; then the steps of the inserter.
  void raw_line_starts(std::vector<Item>& items) const;
  std::string line_head(const std::vector<Item>& items, std::size_t k) const;
  void settle_steps(std::vector<Item>& items, std::uint64_t from, std::uint64_t to);
  // A place between two steps: a character of an item, and the ROM offset.
  struct Place {
    std::size_t item = 0, offset = 0;
    std::uint64_t byte = 0;
  };
  // The place count characters after at.
  Place advance(const std::vector<Item>& items, Place at, std::size_t count) const;
  // Whether a step from p can reach item k.
  bool reaches(const std::vector<Item>& items, const Place& p, std::size_t k) const;
  void claim(const Claim& claim);
  bool owns(const Claim& claim) const;
  // The pointers to each target, in the order they were read.
  class ByTarget {
  public:
    explicit ByTarget(const std::vector<Found>& found) {
      for (const Found& f : found) sorted_.push_back(&f);
      std::stable_sort(sorted_.begin(), sorted_.end(),
                       [](const Found* a, const Found* b) { return a->target < b->target; });
    }
    // None when nothing points at target.
    std::span<const Found* const> pointers_to(std::uint64_t target) const {
      const auto first =
          std::lower_bound(sorted_.begin(), sorted_.end(), target,
                           [](const Found* f, std::uint64_t t) { return f->target < t; });
      auto last = first;
      while (last != sorted_.end() && (*last)->target == target) ++last;
      return {sorted_.data() + (first - sorted_.begin()), static_cast<std::size_t>(last - first)};
    }

  private:
    std::vector<const Found*> sorted_;
  };
  using Names = std::map<std::pair<std::size_t, std::int64_t>, std::string>;
  struct Declarations {
    Names names; // by pointer table and what the inserter subtracts
    std::string text;
  };
  struct Writing {
    const Blocks& gathered;
    const std::vector<bool>& owned; // by entry: its claim stands
    const ByTarget& by_target;
    const Names& names;
    ChunkedText body;
    Runs runs;
    std::vector<Item> items; // the run being written
    std::size_t string_number = 0;
  };
  void write_segment(ScriptString& piece, const Form& form, std::span<const Item> items,
                     const ByTarget& by_target, const Names& names, std::size_t& string_number,
                     ChunkedText& body);

  struct Slot {
    std::uint64_t from = 0;
    std::uint32_t size = 0;  // its bytes
    std::uint32_t table = 0; // which pointer table of the request
    std::uint64_t to() const { return from + size; }
  };
  std::vector<Slot> slots_; // every pointer slot inside the ROM, by offset
  // Where each string written in place begins, and whether it joins the one before.
  std::vector<std::pair<std::uint64_t, bool>> in_place_;

  const ScriptRequest& request_;
  const RomView& rom_;
  const CodeTable& table_;
  std::vector<std::optional<Claim>> entry_claims_;       // by entry index
  std::unordered_map<std::string, std::string> claimed_; // text -> the key that owns it
  std::vector<Claim> claims_;                            // in the order first used
  TextEncoder encoder_;
  std::shared_ptr<SwitchWalker> switches_; // none when the table does not switch
  bool swapped_ = false; // #ENDIANSWAP("TRUE") is in force where the script has got to
  unsigned pascal_ = 0;  // #STRTYPE("PASCAL") with this #PASCALLEN is in force; 0 ENDTERM
  std::pair<std::uint32_t, std::uint8_t> fixed_{0, 0}; // the #FIXEDLENGTH in force
  Script script_;
};

// The file offsets a pointer of a banked map can reach from its target: the
// bank that holds it. Nothing for maps whose values run on through the ROM.
std::optional<std::pair<std::uint64_t, std::uint64_t>>
bank_of(const PointerTable& ptable, const RomLayout& layout, std::uint64_t target);

inline bool is_padding_byte(unsigned char byte) {
  return byte == 0x00 || byte == 0xFF;
}

// The item's bytes as <$XX>: it claims no text.
inline void make_raw(Item& item) {
  item.claim = 0;
}

} // namespace textdump::scripting
