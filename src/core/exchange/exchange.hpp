// Exchange files: a script dump's strings as translation teams share them, in
// a gettext PO file or a spreadsheet's TSV or CSV, and their translations
// written back into the script. Everything works on bytes in memory and
// reports with ids; nothing here opens a file.
//
// A string is named by its id, its offset in the ROM ("$6C10"), which stays
// the same in every dump of that ROM. Its original is what its // lines show,
// its translation its text lines when they differ from those (an unedited
// script has none), each a text of lines joined by LF.
//
// - PO: a header entry (UTF-8), then one entry a string: msgctxt its id,
//   msgid the original, msgstr the translation, and #. comments with where it
//   lies, its pointers, its room and its box; plural forms are not used. Read back: #
//   comments and obsolete (#~) entries are passed over, an entry flagged
//   fuzzy counts as untranslated, and a second entry of one id, an entry
//   without msgctxt, a msgid_plural or a line of no entry makes it malformed.
// - TSV and CSV: a first row naming the columns id, address, original,
//   translation, room, notes, then a row a string. TSV writes a tab, a line
//   break and a backslash inside a field as \t, \n and \\; CSV quotes as RFC
//   4180 does (a field with a comma, a double quote or a line break between
//   double quotes, its double quotes doubled) and ends rows with CR LF. Read
//   back, the columns are found by their names (id, original and translation
//   are needed, others are passed over), a row may end with LF or CR LF, a
//   line break inside a field becomes LF, and a UTF-8 byte order mark at the
//   start is passed over.
//
// Writing translations into a script keeps every other line (commands,
// comments, the originals) as it is: a string's text lines are replaced by
// its translation's lines (empty ones dropped), with the script's own line
// end. A translation is left out, with a warning, when its id names no
// string of the script, when its original is not the script's any more, or
// when one of its lines would read as a command or a comment.
//
//   exchange_format      the format a file's name ends in (.po, .tsv, .csv)
//   write_exchange       a script's strings as an exchange file
//   read_exchange        an exchange file's rows, or why it is malformed
//   script_translations  the rows of an edited script: its strings, each
//                        translated when its text differs from its original
//   apply_translations   a script with the rows' translations written in
//
// The folder's files:
//   exchange_types.hpp   the vocabulary above
//   exchange_parts.hpp   the formats' readers and writers, for this folder
//   exchange_po.cpp      PO files
//   exchange_table.cpp   TSV and CSV files
//   exchange_apply.cpp   the formats by name, a script's rows, the writing back
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/exchange/exchange_types.hpp"
#include "core/script/script.hpp"

namespace textdump {

std::optional<ExchangeFormat> exchange_format(std::string_view file_name);

// project names the strings' source in a PO file's header (the script's name);
// box, when given, the text box of the strings (box_text of text_box.hpp): a
// PO file's "#. box:" comment and a note in TSV and CSV.
std::string write_exchange(ExchangeFormat format, std::span<const ScriptEntry> entries,
                           std::string_view project, std::string_view box = {});

ExchangeReading read_exchange(ExchangeFormat format, std::string_view bytes);

std::vector<ExchangeRow> script_translations(std::span<const ScriptEntry> entries);

Applied apply_translations(std::string_view script, std::span<const ExchangeRow> rows);

} // namespace textdump
