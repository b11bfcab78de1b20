// How each string of a script is held and written: where it ends, the form
// of a string of set length (Pascal, fixed, held beside its pointer), the
// commands that put a form in force, and a piece's lines in the script with
// the offsets and addresses they name.
#include <algorithm>
#include <array>
#include <charconv>

#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script_builder.hpp"

namespace textdump {

namespace scripting {

std::optional<Form> Builder::set_length(std::uint64_t target,
                                        std::span<const Found* const> pointers,
                                        std::uint64_t stop) {
  const EndRule& rule = request_.end;
  const std::uint64_t limit = std::min(stop, rom_.size);
  Form form;
  form.text_from = target;
  const auto held = std::find_if(pointers.begin(), pointers.end(),
                                 [](const Found* f) { return f->length.has_value(); });
  const auto too_long = [&](std::uint64_t length, ReportId id) {
    script_.warnings.push_back(
        {id, Severity::warning, 0, 0, {at_text(target), std::to_string(length)}});
  };
  if (held != pointers.end()) {
    const std::uint32_t length = *(*held)->length;
    if (length == 0 || target + length > limit) {
      if (length != 0) too_long(length, ReportId::script_length_past);
      return std::nullopt;
    }
    form.kind = Form::Kind::fixed;
    form.length = length;
    form.held = true;
    form.held_at = (*held)->length_at;
    form.text_to = target + length;
    return form;
  }
  if (rule.pascal) {
    // A length that does not fit, and an empty string, are written as their bytes.
    const PointerTable& ptable = request_.ptables[pointers.back()->pointer.table];
    const std::optional<std::uint32_t> length =
        read_pointer_value(rom_, target, *rule.pascal, ptable.order);
    form.text_to = limit;
    if (length && target + *rule.pascal + *length > limit)
      too_long(*length, ReportId::script_pascal_length_past);
    if (!length || target + *rule.pascal + *length > limit) return form;
    form.text_to = target + *rule.pascal + *length;
    if (*length == 0) return form;
    form.kind = Form::Kind::pascal;
    form.prefix = static_cast<std::uint8_t>(*rule.pascal); // 1 to 4
    form.text_from = target + *rule.pascal;
    return form;
  }
  if (rule.fixed && !rule.token && !rule.next && target + *rule.fixed <= limit) {
    form.kind = Form::Kind::fixed;
    form.length = *rule.fixed;
    form.text_to = target + *rule.fixed;
    return form;
  }
  return std::nullopt;
}

std::string Builder::form_commands(const Form& form) {
  std::string commands;
  const unsigned pascal = form.kind == Form::Kind::pascal ? form.prefix : 0;
  if (pascal != pascal_) {
    if (pascal == 0) commands += "#STRTYPE(\"ENDTERM\")\r\n";
    if (pascal_ == 0) commands += "#STRTYPE(\"PASCAL\")\r\n";
    if (pascal != 0) commands += "#PASCALLEN(" + std::to_string(pascal) + ")\r\n";
    pascal_ = pascal;
  }
  const std::pair<std::uint32_t, std::uint8_t> fixed =
      form.kind == Form::Kind::fixed ? std::pair{form.length, form.pad}
                                     : std::pair<std::uint32_t, std::uint8_t>{0, 0};
  if (fixed != fixed_) {
    commands += "#FIXEDLENGTH(" + std::to_string(fixed.first) + ", " +
                (fixed.first == 0 ? std::string("0") : "$" + hex_byte(fixed.second)) + ")\r\n";
    fixed_ = fixed;
  }
  return commands;
}

// The commands before a piece: its form's; a Pascal string in place has its
// length written little-endian, and one after another each opens with
// #PASCALLEN, so that the inserter ends the string before it there.
std::string Builder::in_place_commands(const Form& form, std::uint64_t from) {
  std::string commands;
  const bool pascal_in_place = form.kind == Form::Kind::pascal && in_place(from);
  if (pascal_in_place && swapped_) {
    swapped_ = false;
    commands += "#ENDIANSWAP(\"FALSE\")\r\n";
  }
  const std::string own = form_commands(form);
  if (own.empty() && pascal_in_place && joins_before(from))
    return commands + "#PASCALLEN(" + std::to_string(form.prefix) + ")\r\n";
  return commands + own;
}

// "$8000-$80FF ($01:8000-$01:80FF)": file offsets, both included, and their
// addresses when the script shows some.
std::string Builder::span_text(std::uint64_t from, std::uint64_t last) const {
  std::string text = "$" + hex_number(from) + "-$" + hex_number(last);
  if (request_.address_map == nullptr) return text;
  const RomLayout layout = layout_of(rom_);
  const MapFields& fields = request_.address_fields;
  const std::string a = address_text(*request_.address_map, layout, from, fields),
                    b = address_text(*request_.address_map, layout, last, fields);
  return a.empty() || b.empty() ? text : text + " (" + a + "-" + b + ")";
}

std::string Builder::at_text(std::uint64_t offset) const {
  return offset_and_address(request_.address_map, layout_of(rom_), offset,
                            request_.address_fields);
}

// A piece of the region in the script: its pointers' #WRITE lines (checked
// against the values in the ROM), its text as // lines, then the editable copy.
void Builder::write_segment(ScriptString& piece, const Form& form, std::span<const Item> items,
                            const ByTarget& by_target, const Names& names,
                            std::size_t& string_number, ChunkedText& body) {
  const std::uint64_t from = piece.start;
  body += "\r\n" + in_place_commands(form, from);
  if (piece.padding) {
    // Room: the line after it may go, and the strings after it move up.
    body += "//PADDING @ $" + hex_number(from) + " - " + std::to_string(piece.end - from) +
            " BYTES OF ROOM, WHICH THE LINE BELOW FILLS\r\n";
  } else if (!piece.referenced) {
    body += "//UNREFERENCED @ $" + hex_number(from) + "\r\n";
  } else if (const auto found = by_target.pointers_to(from); !found.empty()) {
    for (const Found* f : found) {
      const std::int64_t offsetting =
          static_cast<std::int64_t>(from) - static_cast<std::int64_t>(f->pointer.value);
      body += "//POINTER #" + std::to_string(f->pointer.index) + " @ " + at_text(f->pointer.at) +
              " - STRING #" + std::to_string(string_number) + " @ " + at_text(from) + "\r\n";
      // The inserter writes every pointer in the order last set by #ENDIANSWAP.
      const PointerTable& format = request_.ptables[f->pointer.table];
      if ((format.order == ByteOrder::be) != swapped_) {
        swapped_ = !swapped_;
        body += swapped_ ? "#ENDIANSWAP(\"TRUE\")\r\n" : "#ENDIANSWAP(\"FALSE\")\r\n";
      }
      body += "#WRITE(" + names.at({f->pointer.table, offsetting}) + ", $" +
              hex_number(f->pointer.at) + ")\r\n";
      // The value the inserter writes for this position, and the slot's bytes.
      const unsigned bits = 8 * format.size;
      const std::uint64_t mask = bits == 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
      const auto written =
          static_cast<std::uint64_t>(static_cast<std::int64_t>(from) - offsetting) & mask;
      const std::uint64_t stored =
          read_pointer_value(rom_, f->pointer.at, format.size, format.order).value_or(0);
      if (written != stored)
        script_.errors.push_back({ReportId::script_pointer_not_back, Severity::error, 0, 0,
                                  {std::to_string(f->pointer.index), at_text(f->pointer.at)}});
      if (piece.pointer_count++ == 0)
        piece.first_pointer = static_cast<std::uint32_t>(script_.pointers.size());
      script_.pointers.push_back(f->pointer);
    }
    if (form.held) {
      // The field's size and order too, for --insert, which rewrites it.
      const Found* held = *std::find_if(found.begin(), found.end(),
                                        [](const Found* f) { return f->length.has_value(); });
      const PointerTable& format = request_.ptables[held->pointer.table];
      const unsigned size = format.length ? format.length->size : 1;
      body += "//LENGTH @ $" + hex_number(form.held_at) + ", " + std::to_string(size) +
              (size == 1 ? " BYTE " : " BYTES ") + (format.order == ByteOrder::be ? "BE" : "LE") +
              " - " + std::to_string(form.length) +
              " BYTES, REWRITTEN BY --insert (#FIXEDLENGTH KEEPS IT)\r\n";
    }
    ++string_number;
  } else if (in_place(from)) {
    body += "//STRING #" + std::to_string(string_number++) + " @ " + at_text(from) +
            (joins_before(from) ? ": no pointer, written after the one before\r\n"
                                : ": no pointer, written in place\r\n");
  }
  std::string original, editable;
  std::string line, shown; // shown: the line as the // line shows it
  const auto end_line = [&] {
    original += "//" + shown + "\r\n";
    editable += line + "\r\n";
    line.clear();
    shown.clear();
  };
  for (const Item& item : items) {
    const std::size_t before = line.size();
    append_text(line, item);
    if (item.switched)
      append_shown(original, shown, item);
    else
      shown.append(line, before);
    if (item.line_end && !piece.padding) end_line(); // padding is one line, to delete
  }
  if (!line.empty()) end_line();
  if (!piece.padding) body += original;
  body += editable;
  editable.resize(editable.size() >= 2 ? editable.size() - 2 : 0);
  editable.shrink_to_fit(); // a string per piece is held to the end: no room to spare
  piece.text = std::move(editable);
}

} // namespace scripting

std::variant<EndRule, Report> parse_end_rule(std::string_view text) {
  EndRule rule;
  rule.token = false;
  const auto wrong = [&](ReportId id) { return error_report(id, {std::string(text)}); };
  const std::vector<std::string_view> parts = comma_fields(text);
  if (const auto twice = repeated_field(parts, ':'))
    return error_report(ReportId::end_repeated, {std::string(text), std::string(*twice)});
  for (const std::string_view part : parts) {
    if (part == "token") {
      rule.token = true;
    } else if (part == "next") {
      rule.next = true;
    } else if (part.substr(0, 7) == "pascal:") {
      const std::string_view digits = part.substr(7);
      if (digits.size() != 1 || digits[0] < '1' || digits[0] > '4')
        return wrong(ReportId::end_pascal);
      rule.pascal = static_cast<unsigned>(digits[0] - '0');
    } else if (part.substr(0, 6) == "fixed:") {
      std::uint32_t n = 0;
      const std::string_view digits = part.substr(6);
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
      if (error != std::errc{} || end != digits.data() + digits.size() || n == 0)
        return wrong(ReportId::end_fixed);
      rule.fixed = n;
    } else {
      return wrong(ReportId::end_rules);
    }
  }
  if (rule.pascal && (rule.token || rule.next || rule.fixed))
    return wrong(ReportId::end_pascal_alone);
  if (!rule.token && !rule.next && !rule.fixed && !rule.pascal) rule.token = true;
  return rule;
}

} // namespace textdump
