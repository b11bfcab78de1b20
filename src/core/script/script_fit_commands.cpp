// The fitter's reading of a script dump's commands, as the inserter takes
// them: their form and arguments, the variables and tables they declare, the
// string type they set, the blocks #JMP opens and the pointers written.
#include <algorithm>
#include <utility>

#include "core/script/script_fitter.hpp"

namespace textdump::fitting {

void Fitter::command(std::string_view line, std::size_t number, std::size_t at) {
  const std::size_t column = at + 1;
  const std::size_t open = line.find('('), close = line.rfind(')');
  if (open == npos || close == npos || close < open ||
      line.find_first_not_of(" \t", close + 1) != npos) {
    error(number, column, ReportId::fit_command_form);
    return;
  }
  Command c{std::string(line.substr(1, open - 1)), {}, number, column};
  bool in_quotes = false;
  std::size_t from = open + 1;
  for (std::size_t i = open + 1; i <= close; ++i) {
    if (i < close && line[i] == '"') in_quotes = !in_quotes;
    if (i < close && (in_quotes || line[i] != ',')) continue;
    c.args.push_back(trimmed(line.substr(from, i - from)));
    from = i + 1;
  }
  if (c.args.size() == 1 && c.args[0].empty()) c.args.clear();
  run_command(c);
}

void Fitter::run_command(const Command& c) {
  const std::string& name = c.name;
  const bool write = name == "WRITE" || name == "W16" || name == "W24" || name == "W32";
  if (!write) no_text_awaited();
  if (name == "VAR") {
    declare_variable(c);
  } else if (name == "ADDTBL") {
    add_table(c);
  } else if (name == "ACTIVETBL") {
    activate_table(c);
  } else if (name == "CREATEPTR") {
    create_pointer(c);
  } else if (name == "HDR") {
    if (!want(c, 1, 1)) return;
    if (const auto header = offset_of(c, c.args[0])) header_ = static_cast<std::int64_t>(*header);
  } else if (name == "SMA") {
    if (!want(c, 1, 1)) return;
    if (const auto type = address_type(c, c.args[0])) plain_ = *type;
  } else if (name == "ENDIANSWAP") {
    endian_swap(c);
  } else if (name == "STRTYPE") {
    string_type(c);
  } else if (name == "PASCALLEN") {
    pascal_length(c);
  } else if (name == "FIXEDLENGTH") {
    fixed_length(c);
  } else if (name == "STRINGALIGN") {
    string_align(c);
  } else if (name == "JMP") {
    jump(c);
  } else if (write) {
    write_pointer(c);
  } else {
    error(c, ReportId::fit_unknown_command, {name});
  }
}

bool Fitter::want(const Command& c, std::size_t low, std::size_t high) {
  if (c.args.size() >= low && c.args.size() <= high) return true;
  error(c, high > low ? ReportId::fit_arguments_either : ReportId::fit_arguments,
        {c.name, std::to_string(low), std::to_string(high), std::to_string(c.args.size())});
  return false;
}

std::optional<std::int64_t> Fitter::number_of(const Command& c, const std::string& arg) {
  std::optional<Report> why;
  const auto value = atlas_number(arg, why);
  if (!value) error(c, std::move(*why));
  return value;
}

std::optional<std::uint64_t> Fitter::offset_of(const Command& c, const std::string& arg) {
  const auto value = number_of(c, arg);
  if (!value) return std::nullopt;
  if (*value >= 0) return static_cast<std::uint64_t>(*value);
  error(c, ReportId::fit_negative, {arg});
  return std::nullopt;
}

std::optional<AddressType> Fitter::address_type(const Command& c, const std::string& arg) {
  const auto name = quoted(c, arg);
  if (!name) return std::nullopt;
  static constexpr std::pair<std::string_view, AddressType> types[] = {
      {"LINEAR", AddressType::linear}, {"LOROM00", AddressType::lorom00},
      {"LOROM80", AddressType::lorom80}, {"HIROM", AddressType::hirom}, {"GB", AddressType::gb}};
  for (const auto& [text, type] : types)
    if (*name == text) return type;
  error(c, ReportId::fit_address_type, {*name});
  return std::nullopt;
}

std::optional<std::string> Fitter::quoted(const Command& c, const std::string& arg) {
  if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"')
    return arg.substr(1, arg.size() - 2);
  error(c, ReportId::fit_not_quoted, {arg});
  return std::nullopt;
}

bool Fitter::variable(const Command& c, const std::string& arg, bool table) {
  const auto it = variables_.find(arg);
  if (it != variables_.end() && it->second == table) return true;
  error(c, ReportId::fit_not_that_variable, {arg, table ? "TABLE" : "CUSTOMPOINTER"});
  return false;
}

// #VAR(name, TABLE or CUSTOMPOINTER)
void Fitter::declare_variable(const Command& c) {
  if (!want(c, 2, 2)) return;
  if (const auto why = bad_name(c.args[0])) return error(c, *why);
  if (c.args[1] != "TABLE" && c.args[1] != "CUSTOMPOINTER")
    return error(c, ReportId::fit_variable_kind);
  variables_[c.args[0]] = c.args[1] == "TABLE";
}

// #ADDTBL("file", table)
void Fitter::add_table(const Command& c) {
  if (!want(c, 2, 2)) return;
  const auto file = quoted(c, c.args[0]);
  if (!file || !variable(c, c.args[1], true)) return;
  const std::optional<std::string> bytes = read_table_(*file);
  auto table = std::make_shared<FitTable>();
  std::optional<Report> why;
  if (!bytes)
    why = fault(ReportId::fit_table_unreadable, {*file});
  else
    why = load_table(*file, *bytes, *table);
  if (why) {
    unread_.insert(c.args[1]);
    return error(c, std::move(*why));
  }
  report_.plan.tables.push_back(table->decoder);
  tables_[c.args[1]] = std::move(table);
}

// #ACTIVETBL(table)
void Fitter::activate_table(const Command& c) {
  if (!want(c, 1, 1) || !variable(c, c.args[0], true)) return;
  const auto it = tables_.find(c.args[0]);
  unread_active_ = it == tables_.end() && unread_.contains(c.args[0]);
  if (it == tables_.end() && !unread_active_)
    return error(c, ReportId::fit_table_never_added, {c.args[0]});
  table_ = it == tables_.end() ? nullptr : it->second;
}

// #CREATEPTR(pointer, "type", offsetting, bits)
void Fitter::create_pointer(const Command& c) {
  if (!want(c, 4, 4) || !variable(c, c.args[0], false)) return;
  const auto type = address_type(c, c.args[1]);
  const auto offsetting = number_of(c, c.args[2]);
  const auto bits = number_of(c, c.args[3]);
  if (!type || !offsetting || !bits) return;
  if (*bits != 8 && *bits != 16 && *bits != 24 && *bits != 32)
    return error(c, ReportId::fit_pointer_bits);
  pointers_[c.args[0]] = {*type, header_, *offsetting, static_cast<unsigned>(*bits)};
}

// #ENDIANSWAP("TRUE" or "FALSE")
void Fitter::endian_swap(const Command& c) {
  if (!want(c, 1, 1)) return;
  const auto value = quoted(c, c.args[0]);
  if (value && *value != "TRUE" && *value != "FALSE")
    return error(c, ReportId::fit_endianswap_value);
  if (value) swapped_ = *value == "TRUE";
}

// #STRTYPE("PASCAL" or "ENDTERM")
void Fitter::string_type(const Command& c) {
  if (!want(c, 1, 1)) return;
  const auto type = quoted(c, c.args[0]);
  if (type && *type != "PASCAL" && *type != "ENDTERM") return error(c, ReportId::fit_strtype_value);
  if (type) pascal_ = *type == "PASCAL" ? pascal_length_ : 0;
}

// #PASCALLEN(bytes)
void Fitter::pascal_length(const Command& c) {
  if (!want(c, 1, 1)) return;
  const auto bytes = number_of(c, c.args[0]);
  if (bytes && (*bytes < 1 || *bytes > 4)) return error(c, ReportId::fit_pascal_length);
  if (bytes) pascal_length_ = static_cast<unsigned>(*bytes);
  if (bytes && pascal_ != 0) pascal_ = pascal_length_;
}

// #FIXEDLENGTH(length, pad)
void Fitter::fixed_length(const Command& c) {
  if (!want(c, 2, 2)) return;
  const auto length = number_of(c, c.args[0]), pad = number_of(c, c.args[1]);
  if (!length || !pad) return;
  if (*length < 0 || *pad < 0 || *pad > 0xFF) return error(c, ReportId::fit_fixedlength_args);
  fixed_ = static_cast<std::uint64_t>(*length);
  pad_ = static_cast<std::uint8_t>(*pad);
}

// #STRINGALIGN(multiple): each string from here on starts at a file offset
// that is a multiple of it, 00 bytes put before it where it would not.
void Fitter::string_align(const Command& c) {
  if (!want(c, 1, 1)) return;
  const auto multiple = number_of(c, c.args[0]);
  if (multiple && *multiple < 1) return error(c, ReportId::fit_stringalign_value);
  if (multiple) align_ = static_cast<std::uint64_t>(*multiple);
}

// #JMP(start[, last])
void Fitter::jump(const Command& c) {
  if (!want(c, 1, 2)) return;
  const auto start = number_of(c, c.args[0]);
  const auto last = c.args.size() == 2 ? number_of(c, c.args[1]) : std::optional<std::int64_t>(0);
  if (!start || !last) return;
  if (*start < 0 || (c.args.size() == 2 && *last < *start))
    return error(c, ReportId::fit_jmp_backwards);
  close_block();
  block_ = FitBlock{c.line, static_cast<std::uint64_t>(*start), std::nullopt, 0};
  report_.plan.blocks.push_back({c.line, block_->start, std::nullopt, {}, {}, {}, {}});
  original_end_ = std::exchange(next_end_, std::nullopt);
  original_ = block_->start; // a block's first string begins there, written in place or not
  original_breaks_ = false;
  string_start_ = true;
  if (c.args.size() == 2) block_->last = static_cast<std::uint64_t>(*last);
  report_.plan.blocks.back().last = block_->last;
}

// #WRITE(pointer, offset), #W16(offset), #W24(offset), #W32(offset)
void Fitter::write_pointer(const Command& c) {
  const bool custom = c.name == "WRITE";
  if (!want(c, custom ? 2 : 1, custom ? 2 : 1)) return;
  const auto format = pointers_.find(c.args[0]);
  if (custom && (!variable(c, c.args[0], false) || format == pointers_.end()))
    return error(c, ReportId::fit_pointer_never_created, {c.args[0]});
  const auto slot = offset_of(c, c.args.back());
  if (!block_) error(c, ReportId::fit_write_before_jmp);
  if (slot && block_) {
    align_string();
    PlanPointer p{c.line, *slot, {}, swapped_, position(), 0, report_.plan.blocks.size() - 1};
    p.format = custom ? format->second
                      : PointerFormat{plain_, header_, 0, c.name == "W16"   ? 16u
                                                          : c.name == "W24" ? 24u
                                                                            : 32u};
    p.value = pointer_value(p.format, p.target);
    p.text_at = report_.plan.blocks.back().text.size();
    p.table = table_ ? table_->decoder.get() : nullptr;
    report_.plan.pointers.push_back(p);
  }
  string_break_ = true;
  original_ = pointed_;
  original_breaks_ = false;
  // Another string's pointer (by the dump's //POINTER lines) before any text.
  if (awaited_ && awaited_->second != original_) no_text_awaited();
  if ((pascal_ != 0 || fixed_ != 0) && !awaited_) awaited_ = {c.line, original_};
}

} // namespace textdump::fitting
