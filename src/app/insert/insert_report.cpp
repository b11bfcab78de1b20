#include "app/insert/insert_report.hpp"

#include <nlohmann/json.hpp>

#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"

namespace textdump {

namespace {

std::string_view state_name(ChecksumState state) {
  return state == ChecksumState::right ? "right" : state == ChecksumState::wrong ? "wrong" : "none";
}

} // namespace

std::string insertion_lines(const Insertion& insertion, const std::optional<Growth>& growth) {
  std::string lines;
  if (growth)
    lines += message_line({MessageId::insert_expanded,
                           {with_commas(growth->expansion.from), with_commas(growth->expansion.to),
                            hex_byte(growth->fill)}});
  for (std::size_t b = 0; b < insertion.blocks.size(); ++b) {
    const BlockUse& block = insertion.blocks[b];
    const std::string number = std::to_string(b + 1), start = hex_number(block.start),
                      used = std::to_string(block.used);
    const std::optional<std::uint64_t> room = block.room();
    lines += message_line(
        room ? Message{MessageId::insert_block,
                       {number, start, hex_number(*block.last), used, std::to_string(*room),
                        std::to_string(*room - std::min(*room, block.used))}}
             : Message{MessageId::fit_block_open, {number, start, used}});
  }
  lines += message_line({MessageId::insert_written,
                         {std::to_string(insertion.pointers), std::to_string(insertion.lengths)}});
  for (const ChecksumOutcome& c : insertion.checksums) {
    if (c.before.state == ChecksumState::none) continue;
    const MessageId id = c.before.state == ChecksumState::wrong ? MessageId::insert_checksum_kept
                         : c.changed                            ? MessageId::insert_checksum_fixed
                                                                : MessageId::insert_checksum_right;
    lines += message_line({id, {std::string(c.before.name), hex_number(c.before.at)}});
  }
  if (insertion.checksums.empty()) lines += message_line({MessageId::insert_no_checksums});
  return lines;
}

namespace {

nlohmann::ordered_json placement_json(const PlacementAsked& asked, const Placement& placement) {
  nlohmann::ordered_json moved = nlohmann::ordered_json::array();
  for (const MovedString& m : placement.moved)
    moved.push_back({{"line", m.line},
                     {"block_line", m.block_line},
                     {"bytes", m.bytes},
                     {"from", m.from},
                     {"to", m.to},
                     {"shared", m.shared}});
  nlohmann::ordered_json left = nlohmann::ordered_json::array();
  for (const FreeRange& r : placement.left) left.push_back({{"at", r.at}, {"end", r.end}});
  return {{"free", asked.free ? nlohmann::ordered_json(std::string(*asked.free)) : nullptr},
          {"share", asked.share},
          {"moved", std::move(moved)},
          {"shared_bytes", placement.shared_bytes},
          {"free_left", std::move(left)}};
}

} // namespace

std::string insertion_json(const InsertionFiles& files, const Insertion& insertion,
                           const std::optional<Growth>& growth, const PlacementAsked& asked,
                           const Placement& placement) {
  nlohmann::ordered_json blocks = nlohmann::ordered_json::array();
  for (const BlockUse& block : insertion.blocks) {
    nlohmann::ordered_json item = {{"line", block.line}, {"start", block.start}};
    const std::optional<std::uint64_t> room = block.room();
    item["last"] = block.last ? nlohmann::ordered_json(*block.last) : nullptr;
    item["room"] = room ? nlohmann::ordered_json(*room) : nullptr;
    item["used"] = block.used;
    item["left"] = room ? nlohmann::ordered_json(*room - std::min(*room, block.used)) : nullptr;
    blocks.push_back(std::move(item));
  }
  nlohmann::ordered_json checksums = nlohmann::ordered_json::array();
  for (const ChecksumOutcome& c : insertion.checksums)
    checksums.push_back({{"name", c.before.name},
                         {"at", c.before.at},
                         {"size", c.before.size},
                         {"before", state_name(c.before.state)},
                         {"after", state_name(c.after)},
                         {"changed", c.changed}});
  const nlohmann::ordered_json document = {
      {"script", json_text(files.script)},
      {"rom", json_text(files.rom)},
      {"out", json_text(files.out)},
      {"platform", insertion.platform != nullptr ? nlohmann::ordered_json(insertion.platform->name)
                                                 : nlohmann::ordered_json(nullptr)},
      {"blocks", std::move(blocks)},
      {"pointers", insertion.pointers},
      {"length_fields", insertion.lengths},
      {"checksums", std::move(checksums)},
      {"expanded", growth ? nlohmann::ordered_json{{"from", growth->expansion.from},
                                                   {"to", growth->expansion.to},
                                                   {"fill", growth->fill}}
                          : nlohmann::ordered_json(nullptr)},
      {"placement", placement_json(asked, placement)}};
  return document.dump(2) + "\n";
}

} // namespace textdump
