// The characters an edited script uses that its insertion table lacks, one
// report each (with how often it is used) at its first use, or one for a
// whole class of them the table has none of.
#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "core/script/script.hpp"
#include "core/script/script_fit_reading.hpp"

namespace textdump {

namespace {

struct Class {
  char first, last;
  ReportId id;
};

constexpr std::array<Class, 3> CLASSES{{{'a', 'z', ReportId::fit_no_lower_case},
                                        {'A', 'Z', ReportId::fit_no_upper_case},
                                        {'0', '9', ReportId::fit_no_digits}}};

// The class of a character none of whose members the table writes.
const Class* missing_class(std::string_view c, const fitting::FitTable* table) {
  if (table == nullptr || c.size() != 1) return nullptr;
  for (const Class& k : CLASSES) {
    if (c[0] < k.first || c[0] > k.last) continue;
    for (char m = k.first; m <= k.last; ++m)
      if (const auto step = table->encoder.step(std::string_view(&m, 1), 0); step && step->text_bytes)
        return nullptr;
    return &k;
  }
  return nullptr;
}

struct Group {
  std::size_t first = 0; // index of its first report
  std::size_t count = 0;
  std::map<std::string, std::size_t> members; // a class's characters
};

} // namespace

void summarise_missing(std::vector<Report>& diagnostics, std::string_view script,
                       const FitTableReader& read_table) {
  if (std::none_of(diagnostics.begin(), diagnostics.end(),
                   [](const Report& d) { return d.id == ReportId::fit_not_in_table; }))
    return;
  const std::optional<fitting::FitTable> table = fitting::first_insertion_table(script, read_table);
  std::map<std::string, Group> groups; // by character, or by class id for a whole class
  std::vector<std::string> group_of(diagnostics.size());
  for (std::size_t i = 0; i < diagnostics.size(); ++i) {
    const Report& d = diagnostics[i];
    if (d.id != ReportId::fit_not_in_table || d.args.empty()) continue;
    const Class* k = missing_class(d.args[0], table ? &*table : nullptr);
    const std::string key = k ? std::string("class ") + k->first : "char " + d.args[0];
    Group& g = groups.try_emplace(key, Group{i, 0, {}}).first->second;
    ++g.count;
    ++g.members[d.args[0]];
    group_of[i] = key;
  }
  std::vector<Report> kept;
  for (std::size_t i = 0; i < diagnostics.size(); ++i) {
    if (group_of[i].empty()) {
      kept.push_back(std::move(diagnostics[i]));
      continue;
    }
    const Group& g = groups.at(group_of[i]);
    if (g.first != i) continue;
    Report r = std::move(diagnostics[i]);
    if (group_of[i].starts_with("class ") && g.members.size() > 1) {
      const Class* k = missing_class(r.args[0], &*table);
      r.id = k->id;
      r.args = {std::to_string(g.members.size()), std::to_string(g.count)};
    } else if (g.count > 1) { // a class of one character counts as that character
      r.id = ReportId::fit_not_in_table_times;
      r.args = {r.args[0], std::to_string(g.count)};
    }
    kept.push_back(std::move(r));
  }
  diagnostics = std::move(kept);
}

} // namespace textdump
