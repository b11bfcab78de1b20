// The catalogue's rows of core's reports on the command line's arguments (a
// --pointers argument, a map field, an --end rule, --find-text's order and
// words) and on the files of the modes beside the script's (patches,
// --find-text's draft table, --expand, exchange files): one per ReportId in id
// order, from FIRST_MODE_REPORT to the last; the rows before it are
// report_text.cpp's.
#include <array>

#include "app/common/report_text.hpp"

namespace textdump {

namespace {

using enum ReportId;

constexpr std::size_t FIRST = static_cast<std::size_t>(FIRST_MODE_REPORT);

constexpr std::array<ReportText, static_cast<std::size_t>(count_) - FIRST> ROWS{{
    // A --pointers argument.
    {pointer_field_form, "pointer-field-form", "", "pointer field \"{0}\": a field is key=value"},
    {pointer_at, "pointer-at", "",
     "pointer field \"{0}\": the offset is one to eight hexadecimal digits, or BANK:ADDRESS"},
    {pointer_count, "pointer-count", "",
     "pointer field \"{0}\": the count is a decimal number from 1 to 16777216"},
    {pointer_size, "pointer-size", "", "pointer field \"{0}\": the size is 2, 3 or 4"},
    {pointer_stride, "pointer-stride", "",
     "pointer field \"{0}\": the stride is a decimal number from 1 to 65536"},
    {pointer_offset, "pointer-offset", "",
     "pointer field \"{0}\": the offset is a decimal number from 0 to 65535"},
    {pointer_length, "pointer-length", "",
     "pointer field \"{0}\": the length is O:S, S bytes (1 to 4) at byte O of each entry"},
    {pointer_order, "pointer-order", "", "pointer field \"{0}\": the order is le or be"},
    {pointer_map, "pointer-map", "", "pointer field \"{0}\": the map is {1}"},
    {pointer_null, "pointer-null-value", "",
     "pointer field \"{0}\": the value is hexadecimal or none"},
    {pointer_base, "pointer-base", "",
     "pointer field \"{0}\": the base is hexadecimal, up to eight digits, perhaps with a -"},
    {pointer_value, "pointer-map-value", "",
     "pointer field \"{0}\": the value is one to eight hexadecimal digits"},
    {pointer_banksize, "pointer-banksize", "",
     "pointer field \"{0}\": a bank has at least one byte"},
    {pointer_unknown_field, "pointer-field-unknown", "",
     "pointer field \"{0}\": unknown field (at, count, size, stride, order, map, {1}, null, "
     "offset, length)"},
    {pointer_repeated, "pointer-field-repeated", "",
     "pointer field \"{0}\": its key is given twice; give each field once"},
    {pointers_at_required, "pointers-at-required", "", "--pointers: at= is required"},
    {pointers_count_required, "pointers-count-required", "", "--pointers: count= is required"},
    {pointers_offset_past, "pointers-offset-past-entry", "",
     "--pointers: the pointer at offset= lies past its entry of stride= bytes"},
    {pointers_length_past, "pointers-length-past-entry", "",
     "--pointers: the length= field lies past its entry of stride= bytes"},
    {pointers_length_overlap, "pointers-length-overlaps", "",
     "--pointers: the length= field overlaps the pointer"},
    {pointers_gb_size, "pointers-gb-size", "",
     "--pointers: gb pointers are 2 bytes, or 3 with a bank byte"},
    {pointers_nes_size, "pointers-nes-size", "", "--pointers: nes pointers are 2 bytes"},
    {pointers_gba_size, "pointers-gba-size", "", "--pointers: gba pointers are 4 bytes"},
    {pointers_at_not_position, "pointers-at-not-position", "",
     "--pointers: at= is neither a file offset nor an address of map={0}"},
    {pointers_map_field, "pointers-map-field", "", "--pointers: map={0} takes no {1}="},
    {pointers_map_field_only, "pointers-map-field-only", "",
     "--pointers: map={0} takes no {1}= (only {2})"},
    // A map field's value.
    {map_base, "map-base", "", "the base is hexadecimal, up to eight digits, perhaps with a -"},
    {map_value, "map-value", "", "the value is one to eight hexadecimal digits"},
    {map_banksize, "map-banksize", "", "a bank has at least one byte"},
    // An --end rule.
    {end_pascal, "end-pascal", "", "--end \"{0}\": pascal:N takes a length of 1 to 4 bytes"},
    {end_fixed, "end-fixed", "", "--end \"{0}\": fixed:N takes a decimal number of bytes above 0"},
    {end_rules, "end-rules", "",
     "--end \"{0}\": the rules are token, next, fixed:N and pascal:N, joined by commas"},
    {end_pascal_alone, "end-pascal-alone", "", "--end \"{0}\": pascal:N is a rule of its own"},
    {end_repeated, "end-repeated", "", "--end \"{0}\": \"{1}\" is a rule given twice"},
    // --find-text's kana order and words.
    {order_not_utf8, "order-not-utf8", "", "the order file \"{0}\" is not UTF-8"},
    {order_twice, "order-character-twice", "", "the order file \"{0}\" has \"{1}\" twice"},
    {order_no_run, "order-no-run", "", "the order file \"{0}\" has no line of two characters"},
    {word_empty, "word-empty", "", "an empty word matches everywhere"},
    {word_no_run, "word-no-run", "",
     "\"{0}\" has no two letters of one run (A-Z, a-z, 0-9 or a kana order): it matches almost "
     "everywhere"},
    {word_repeated_letter, "word-repeated-letter", "",
     "\"{0}\" has no two different letters of one run: a letter repeated keeps no distance, and "
     "matches on any run of one code"},
    // Patches.
    {patch_not_format, "patch-not-format", "",
     "it is not a {0} patch: a {0} patch begins with \"{1}\""},
    {patch_damaged, "patch-damaged", "",
     "the {0} patch is damaged or cut short: the CRC32 of its bytes is {1}, the patch says {2}"},
    {patch_cut, "patch-cut", "",
     "the {0} patch is cut short: the record at byte {1} runs past its end"},
    {patch_no_end, "patch-no-end", "",
     "the IPS patch is cut short: it has no end marker \"EOF\""},
    {patch_after_end, "patch-after-end", "",
     "the IPS patch goes on for {0} bytes after its end marker at byte {1} (neither nothing nor "
     "the 3 bytes of a truncation): a record at offset $454F46 would read as that marker"},
    {patch_number_large, "patch-number-large", "",
     "the {0} patch's record at byte {1} holds a number too large for any file"},
    {patch_wrong_rom, "patch-wrong-rom", "",
     "the patch is for another ROM: this one's CRC32 is {0} ({1} bytes), the patch's is {2} "
     "({3} bytes)"},
    {patch_copier_header, "patch-copier-header", "",
     "the ROM has a copier header of {0} bytes: without it its CRC32 is {1}, the one the patch "
     "is for; remove the header and apply the patch again"},
    {patch_already_applied, "patch-already-applied", "",
     "the ROM is patched already: its CRC32 {1} is that of the {0} patch's result"},
    {patch_ips_applied, "patch-ips-already-applied", "",
     "the ROM is patched already: it holds every byte the IPS patch writes"},
    {patch_reads_outside, "patch-reads-outside", "",
     "the {0} patch's record at byte {1} reads outside the ROM's {2} bytes"},
    {patch_copies_ahead, "patch-copies-ahead", "",
     "the BPS patch's record at byte {0} copies from the new file past the {1} bytes made so far"},
    {patch_writes_past, "patch-writes-past", "",
     "the {0} patch's record at byte {1} writes past the new file's {2} bytes"},
    {patch_ips_reach, "patch-ips-reach", "",
     "the IPS patch's record at byte {0} writes up to offset ${1}: past the ROM's end and past "
     "16 MiB, the most the format's 3-byte offsets reach"},
    {patch_result_size, "patch-result-size", "",
     "the {0} patch's records make {1} bytes of the {2} its new file has: the patch is faulty"},
    {patch_result_crc, "patch-result-crc", "",
     "the {0} patch's result has the CRC32 {1}, not {2} as the patch says: the patch is faulty"},
    {patch_result_too_large, "patch-result-too-large", "",
     "the {0} patch's new file would be {1} bytes, more than 4 GiB, the most a ROM can be"},
    {patch_ips_too_large, "patch-ips-too-large", "",
     "the modified file is {0} bytes, and an IPS patch reaches 16 MiB (16,777,216 bytes) with its "
     "3-byte offsets: make a .bps or .ups patch"},
    {patch_ips_no_truncation, "patch-ips-no-truncation", "",
     "the modified file is {0} bytes, shorter than the original, and an IPS patch's 3-byte "
     "truncation reaches 16,777,215 bytes: make a .bps or .ups patch"},
    {patch_extension, "patch-extension", "",
     "PATCH \"{0}\": its name ends in .bps, .ips or .ups, the format it is written in"},
    {patch_file_open, "patch-file-open", "", "Can't open the {0} \"{1}\"."},
    {patch_file_too_large, "patch-file-too-large", "",
     "The {0} \"{1}\" is larger than 4 GiB, the most a patch is made of or applied to."},
    {patch_file_stream_too_large, "patch-file-stream-too-large", "",
     "The {0} \"{1}\" is not a regular file and gives more than {2} MiB, the most read from a "
     "pipe or device; give it as a file."},
    // --find-text's draft table.
    {draft_heading, "draft-heading", "", "Draft table by textdump --find-text: {0}, {1}, from {2}"},
    {draft_word_hit, "draft-word-hit", "", "\"{0}\" (1 hit)"},
    {draft_word_hits, "draft-word-hits", "", "\"{0}\" ({1} hits)"},
    {draft_no_end, "draft-no-end", "", "No end entry: add the code that ends a string as /KEY."},
    {draft_run, "draft-run", "",
     "{0} at {1}-{2}: {3} seen in the hits, the other letters counted on in {0} order"},
    {draft_space_varied, "draft-space-varied", "",
     "the space had different codes at its {0} hits: left out"},
    {draft_character_varied, "draft-character-varied", "",
     "\"{0}\" had different codes at its {1} hits: left out"},
    {draft_space_taken, "draft-space-taken", "", "the space had {0}, which is \"{1}\": left out"},
    {draft_character_taken, "draft-character-taken", "",
     "\"{0}\" had {1}, which is \"{2}\": left out"},
    {draft_space_same, "draft-space-same", "",
     "the space is {0} at every hit of the words that have it ({1} {1|hit|hits})"},
    {draft_character_same, "draft-character-same", "",
     "\"{0}\" is {1} at every hit of the words that have it ({2} {2|hit|hits})"},
    {draft_word_no_hit, "draft-word-no-hit", "", "\"{0}\" (no hit)"},
    // --expand.
    {expand_map, "expand-map", "",
     "--expand: a ROM of map {0} does not grow by adding bytes at its end (those of {1} do)"},
    {expand_smaller, "expand-smaller", "",
     "--expand {0}: the ROM has {1} bytes already, and --expand does not cut a ROM"},
    {expand_too_large, "expand-too-large", "",
     "--expand {0}: a ROM of map {1} grows to {2} bytes at most"},
    {expand_no_header, "expand-no-header", "",
     "--expand: the ROM is too short to hold the {0} header's size field at {1}"},
    {expand_odd, "expand-odd", "",
     "--expand {0}: a Mega Drive ROM holds 16-bit words, so its size is even"},
    {expand_gb_rom_only, "expand-gb-rom-only", "",
     "--expand: the cartridge type ${0} at $0147 has no memory bank controller, so the ROM "
     "cannot grow past the 32 KiB the console sees"},
    {expand_gb_cartridge, "expand-gb-cartridge", "",
     "--expand: the cartridge type ${0} at $0147 is none of MBC1, MBC2, MBC3 and MBC5, whose "
     "reach is known"},
    {expand_gb_size, "expand-gb-size", "",
     "--expand {0}: the ROM size byte at $0148 names 32 KiB times a power of two, "
     "32,768 to 8,388,608 bytes"},
    {expand_gb_controller, "expand-gb-controller", "",
     "--expand {0}: the cartridge type ${1} at $0147 has an {2}, which reaches {3} bytes of ROM"},
    // Exchange files.
    {exchange_bad_line, "exchange-bad-line", "", "the line is no entry's: {0}"},
    {exchange_bad_string, "exchange-bad-string", "",
     "a string is written \"...\" with \\n, \\t, \\\" and \\\\ its escapes"},
    {exchange_plural, "exchange-plural", "", "plural forms are not used: one msgstr an entry"},
    {exchange_no_id, "exchange-no-id", "", "the entry has no msgctxt: its string's id"},
    {exchange_id_again, "exchange-id-again", "", "id {0} has an entry on line {1} already"},
    {exchange_bad_escape, "exchange-bad-escape", "",
     "\"{0}\" is no escape: a field writes \\t, \\n and \\\\"},
    {exchange_fields, "exchange-fields", "", "the row has {0} fields, not {1}"},
    {exchange_quote, "exchange-quote", "",
     "a double quote stands inside a field that is not quoted, or after one that is"},
    {exchange_open_quote, "exchange-open-quote", "", "a quoted field is not closed"},
    {exchange_columns, "exchange-columns", "",
     "the first row names the columns, and lacks: {0}"},
    {exchange_unknown_id, "exchange-unknown-id", "",
     "{0}: no string of the script has this id; its translation is left out"},
    {exchange_original_changed, "exchange-original-changed", "",
     "{0}: the original is no longer the one translated; its translation is left out"},
    {exchange_untranslated, "exchange-untranslated", "", "{0}: not translated"},
    {exchange_not_text, "exchange-not-text", "",
     "{0}: the inserter would not read \"{1}\" as text; its translation is left out"},
}};

// The rows are in id order: a row out of place fails to compile.
static_assert(rows_in_order(ROWS, FIRST),
              "the rows of the report table follow the order of ReportId");

} // namespace

std::span<const ReportText> mode_report_rows() {
  return ROWS;
}

} // namespace textdump
