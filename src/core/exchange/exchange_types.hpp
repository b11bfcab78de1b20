// The vocabulary of exchange files, shared by their parts: the formats, one
// string as a file holds it, what reading a file gives, and what writing its
// translations into a script leaves out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/base/base.hpp"

namespace textdump {

enum class ExchangeFormat { po, tsv, csv };

// One string of an exchange file or of an edited script. The id names it by
// its offset ("$6C10"); the texts are lines joined by LF; an empty
// translation is none.
struct ExchangeRow {
  std::string id;
  std::string original;
  std::string translation;
  std::size_t line = 0; // of the file, where its entry begins
};

// A file's rows, or, when it is malformed, the reports naming its lines (and no rows).
struct ExchangeReading {
  std::vector<ExchangeRow> rows;
  std::vector<Report> errors;
};

// A script with translations written into its text lines.
struct Applied {
  std::string script;
  std::size_t written = 0; // strings whose translation was written
  // Translations left out (an unknown id, an original that changed, a line
  // that would not read as text): warnings in the file's order.
  std::vector<Report> left_out;
  // The script's strings that no translation reached: notes in script order.
  std::vector<Report> untranslated;
};

} // namespace textdump
