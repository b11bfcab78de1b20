#include "app/survey/svg_map.hpp"

#include <algorithm>
#include <vector>

#include "app/common/messages.hpp"
#include "app/common/platform_address.hpp"
#include "core/base/base.hpp"

namespace textdump {

namespace {

constexpr std::uint64_t LEFT = 170, TOP = 96, ROW_HEIGHT = 16, ROW_PITCH = 30, RIGHT = 24;
// The width a label's character takes at most (11 pixels of sans-serif), and
// the room between two labels.
constexpr std::uint64_t LABEL_CHARACTER = 7, LABEL_GAP = 4;
constexpr const char* STYLE =
    "text{font-family:sans-serif;font-size:11px;fill:#333}"
    ".small{font-size:9px;fill:#666}.title{font-size:15px;font-weight:bold}"
    ".row{fill:#ece7dc}.t{fill:#2f6fd0}.p{fill:#e8590c}.f{fill:#a4aab3}"
    ".edge{stroke:#555;stroke-width:1}"
    ".target{fill:none;stroke:#b23a00;stroke-width:1.5}"
    ".link{fill:none;stroke:#b23a00;stroke-width:1.2;opacity:.8}"
    ".table:hover .link,.table:hover .target{stroke-width:3}";

std::string num(std::uint64_t n) {
  return std::to_string(n);
}


// The pieces of [at, end) row by row: x, y and width in pixels.
struct Piece {
  std::uint64_t x, y, width;
};

std::vector<Piece> pieces_of(std::uint64_t at, std::uint64_t end, const PictureLayout& layout,
                             std::uint64_t min_width) {
  std::vector<Piece> pieces;
  const std::uint64_t row_bytes = layout.row_bytes, cell = layout.cell_bytes;
  for (std::uint64_t from = at; from < end;) {
    const std::uint64_t row = from / row_bytes, to = std::min(end, (row + 1) * row_bytes);
    const std::uint64_t x = (from - row * row_bytes) / cell,
                        width = std::max((to - row * row_bytes + cell - 1) / cell - x, min_width);
    pieces.push_back({LEFT + std::min<std::uint64_t>(x, CELLS_A_ROW - min_width),
                      TOP + row * ROW_PITCH, width});
    from = to;
  }
  return pieces;
}

std::string rect(const Piece& piece, const char* cls) {
  return "<rect class=\"" + std::string(cls) + "\" x=\"" + num(piece.x) + "\" y=\"" +
         num(piece.y) + "\" width=\"" + num(piece.width) + "\" height=\"" + num(ROW_HEIGHT) +
         "\"/>";
}

std::string legend(const SvgMap& map, const Survey& survey, const PictureLayout& layout) {
  std::string out = "<text class=\"title\" x=\"16\" y=\"24\">" + xml_escaped(map.title) + "</text>\n";
  const struct {
    const char* cls;
    std::string what;
  } keys[] = {
      {"t", message_text({MessageId::svg_key_text, {num(survey.bytes[0])}})},
      {"p", message_text({MessageId::svg_key_pointers, {num(survey.bytes[1])}})},
      {"f", message_text({MessageId::svg_key_free, {num(survey.bytes[2])}})},
      {"row", text_of(MessageId::svg_key_other)},
  };
  std::uint64_t x = 16;
  for (const auto& key : keys) {
    out += "<rect class=\"" + std::string(key.cls) + "\" x=\"" + num(x) +
           "\" y=\"38\" width=\"14\" height=\"14\"/><text x=\"" + num(x + 20) + "\" y=\"50\">" +
           xml_escaped(key.what) + "</text>\n";
    x += 40 + 7 * key.what.size();
  }
  out += "<path class=\"link\" d=\"M" + num(x) + " 50 C" + num(x + 8) + " 36," + num(x + 24) +
         " 36," + num(x + 32) + " 50\"/><text x=\"" + num(x + 40) + "\" y=\"50\">" +
         xml_escaped(text_of(MessageId::svg_key_link)) + "</text>\n";
  const std::string banks =
      map.bank_bytes != 0 && map.bank_bytes < layout.row_bytes
          ? message_text({MessageId::svg_scale_banks,
                          {num(layout.row_bytes / map.bank_bytes), hex_number(map.bank_bytes)}})
          : "";
  const std::string scale = message_text(
      {MessageId::svg_scale,
       {hex_number(layout.row_bytes), banks, num(layout.cell_bytes),
        map.address ? text_of(MessageId::svg_scale_address) : ""}});
  out += "<text class=\"small\" x=\"16\" y=\"72\">" + xml_escaped(scale) + "</text>\n";
  return out;
}

std::string rows(const SvgMap& map, const PictureLayout& layout) {
  std::string out;
  for (std::size_t row = 0; row < layout.rows; ++row) {
    const std::uint64_t start = row * layout.row_bytes,
                        end = std::min(map.rom_size, start + layout.row_bytes);
    const std::uint64_t y = TOP + row * ROW_PITCH;
    out += rect({LEFT, y, (end - start + layout.cell_bytes - 1) / layout.cell_bytes}, "row");
    std::string label = file_offset_text(start, map.rom_size);
    const std::string address = map.address ? map.address(start) : "";
    out += "<text x=\"16\" y=\"" + num(y + 12) + "\">" + xml_escaped(label) + "</text>";
    if (!address.empty())
      out += "<text class=\"small\" x=\"90\" y=\"" + num(y + 12) + "\">" + xml_escaped(address) +
             "</text>";
    out += "\n";
    if (map.bank_bytes == 0 || map.bank_bytes >= layout.row_bytes) continue;
    for (std::uint64_t edge = start + map.bank_bytes; edge < end; edge += map.bank_bytes) {
      const std::uint64_t x = LEFT + (edge - start) / layout.cell_bytes;
      out += "<path class=\"edge\" d=\"M" + num(x) + " " + num(y - 3) + "v" + num(ROW_HEIGHT + 3) +
             "\"/><text class=\"small\" x=\"" + num(x + 2) + "\" y=\"" + num(y - 2) + "\">" +
             xml_escaped(file_offset_text(edge, map.rom_size) + (address.empty() ? "" : " " + map.address(edge))) +
             "</text>\n";
    }
  }
  return out;
}

std::string runs(const Survey& survey, const PictureLayout& layout) {
  static const char* const CLASSES[] = {"t", "p", "f"};
  std::string paths[3];
  for (const PictureRun& run : picture_runs(survey, layout)) {
    std::string& d = paths[static_cast<std::size_t>(run.kind)];
    d += "M" + num(LEFT + run.cell) + " " + num(TOP + run.row * ROW_PITCH) + "h" + num(run.cells) +
         "v" + num(ROW_HEIGHT) + "h-" + num(run.cells) + "z";
  }
  std::string out;
  for (std::size_t k = 0; k < 3; ++k)
    if (!paths[k].empty())
      out += "<path class=\"" + std::string(CLASSES[k]) + "\" d=\"" + paths[k] + "\"/>\n";
  return out;
}

// A table's label under its first piece, right of the labels before it in
// that row: x_free holds, by row, where the next label may begin.
std::string table_label(const std::string& label, const Piece& at,
                        std::vector<std::uint64_t>& x_free) {
  const std::size_t row = static_cast<std::size_t>((at.y - TOP) / ROW_PITCH);
  const std::uint64_t x = std::max(at.x, x_free[row]);
  x_free[row] = x + LABEL_CHARACTER * label.size() + LABEL_GAP;
  return "<text x=\"" + num(x) + "\" y=\"" + num(at.y + ROW_HEIGHT + 10) + "\">" +
         xml_escaped(label) + "</text>";
}

std::string tables(const SvgMap& map, const Survey& survey, const PictureLayout& layout) {
  std::string out;
  std::vector<std::uint64_t> x_free(layout.rows, 0);
  for (const Span& span : survey.spans) {
    if (span.kind != SpanKind::pointers) continue;
    const std::vector<Piece> table = pieces_of(span.at, span.end, layout, 3),
                             target = pieces_of(span.target_at, span.target_end, layout, 3);
    const std::string name =
        span.table < map.table_names.size() ? map.table_names[span.table] : "";
    out += "<g class=\"table\"><title>" +
           xml_escaped(message_text({MessageId::svg_table_title,
                                     {name, file_offset_text(span.at, map.rom_size),
                                      file_offset_text(span.end - 1, map.rom_size),
                                      file_offset_text(span.target_at, map.rom_size),
                                      file_offset_text(span.target_end - 1, map.rom_size)}})) +
           "</title>";
    for (const Piece& piece : table) out += rect(piece, "p");
    for (const Piece& piece : target) out += rect(piece, "target");
    const Piece& from = table.front();
    const Piece& to = target.front();
    const std::uint64_t x1 = from.x + from.width / 2, x2 = to.x + to.width / 2, y1 = from.y,
                        y2 = to.y;
    const std::uint64_t lift = 14 + std::min<std::uint64_t>(
                                        (x1 > x2 ? x1 - x2 : x2 - x1) / 8 +
                                            (y1 > y2 ? y1 - y2 : y2 - y1) / 4,
                                        60);
    const std::uint64_t top = std::min(y1, y2);
    const std::uint64_t c = top > lift ? top - lift : 0;
    out += "<path class=\"link\" d=\"M" + num(x1) + " " + num(y1) + " C" + num(x1) + " " + num(c) +
           "," + num(x2) + " " + num(c) + "," + num(x2) + " " + num(y2) + "\"/>";
    out += table_label(name.substr(0, name.find(' ')), from, x_free) + "</g>\n";
  }
  return out;
}

} // namespace

std::string xml_escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    default: out += c;
    }
  }
  return out;
}

std::string svg_map(const SvgMap& map, const Survey& survey, const PictureLayout& layout) {
  const std::uint64_t width = LEFT + CELLS_A_ROW + RIGHT,
                      height = TOP + layout.rows * ROW_PITCH + 8;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    num(width) + "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) +
                    " " + num(height) + "\">\n<style>" + STYLE + "</style>\n" +
                    "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) +
                    "\" fill=\"#fff\"/>\n";
  out += legend(map, survey, layout);
  out += rows(map, layout);
  out += runs(survey, layout);
  out += tables(map, survey, layout);
  return out + "</svg>\n";
}

} // namespace textdump
