// The script builder through switching tables: a switch of the starting table
// is one item, from its key to where its frames give that table back. The
// inserter reads its claim (the switch's label) and then its bytes as <$XX>;
// the // line shows what a dump writes for them. An end entry met in a frame
// ends the string there.
#include <algorithm>

#include "core/script/script_builder.hpp"
#include "core/decode/decode.hpp"

namespace textdump::scripting {

void Builder::start_switches() {
  if (request_.tables && has_switches(table_))
    switches_ = std::make_shared<SwitchWalker>(table_, *request_.tables, rom_);
}

Item Builder::switched_item(Item item, CodeTable::Index index, std::uint64_t limit) const {
  if (!switches_) return item;
  const SwitchWalker::Run run = switches_->run(item.from, limit);
  // A control code's parameters are read past the end of a range: the item
  // stops at the string's end all the same.
  item.to = std::max(item.to, std::min(run.to, limit));
  item.switched = true;
  item.line_end = run.read.ended;
  if (entry_claims_[index]) item.claim = index;
  return item;
}

void Builder::append_shown(std::string& original, std::string& shown, const Item& item) const {
  std::string text;
  switches_->run(item.from, item.to, text);
  // A line end of the frames ends a // line; the last one is the item's own.
  if (item.line_end && text.ends_with("\r\n")) text.resize(text.size() - 2);
  for (std::size_t at = 0;;) {
    const std::size_t line_end = text.find("\r\n", at);
    if (line_end == std::string::npos) {
      shown.append(text, at);
      return;
    }
    original += "//" + shown;
    original.append(text, at, line_end - at);
    original += "\r\n";
    shown.clear();
    at = line_end + 2;
  }
}

} // namespace textdump::scripting
