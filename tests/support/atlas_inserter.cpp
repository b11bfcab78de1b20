#include "support/atlas_inserter.hpp"

#include "support/atlas_table.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

namespace textdump::testing {
namespace {

// What failed; the caller puts the line in front.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr auto npos = std::string_view::npos;

bool is_lower_hex(char c) {
  return c >= 'a' && c <= 'f';
}

// The byte of a five-character raw form: <$XX> or ($XX) with upper-case
// digits, or <$xx> all in lower case whose low digit is a-f (the lookup's
// lower-case forms: <$4a> and <$ab>, not <$Ab> nor <$a5>).
std::optional<char> raw_form(std::string_view s) {
  const bool angle = s[0] == '<' && s[4] == '>', round = s[0] == '(' && s[4] == ')';
  const auto upper = [](char c) { return hex_digit(c) >= 0 && !is_lower_hex(c); };
  const auto lower = [](char c) { return (c >= '0' && c <= '9') || is_lower_hex(c); };
  if ((!angle && !round) || s[1] != '$') return std::nullopt;
  const bool upper_case = upper(s[2]) && upper(s[3]);
  const bool lower_case = angle && lower(s[2]) && is_lower_hex(s[3]);
  if (!upper_case && !lower_case) return std::nullopt;
  return static_cast<char>(hex_digit(s[2]) * 16 + hex_digit(s[3]));
}

enum class AddressType { linear, lorom00, lorom80, hirom, gb };

struct Pointer {
  AddressType type = AddressType::linear;
  std::int64_t header = 0;
  std::int64_t offsetting = 0;
  int bits = 16;
};

// The characters of text lines with no command between them, and the script
// line of each.
// How strings are written where a run stands.
struct StringType {
  int pascal_bytes = 0; // #STRTYPE("PASCAL") with #PASCALLEN; 0 for ENDTERM
  int pascal_length = 1;
  std::int64_t fixed = 0; // #FIXEDLENGTH: the bytes of every string; 0 off
  char pad = 0;
  bool big_endian = false;
};
struct TextRun {
  std::shared_ptr<const AtlasTable> table;
  std::string text;
  std::vector<int> line;
  StringType type;
};
struct Jump {
  std::int64_t start = 0;
  std::optional<std::int64_t> end; // the last offset text may fill
};
struct PointerWrite {
  Pointer pointer;
  std::int64_t at = 0;
  bool big_endian = false; // #ENDIANSWAP("TRUE") in force
};
using Op = std::variant<TextRun, Jump, PointerWrite>;

struct Variable {
  bool is_table = false;
  std::shared_ptr<const AtlasTable> table;
  std::optional<Pointer> pointer;
};

// A number: "$" and upper-case hex, or decimal; either may carry a "-".
std::int64_t parse_number(std::string_view s) {
  const std::string shown(s);
  const bool hex = !s.empty() && s[0] == '$';
  if (hex) s.remove_prefix(1);
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty()) throw Failure("bad number '" + shown + "'");
  if (!hex && negative && s.size() == 1)
    throw Failure("single-digit negative decimal '" + shown + "' is misread");
  std::int64_t value = 0;
  for (const char c : s) {
    if (hex && is_lower_hex(c)) throw Failure("lower-case hex in '" + shown + "'");
    const int digit = hex ? hex_digit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (digit < 0 || value > (std::int64_t{1} << 40)) throw Failure("bad number '" + shown + "'");
    value = value * (hex ? 16 : 10) + digit;
  }
  return negative ? -value : value;
}

std::int64_t parse_address(std::string_view s) {
  const std::int64_t value = parse_number(s);
  if (value < 0) throw Failure("negative address '" + std::string(s) + "'");
  return value;
}

void check_name(std::string_view name) {
  const std::string shown = "variable name '" + std::string(name) + "'";
  const auto word_char = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  };
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])) ||
      !std::all_of(name.begin(), name.end(), word_char))
    throw Failure("bad " + shown);
  if (std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw Failure(shown + " reads as a number");
  if (name.find_first_of("Kk") != npos) throw Failure(shown + " contains the letter K");
}

std::string unquote(std::string_view s) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"')
    throw Failure("expected a quoted string, got '" + std::string(s) + "'");
  return std::string(s.substr(1, s.size() - 2));
}

AddressType address_type(std::string_view quoted) {
  static const std::map<std::string, AddressType, std::less<>> types = {
      {"LINEAR", AddressType::linear},
      {"LOROM00", AddressType::lorom00},
      {"LOROM80", AddressType::lorom80},
      {"HIROM", AddressType::hirom},
      {"GB", AddressType::gb}};
  const std::string name = unquote(quoted);
  const auto it = types.find(name);
  if (it == types.end()) throw Failure("unknown address type '" + name + "'");
  return it->second;
}

// The arguments between a command's parentheses, split at commas outside quotes and trimmed.
std::vector<std::string_view> split_arguments(std::string_view s) {
  std::vector<std::string_view> args;
  if (s.find_first_not_of(" \t") == npos) return args;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && s[i] == '"') quoted = !quoted;
    if (i < s.size() && (quoted || s[i] != ',')) continue;
    std::string_view arg = s.substr(start, i - start);
    const std::size_t first = arg.find_first_not_of(" \t");
    arg = first == npos ? std::string_view()
                        : arg.substr(first, arg.find_last_not_of(" \t") - first + 1);
    args.push_back(arg);
    start = i + 1;
  }
  return args;
}

class Parser {
public:
  explicit Parser(const TableReader& read_table) : read_table_(read_table) {}

  std::vector<Op> parse(std::string_view script) {
    int number = 0;
    for (const std::string_view line : split_lines(script)) {
      ++number;
      try {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != npos && line[first] == '#') {
          end_text();
          command(line.substr(first));
        } else if (!line.empty() && line.substr(first == npos ? 0 : first, 2) != "//") {
          text(line, number);
        }
      } catch (const Failure& f) {
        throw Failure("line " + std::to_string(number) + ": " + f.what());
      }
    }
    end_text();
    return std::move(ops_);
  }

private:
  void end_text() {
    if (text_) ops_.emplace_back(std::move(*text_));
    text_.reset();
  }

  void text(std::string_view line, int number) {
    if (!active_) throw Failure("text with no active table");
    if (!text_) text_ = TextRun{active_, {}, {}, type_};
    text_->text += line;
    text_->line.insert(text_->line.end(), line.size(), number);
  }

  Variable& variable(std::string_view name, bool is_table) {
    const auto it = variables_.find(name);
    if (it == variables_.end()) throw Failure("undeclared variable '" + std::string(name) + "'");
    if (it->second.is_table != is_table)
      throw Failure("'" + std::string(name) + "' is not a " +
                    (is_table ? "TABLE" : "CUSTOMPOINTER"));
    return it->second;
  }

  void command(std::string_view line) {
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (open == npos || close == npos || close < open)
      throw Failure("command without (arguments): '" + std::string(line) + "'");
    if (line.find_first_not_of(" \t", close + 1) != npos)
      throw Failure("text after the command's ')'");
    const std::string name(line.substr(1, open - 1));
    const std::vector<std::string_view> args =
        split_arguments(line.substr(open + 1, close - open - 1));
    const auto want = [&](std::size_t low, std::size_t high) {
      if (args.size() < low || args.size() > high)
        throw Failure("#" + name + " given " + std::to_string(args.size()) + " arguments");
    };
    if (name == "VAR") {
      want(2, 2);
      check_name(args[0]);
      if (args[1] != "TABLE" && args[1] != "CUSTOMPOINTER")
        throw Failure("unknown variable type '" + std::string(args[1]) + "'");
      if (!variables_.emplace(std::string(args[0]), Variable{args[1] == "TABLE", {}, {}}).second)
        throw Failure("variable '" + std::string(args[0]) + "' declared twice");
    } else if (name == "ADDTBL") {
      want(2, 2);
      const std::string file = unquote(args[0]);
      Variable& table = variable(args[1], true);
      const std::optional<std::string> bytes = read_table_(file);
      if (!bytes) throw Failure("cannot read table '" + file + "'");
      try {
        table.table = std::make_shared<const AtlasTable>(parse_atlas_table(*bytes));
      } catch (const TableError& e) {
        throw Failure(file + " " + e.what());
      }
    } else if (name == "ACTIVETBL") {
      want(1, 1);
      active_ = variable(args[0], true).table;
      if (!active_) throw Failure("table '" + std::string(args[0]) + "' was never loaded");
    } else if (name == "CREATEPTR") {
      want(4, 4);
      Variable& pointer = variable(args[0], false);
      const Pointer made{address_type(args[1]), header_, parse_number(args[2]),
                         static_cast<int>(parse_number(args[3]))};
      if (made.bits != 8 && made.bits != 16 && made.bits != 24 && made.bits != 32)
        throw Failure("pointer size must be 8, 16, 24 or 32 bits");
      pointer.pointer = made;
    } else if (name == "HDR") {
      want(1, 1);
      header_ = parse_address(args[0]);
    } else if (name == "JMP") {
      want(1, 2);
      Jump jump{parse_address(args[0]), {}};
      if (args.size() == 2) jump.end = parse_address(args[1]);
      if (jump.end && *jump.end < jump.start) throw Failure("#JMP end before its start");
      ops_.emplace_back(jump);
    } else if (name == "WRITE") {
      want(2, 2);
      const Variable& pointer = variable(args[0], false);
      if (!pointer.pointer)
        throw Failure("pointer '" + std::string(args[0]) + "' was never created");
      ops_.emplace_back(PointerWrite{*pointer.pointer, parse_address(args[1]), swap_});
    } else if (name == "W16" || name == "W24" || name == "W32") {
      want(1, 1);
      const Pointer plain{sma_, header_, 0, std::stoi(name.substr(1))};
      ops_.emplace_back(PointerWrite{plain, parse_address(args[0]), swap_});
    } else if (name == "ENDIANSWAP") {
      want(1, 1);
      const std::string value = unquote(args[0]);
      if (value != "TRUE" && value != "FALSE")
        throw Failure("#ENDIANSWAP takes \"TRUE\" or \"FALSE\"");
      swap_ = value == "TRUE";
      type_.big_endian = swap_;
    } else if (name == "STRTYPE") {
      want(1, 1);
      const std::string value = unquote(args[0]);
      if (value != "PASCAL" && value != "ENDTERM")
        throw Failure("#STRTYPE takes \"PASCAL\" or \"ENDTERM\"");
      type_.pascal_bytes = value == "PASCAL" ? type_.pascal_length : 0;
    } else if (name == "PASCALLEN") {
      want(1, 1);
      const std::int64_t bytes = parse_number(args[0]);
      if (bytes < 1 || bytes > 4) throw Failure("#PASCALLEN takes 1 to 4 bytes");
      type_.pascal_length = static_cast<int>(bytes);
      if (type_.pascal_bytes != 0) type_.pascal_bytes = type_.pascal_length;
    } else if (name == "FIXEDLENGTH") {
      want(2, 2);
      const std::int64_t length = parse_number(args[0]), pad = parse_number(args[1]);
      if (length < 0 || pad < 0 || pad > 0xFF) throw Failure("bad #FIXEDLENGTH");
      type_.fixed = length;
      type_.pad = static_cast<char>(pad);
    } else if (name == "SMA") {
      want(1, 1);
      sma_ = address_type(args[0]);
    } else {
      throw Failure("unknown command #" + name);
    }
  }

  const TableReader& read_table_;
  std::vector<Op> ops_;
  std::map<std::string, Variable, std::less<>> variables_;
  std::optional<TextRun> text_;
  std::shared_ptr<const AtlasTable> active_;
  std::int64_t header_ = 0;
  AddressType sma_ = AddressType::linear;
  bool swap_ = false;
  StringType type_;
};

// The value a pointer holds for file offset pos.
std::uint64_t pointer_value(const Pointer& p, std::int64_t pos) {
  const auto offset = static_cast<std::uint64_t>(pos - p.header);
  std::uint64_t value = offset;
  switch (p.type) {
  case AddressType::linear: break;
  case AddressType::lorom00:
  case AddressType::lorom80: {
    const std::uint64_t bank = (offset / 0x8000) | (p.type == AddressType::lorom80 ? 0x80 : 0);
    value = (bank << 16) | 0x8000 | (offset & 0x7FFF);
    break;
  }
  case AddressType::hirom: value = offset | 0xC00000; break;
  case AddressType::gb: value = offset < 0x4000 ? offset : 0x4000 + (offset & 0x3FFF); break;
  }
  value -= static_cast<std::uint64_t>(p.offsetting);
  return value & ((std::uint64_t{1} << p.bits) - 1);
}

// Writes into the ROM at the current position, within the #JMP bound.
struct Writer {
  std::string& rom;
  std::vector<bool>& written;
  std::int64_t pos = 0;
  std::int64_t last = INT64_MAX; // the last offset text may fill
  bool cut = false;
  bool past_bound = false; // text cut at the #JMP bound

  void put(std::int64_t at, char byte) {
    const auto i = static_cast<std::size_t>(at);
    if (i >= rom.size()) rom.resize(i + 1, '\0');
    if (i >= written.size()) written.resize(i + 1, false);
    rom[i] = byte;
    written[i] = true;
  }
  void text_byte(char byte) {
    if (pos > last) {
      cut = past_bound = true;
      return;
    }
    put(pos++, byte);
  }

  void operator()(const Jump& jump) {
    pos = jump.start;
    last = jump.end.value_or(INT64_MAX);
  }
  void operator()(const PointerWrite& w) {
    const std::uint64_t value = pointer_value(w.pointer, pos);
    const int bytes = w.pointer.bits / 8;
    for (int i = 0; i < bytes; ++i)
      put(w.at + (w.big_endian ? bytes - 1 - i : i), static_cast<char>((value >> (8 * i)) & 0xFF));
  }
  // A string as its type writes it.
  void string(const StringType& type, std::string bytes) {
    if (type.fixed != 0) {
      if (std::cmp_greater(bytes.size(), type.fixed)) cut = true;
      bytes.resize(static_cast<std::size_t>(type.fixed), type.pad);
    }
    if (type.pascal_bytes != 0) {
      std::string length;
      for (int i = 0; i < type.pascal_bytes; ++i)
        length += static_cast<char>((bytes.size() >> (8 * i)) & 0xFF);
      if (type.big_endian) std::reverse(length.begin(), length.end());
      bytes.insert(0, length);
    }
    for (const char byte : bytes) text_byte(byte);
  }

  // At each place the longest string that is a table text or a raw form;
  // a raw form before a table text of the same five characters.
  void operator()(const TextRun& run) {
    const std::string& s = run.text;
    // Plain strings are written as they are read; the others once they end.
    const bool whole = run.type.fixed != 0 || run.type.pascal_bytes != 0;
    std::string pending;
    const auto put_bytes = [&](std::string_view bytes, bool end_token) {
      if (!whole) {
        for (const char byte : bytes) text_byte(byte);
        return;
      }
      if (!end_token || run.type.pascal_bytes == 0) pending += bytes;
      if (end_token) string(run.type, std::exchange(pending, {}));
    };
    for (std::size_t i = 0; i < s.size();) {
      std::size_t length = std::min(std::max<std::size_t>(run.table->longest, 5), s.size() - i);
      for (; length > 0; --length) {
        if (length == 5)
          if (const std::optional<char> raw = raw_form(s.substr(i, 5))) {
            put_bytes(std::string_view(&*raw, 1), false);
            break;
          }
        const auto found = run.table->bytes_of.find(s.substr(i, length));
        if (found != run.table->bytes_of.end()) {
          put_bytes(found->second, run.table->ends.contains(found->first));
          break;
        }
      }
      if (length == 0) {
        std::size_t width = 1;
        while (i + width < s.size() && (static_cast<unsigned char>(s[i + width]) & 0xC0) == 0x80)
          ++width;
        throw Failure("line " + std::to_string(run.line[i]) + ": Character '" + s.substr(i, width) +
                      "' missing from table");
      }
      i += length;
    }
    if (whole && !pending.empty()) string(run.type, std::move(pending));
  }
};

} // namespace

InsertResult atlas_insert(std::string rom, std::string_view script, const TableReader& read_table) {
  InsertResult result;
  std::vector<Op> ops;
  try {
    ops = Parser(read_table).parse(script);
  } catch (const Failure& f) {
    result.status = 2;
    result.message = f.what();
    result.rom = std::move(rom);
    return result;
  }
  result.written.assign(rom.size(), false);
  Writer writer{rom, result.written};
  try {
    for (const Op& op : ops) std::visit(writer, op);
  } catch (const Failure& f) {
    result.status = 2;
    result.message = f.what();
  }
  result.cut = writer.cut;
  result.overflow_reported = writer.past_bound || writer.pos > writer.last;
  result.rom = std::move(rom);
  return result;
}

} // namespace textdump::testing
