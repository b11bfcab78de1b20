// The dump file: a plain byte stream written front to back through one large
// buffer.
//
// out_pos counts the bytes written so far, which at the end is the dump file's
// length. The first failing write is remembered (its errno) and nothing more is
// written after it; the run reports it and ends with a failure. Without a file
// descriptor the output is kept in memory, which is how the engine is tested.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "textdump/rom_image.hpp"

namespace textdump {

inline constexpr std::size_t DUMP_BUFFER_SIZE = 1 << 20;

struct DumpOutput {
  int fd = -1;          // -1: collect the output in memory
  bool owns_fd = false; // close fd at the end (not so for standard output)
  std::string name;     // as typed, for messages
  std::uint64_t out_pos = 0;
  int error = 0;      // errno of the first failed write, flush or close
  std::string memory; // everything written, when fd is -1
  std::unique_ptr<char[]> buffer = std::make_unique<char[]>(DUMP_BUFFER_SIZE);
  std::size_t used = 0;
  FileId id;            // the file written, to refuse loading it as a table
  bool regular = false; // a regular file, truncated once the table has loaded
  std::string created_path; // set when this run created the file
};

// Hands the buffered bytes to the file (or to memory). False once anything failed.
bool dump_flush(DumpOutput& out);

// Flushes, then closes a descriptor that the output owns. False on any failure.
bool dump_close(DumpOutput& out);

inline void dump_write(DumpOutput& out, const char* bytes, std::size_t count) {
  out.out_pos += count;
  if (DUMP_BUFFER_SIZE - out.used < count) {
    dump_flush(out);
    if (count > DUMP_BUFFER_SIZE) {
      // Larger than the whole buffer: write it through in buffer-sized pieces.
      while (count > DUMP_BUFFER_SIZE) {
        std::memcpy(out.buffer.get(), bytes, DUMP_BUFFER_SIZE);
        out.used = DUMP_BUFFER_SIZE;
        dump_flush(out);
        bytes += DUMP_BUFFER_SIZE;
        count -= DUMP_BUFFER_SIZE;
      }
    }
  }
  std::memcpy(out.buffer.get() + out.used, bytes, count);
  out.used += count;
}

inline void dump_write(DumpOutput& out, std::string_view bytes) {
  dump_write(out, bytes.data(), bytes.size());
}

// The renderings of the kinds that write fixed bytes.
inline constexpr std::string_view LINE_BREAK_BYTES = "\r\n";
inline constexpr std::string_view END_BYTES = "[END]\r\n";
inline constexpr std::string_view WAIT_BYTES = "[WAIT]\r\n";

// A byte without an entry: "(", two upper-case hex digits, ")".
inline void dump_undefined(DumpOutput& out, std::uint8_t code) {
  constexpr char digits[] = "0123456789ABCDEF";
  const char bytes[4] = {'(', digits[code >> 4], digits[code & 0xF], ')'};
  dump_write(out, bytes, sizeof bytes);
}

} // namespace textdump

namespace textdump {

enum class DumpOpen {
  ok,
  cannot_create, // out.error tells why
  is_rom,        // the name is the ROM file, however spelled
  is_table,      // the name is the table file, however spelled
};

// Opens the named dump file, creating it when missing, without truncating it.
// A name that is the ROM or the table file is refused (a file it had to create
// for that is removed again).
DumpOpen open_dump_file(DumpOutput& out, const std::string& name, const FileId& rom,
                        const std::string& tablefile);

// Empties an existing dump file; done only once the table has loaded, so that a
// failed run leaves an existing file as it was. False, with out.error, on failure.
bool truncate_dump(DumpOutput& out);

// Gives up a dump file that must not be written: closes it, and removes it when
// this run created it.
void discard_dump(DumpOutput& out);

// The dump goes to an already open descriptor (standard output), not closed at
// the end; refused like a named file when it is the ROM or the table file.
DumpOpen use_dump_descriptor(DumpOutput& out, int fd, const std::string& name, const FileId& rom,
                             const std::string& tablefile);

} // namespace textdump
