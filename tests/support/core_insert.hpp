// The product's --insert in-process, for the tests that compare it with the
// test inserter: a script read by the fitter (judged for --insert) and its
// plan put into a ROM by core/insert.
#pragma once

#include <string>
#include <string_view>

#include "core/insert/insert.hpp"
#include "core/script/script.hpp"

namespace textdump::testing {

struct CoreInsert {
  FitReport fit;
  Insertion insertion; // empty when the script does not fit
};

inline CoreInsert core_insert(std::string_view rom, std::string_view script,
                              const FitTableReader& read_table) {
  CoreInsert result{fit_script(script, read_table), {}};
  if (result.fit.fits()) result.insertion = insert_script(result.fit.plan, rom);
  return result;
}

// The two ROMs equal but where the insertion kept a checksum.
inline bool same_but_checksums(const std::string& a, const std::string& b,
                               const Insertion& insertion) {
  if (a.size() != b.size()) return false;
  std::string x = a, y = b;
  for (const ChecksumOutcome& c : insertion.checksums)
    for (unsigned k = 0; k < c.before.size && c.before.at + k < x.size(); ++k)
      x[c.before.at + k] = y[c.before.at + k] = 0;
  return x == y;
}

} // namespace textdump::testing
