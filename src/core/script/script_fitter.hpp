// The fitter: a script dump read line by line as the inserter reads it, the
// state that reading keeps, the reports it makes and the plan of what it
// writes. script_fit.cpp reads the text, its strings and blocks;
// script_fit_commands.cpp the commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/script/script_fit_reading.hpp"
#include "core/script/script_types.hpp"

namespace textdump::fitting {

// Text lines with no command between them, and where each character stood.
struct Text {
  std::string chars;
  std::vector<std::size_t> line;   // of each character
  std::vector<std::size_t> column; // of each character
};

struct FitString {
  std::size_t line = 0; // where its text begins
  std::uint64_t bytes = 0;
  std::optional<std::uint64_t> original; // where the dumped string began, from its // line
  // How the inserter writes it: its length first in so many bytes (Pascal);
  // in exactly so many bytes (fixed), which it must keep when held.
  unsigned pascal = 0;
  std::uint64_t fixed = 0;
  bool held = false;
  std::optional<PlanLength> field; // where the held length lies, when the //LENGTH line says
  std::uint8_t pad = 0;            // of #FIXEDLENGTH
  bool big_endian = false;         // of its Pascal length
};

// A command as written: its name, its arguments (quotes kept, blanks around
// them dropped) and where it stands.
struct Command {
  std::string name;
  std::vector<std::string> args;
  std::size_t line = 0, column = 0;
};

class Fitter {
public:
  Fitter(std::string_view script, const FitTableReader& read_table, FitFor judged_for)
      : script_(script), read_table_(read_table), for_(judged_for) {}

  FitReport run();

private:
  void say(Severity severity, std::size_t line, std::size_t column, ReportId id,
           std::vector<std::string> args = {}) {
    report_.diagnostics.push_back({id, severity, line, column, std::move(args)});
  }
  void error(std::size_t line, std::size_t column, ReportId id,
             std::vector<std::string> args = {}) {
    say(Severity::error, line, column, id, std::move(args));
  }
  void error(std::size_t line, std::size_t column, Report why) {
    why.line = line;
    why.column = column;
    report_.diagnostics.push_back(std::move(why));
  }
  void error(const Command& c, ReportId id, std::vector<std::string> args = {}) {
    error(c.line, c.column, id, std::move(args));
  }
  void error(const Command& c, Report why) { error(c.line, c.column, std::move(why)); }

  // The text, strings and blocks (script_fit.cpp).
  //
  // Encodes the text gathered since the last command into the current string.
  void end_text();
  void begin_string(std::size_t line);
  // A pointer written for a Pascal or fixed string that has no text: the
  // inserter writes no string there, not even its length.
  void no_text_awaited();
  // The bytes a Pascal or fixed string takes; a fixed one that would be cut,
  // or whose held length would change, is an error.
  void finish_string(FitString& string);
  std::optional<TextEncoder::Step> read_step(const Text& text, std::size_t i);
  void typed_line_break(const Text& text, std::size_t i,
                        const std::optional<TextEncoder::Step>& step);
  bool closing_jump() const;
  void close_block();
  // The dump's own // lines say where each string began and how many bytes
  // the block's text held: what an edit made longer can be named.
  void comment(std::string_view line);
  // Each string that needs more bytes than it held when dumped, when the
  // strings after it start where the dump left them.
  void name_grown_strings();

  // The commands (script_fit_commands.cpp).
  void command(std::string_view line, std::size_t number, std::size_t at);
  void run_command(const Command& c);
  // Whether the command has low to high arguments; an error when not.
  bool want(const Command& c, std::size_t low, std::size_t high);
  std::optional<std::int64_t> number_of(const Command& c, const std::string& arg);
  // A number that is a file offset or a size: not negative.
  std::optional<std::uint64_t> offset_of(const Command& c, const std::string& arg);
  std::optional<AddressType> address_type(const Command& c, const std::string& arg);
  std::optional<std::string> quoted(const Command& c, const std::string& arg);
  // Whether arg names a variable of the kind (a table, or a pointer).
  bool variable(const Command& c, const std::string& arg, bool table);
  void declare_variable(const Command& c);
  void add_table(const Command& c);
  void activate_table(const Command& c);
  void create_pointer(const Command& c);
  void string_type(const Command& c);
  void pascal_length(const Command& c);
  void fixed_length(const Command& c);
  void string_align(const Command& c);
  void jump(const Command& c);
  void write_pointer(const Command& c);
  void endian_swap(const Command& c);
  // The bytes of the text gathered for the current block (and the string of
  // set length under way), from its start.
  void put(std::string_view bytes);
  // Where a string starts, the 00 bytes that bring it to the #STRINGALIGN multiple.
  void align_string();
  std::uint64_t position() const;

  std::string_view script_;
  const FitTableReader& read_table_;
  FitFor for_;
  FitReport report_;
  Text text_;
  std::map<std::string, bool> variables_; // name -> is a table
  std::map<std::string, std::shared_ptr<const FitTable>> tables_;
  std::map<std::string, PointerFormat> pointers_; // created
  std::int64_t header_ = 0;                       // #HDR
  AddressType plain_ = AddressType::linear;       // #SMA, for #W16, #W24, #W32
  bool swapped_ = false;                          // #ENDIANSWAP("TRUE")
  std::string whole_; // the bytes of the string of set length under way
  std::shared_ptr<const FitTable> table_;
  // The tables whose file could not be read, already reported: what uses them is not.
  std::set<std::string> unread_;
  bool unread_active_ = false;
  std::optional<FitBlock> block_;
  std::vector<FitString> strings_;
  bool string_break_ = false; // a pointer was written since the last text
  unsigned pascal_ = 0;       // the #PASCALLEN of #STRTYPE("PASCAL"); 0 for ENDTERM
  unsigned pascal_length_ = 1;
  std::uint64_t fixed_ = 0; // the #FIXEDLENGTH in force
  std::uint8_t pad_ = 0;
  std::uint64_t align_ = 1;   // the #STRINGALIGN in force
  bool string_start_ = false; // the next byte of text starts a string
  bool held_ = false; // a //LENGTH line names the next string's held length
  std::optional<PlanLength> field_; // and where it lies, when it says so
  // The line of a #WRITE whose Pascal or fixed string has no text yet, and where it began.
  std::optional<std::pair<std::size_t, std::optional<std::uint64_t>>> awaited_;
  std::optional<std::uint64_t> pointed_;      // the string start the last //POINTER line names
  std::optional<std::uint64_t> original_;     // of the string the last #WRITE points at
  std::optional<std::uint64_t> original_end_; // of the block's dumped text
  bool original_breaks_ = false; // the comment lines since the #WRITE hold a "\n" of the game's own
  std::optional<std::uint64_t> next_end_;     // of the next #JMP's block
};

} // namespace textdump::fitting
