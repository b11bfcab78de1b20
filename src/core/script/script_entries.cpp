// The strings of a script dump as its lines hold them. Each opens with its
// //POINTER lines (one a pointer), its //STRING line (written in place) or its
// //UNREFERENCED line; the // lines after those (and after their #WRITE,
// #ENDIANSWAP and //LENGTH lines) are its original, and the text lines after
// them its copy, which ends at the next command or comment. Lines are told
// apart as the fitter tells them.
#include <utility>

#include "core/script/script.hpp"
#include "core/script/script_fit_reading.hpp"

namespace textdump {

namespace {

using namespace fitting;

struct Marker {
  std::uint64_t start = 0;
  std::string where;
  std::optional<std::string> pointer; // where the pointer lies
  bool referenced = true;
};

// "//POINTER #0 @ $6D00 - STRING #0 @ $6C10", "//STRING #3 @ $6C10: no
// pointer, written in place", "//UNREFERENCED @ $6C10"; the offsets may have
// their addresses in brackets after them.
std::optional<Marker> marker_of(std::string_view line) {
  Marker marker;
  if (line.starts_with("//POINTER #")) {
    const std::size_t at = line.find(" @ "), dash = line.find(" - STRING #");
    const std::size_t second = dash == npos ? npos : line.find(" @ ", dash);
    if (at == npos || second == npos || at > dash) return std::nullopt;
    marker.pointer = std::string(line.substr(at + 3, dash - at - 3));
    marker.where = std::string(line.substr(second + 3));
  } else if (line.starts_with("//STRING #")) {
    const std::size_t at = line.find(" @ "), colon = line.find(": no pointer");
    if (at == npos || colon == npos || colon < at) return std::nullopt;
    marker.where = std::string(line.substr(at + 3, colon - at - 3));
  } else if (line.starts_with("//UNREFERENCED @ ")) {
    marker.where = std::string(line.substr(17));
    marker.referenced = false;
  } else {
    return std::nullopt;
  }
  const std::optional<std::uint64_t> start = last_hex(marker.where);
  if (!start) return std::nullopt;
  marker.start = *start;
  return marker;
}

class EntryReader {
public:
  void line(const TextLine& read, std::size_t from, std::size_t after);
  std::vector<ScriptEntry> done();

private:
  enum class Phase { head, original, text };
  void comment(std::string_view line, std::size_t number, std::size_t after);
  ScriptEntry& entry() { return entries_.back(); }

  std::vector<ScriptEntry> entries_;
  Phase phase_ = Phase::head;
  bool open_ = false; // the last entry still takes lines
  std::optional<DumpedBlock> block_;
};

void EntryReader::line(const TextLine& read, std::size_t from, std::size_t after) {
  const std::string_view line = read.content;
  const ScriptLine kind = line_kind(line);
  if (kind == ScriptLine::comment) {
    comment(line.substr(line.find_first_not_of(" \t")), read.number, after);
  } else if (kind == ScriptLine::command) {
    if (phase_ == Phase::text) open_ = false;
  } else if (kind == ScriptLine::text && open_) {
    ScriptEntry& e = entry();
    if (phase_ != Phase::text) {
      e.from = from;
      e.line = read.number;
    }
    e.text += (phase_ == Phase::text ? "\n" : "") + std::string(line);
    e.to = after;
    phase_ = Phase::text;
  }
}

void EntryReader::comment(std::string_view line, std::size_t number, std::size_t after) {
  if (const auto block = dumped_block(line)) {
    block_ = block;
    open_ = false;
    return;
  }
  if (const std::optional<Marker> marker = marker_of(line)) {
    if (open_ && phase_ == Phase::head && marker->pointer && !entry().pointers.empty() &&
        entry().start == marker->start) {
      entry().pointers.push_back(*marker->pointer);
      return;
    }
    ScriptEntry e;
    e.start = marker->start;
    e.where = marker->where;
    if (marker->pointer) e.pointers.push_back(*marker->pointer);
    e.referenced = marker->referenced;
    e.from = e.to = after;
    e.line = number + 1;
    e.block = block_;
    entries_.push_back(std::move(e));
    phase_ = Phase::head;
    open_ = true;
    return;
  }
  if (!open_ || (phase_ == Phase::head && line.starts_with("//LENGTH "))) return;
  if (phase_ == Phase::text) {
    open_ = false;
    return;
  }
  ScriptEntry& e = entry();
  e.original += (phase_ == Phase::original ? "\n" : "") + std::string(line.substr(2));
  e.from = e.to = after;
  e.line = number + 1;
  phase_ = Phase::original;
}

// Each string held the bytes up to the next one of its block, the last one
// those up to the end of the block's dumped text.
std::vector<ScriptEntry> EntryReader::done() {
  for (std::size_t k = 0; k < entries_.size(); ++k) {
    ScriptEntry& e = entries_[k];
    if (!e.block || e.start < e.block->start) continue;
    const bool next_in_block = k + 1 < entries_.size() && entries_[k + 1].block &&
                               entries_[k + 1].block->start == e.block->start;
    const std::uint64_t end =
        next_in_block ? entries_[k + 1].start : e.block->start + e.block->used;
    if (end > e.start) e.held = end - e.start;
  }
  return std::move(entries_);
}

} // namespace

std::vector<ScriptEntry> script_entries(std::string_view script) {
  EntryReader reader;
  const std::string_view text = fitting::without_bom(script);
  std::size_t at = script.size() - text.size();
  for (TextLines lines(text, LineEnds::lf); const std::optional<TextLine> read = lines.next();) {
    const std::size_t after = at + read->content.size() + read->end.size();
    reader.line(*read, at, after);
    at = after;
  }
  return reader.done();
}

bool script_text_line(std::string_view line) {
  return line_kind(line) == ScriptLine::text;
}

} // namespace textdump
