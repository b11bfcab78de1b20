// The run driver: the five answers of a run, the three files, and the ending.
//
// A run opens the ROM file, creates the dump file and opens the table file, in
// that order; loads the table; decodes the range; and ends with a Failure that
// maps to the exit status. Every failure prints one message through the console
// and pauses (the loader pauses for its own message).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "hexutil/console.hpp"
#include "table/code_table.hpp"
#include "textdump/messages.hpp"

namespace textdump {

struct RunRequest {
  std::string romfile;
  std::string tablefile; // rewritten in place by table switching
  std::string dumpfile;
  std::uint32_t start_offset = 0;
  std::uint32_t end_offset = 0;
  bool dash_is_stdout = false; // a dump file named "-" is standard output
  bool warnings = false;       // warn of runaway strings and misread keys (command line)
};

// Steps after the answers: files, load, dump, and the dump file's last flush.
// The code table must be initialised; "END PROGRAM.\n" is the caller's.
Failure run_dump(RunRequest& request, CodeTable& table, const Console& console);

// Reads one whitespace-delimited word of any length. False at end of input.
bool read_word(std::FILE* in, std::string& word);

// The console dialogue: banner, five prompts, the run, "END PROGRAM.\n" and the
// pause. Standard output is flushed before every read, so prompts show.
Failure run_dialogue(std::FILE* in, bool terminal_input, const Console& console);

} // namespace textdump
