// The files a command writes, handled as one step.
//
// A command declares every output first: the role its messages give it
// ("script file", "JSON file") and its name, "-" being standard output. check()
// refuses, before anything is written, an output that is an input or another
// output however its name is spelled (another path, a symbolic or hard link;
// on Windows, letter case), a second "-", a folder, and an existing file that
// cannot be written. commit() writes each regular file to a temporary file
// beside it and renames them all into place only once every one is complete:
// a failure leaves every existing output as it was and creates no file.
//
// An output that is not a regular file (standard output, a device, a FIFO)
// cannot be replaced that way: it is written directly, after the temporary
// files are complete and before the renames, and a failed write there is the
// run's failure too. The temporary files are removed on every signal that can
// be caught (signal_cleanup.hpp): a run stopped while it writes to a pipe, or
// while a FIFO waits for its reader, leaves none behind. A name that is a symbolic link replaces the file the
// link leads to, and the link stays; a replaced file keeps its permissions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "io/files.hpp"

namespace textdump {

enum class OutputProblem {
  none,
  is_input,               // `other` is the input it is
  is_output,              // `other` is the earlier output it is
  second_standard_output, // `other` is the earlier output named "-"
  cannot_create,          // `error` says why
  cannot_write,           // `error` says why
};

struct OutputReport {
  OutputProblem problem = OutputProblem::none;
  std::size_t output = 0; // the output refused or failed, as declared
  std::size_t other = 0;
  int error = 0;

  bool ok() const { return problem == OutputProblem::none; }
};

class OutputSet {
public:
  // An input no output may be; which: "the ROM file", "the table file".
  void add_input(std::string which, const FileId& id);

  // Declares an output; its index.
  std::size_t declare(std::string role, std::string name);

  // The checks above, in declaration order: the first refusal, or ok.
  OutputReport check();

  // What an output will hold: bytes, or pieces written one after another.
  void set_bytes(std::size_t output, std::string bytes);
  void set_bytes(std::size_t output, std::vector<std::string> pieces);

  // Writes every output (after a passed check()); the first failure, or ok.
  OutputReport commit();

  const std::string& role(std::size_t output) const { return outputs_[output].role; }
  const std::string& name(std::size_t output) const { return outputs_[output].name; }
  const std::string& input(std::size_t input) const { return inputs_[input].which; }

private:
  struct Input {
    std::string which;
    FileId id;
  };
  struct Output {
    std::string role, name;
    std::string path; // where it is written: the name, its links followed
    bool direct = false;
    bool existed = false;
    unsigned mode = 0;
    FileId id;
    std::string key; // for a name that does not exist yet
    std::vector<std::string> pieces;
    std::string temporary;
  };

  OutputReport inspect(std::size_t index);
  OutputReport write_temporary(std::size_t index);
  OutputReport write_direct(std::size_t index);
  void remove_temporaries();

  std::vector<Input> inputs_;
  std::vector<Output> outputs_;
};

// True when the name is an existing file that is neither a regular file nor
// a folder: a device or a FIFO, beside which no file should be made up.
bool is_special_file(const std::string& name);

} // namespace textdump
