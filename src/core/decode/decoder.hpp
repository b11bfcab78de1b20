// The decoder: a ROM range, decoded through the code table, written to a writer.
//
//   run_to          every offset from the position to the last one, inclusive
//   follow_fixed    FIXED records                            (decoder_pointers.cpp)
//   follow_snes     SNES pointer tables                      (decoder_pointers.cpp)
//   copy_target     the string that a FIXED or SNES byte selects
//
// At each offset the longest key that matches the ROM's bytes wins; a key
// never reaches past the last offset. A key writes its entry's rendering; a
// control code's parameter bytes follow it as <$XX> (completed even past the
// last offset); FIXED and SNES bytes consume their argument bytes and write
// the string they select; a TABLE byte asks the member loader for another
// member of the table family and lays its definitions over the table in
// force; the next END byte met while another member is in force asks for
// member 0 again before its "[END]". The table the decoder is given is only
// read: from the first switch on it decodes through a copy of its own, which
// holds every member laid over so far. Offsets past the end of the ROM read
// as 0xFF, but for a standard table's control parameters, which stop at the
// end of the ROM. A standard table's switch opens frames of the file's other
// tables (decoder_frames.cpp). Long runs are decoded on two threads
// (decoder_parallel.cpp, decoder_frame_chunks.cpp); what a thread throws
// reaches the caller of run_to. The decoder opens no file and prints nothing:
// a member that cannot be loaded ends the range with table_failed, after the
// loader has said why. Switches that would nest frames deeper than FRAMES_MAX
// throw FramesTooDeep: the run stops rather than take memory without bound.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/tables.hpp"
#include "core/decode/pieces.hpp"
#include "core/base/base.hpp"
#include "core/decode/writer.hpp"

namespace textdump {

// The definitions of family member n, or nothing when it cannot be loaded.
using MemberLoader = std::function<std::optional<std::vector<Definition>>(std::uint8_t member)>;

// No text nests a switch's frames this deep; the frames a switch opens of its
// own table, or a cycle of up to CYCLE_MAX tables opening each other, are kept
// at a depth of their period however often they open (decoder_frames.cpp).
inline constexpr std::size_t FRAMES_MAX = std::size_t{1} << 17;
inline constexpr std::size_t CYCLE_MAX = 8;

struct FramesTooDeep : std::length_error {
  FramesTooDeep() : std::length_error("switches nest frames too deep") {}
};

enum class DecodeEnd {
  complete,     // the position passed the last offset
  table_failed, // a member could not be loaded; the loader said why
  write_failed, // the writer's sink failed
};

class Decoder {
public:
  // The table outlives the decoder.
  Decoder(const CodeTable& table, RomView rom, Writer& out, MemberLoader load_member = {});

  void seek(std::uint64_t position) { position_ = position; }
  std::uint64_t position() const { return position_; }

  // Table number of the member switched to last; 0 when table 0 is in force.
  std::uint8_t active_table() const { return active_table_; }

  // Long runs of bytes that only write their short renderings are decoded on
  // two threads, in chunks of chunk ROM bytes written in order by whichever
  // thread is free; a run takes the threads from four chunks on. So do long
  // ranges of a starting table with switches (decoder_frame_chunks.cpp). The
  // output is the same byte for byte, whatever the chunk.
  static constexpr std::size_t THREAD_CHUNK = std::size_t{256} << 10;
  void use_threads(bool on, std::size_t chunk = THREAD_CHUNK);

  // The tables of a standard file, for its switches; the decoder's table is
  // the one it starts in. They outlive the decoder.
  void use_tables(const std::vector<CodeTable>* tables); // decoder_frames.cpp

  // Parameter bytes of control codes that lay past the end of the ROM: in a
  // standard table only the bytes in the file are written. The first such
  // code's offset, and how many there were.
  std::uint64_t first_short_control() const { return first_short_control_; }
  std::size_t short_controls() const { return short_controls_; }

  // What the frames of one switch read, for readers that judge text: whether
  // an end ended them, their text keys (texts and line breaks) and their
  // undefined bytes.
  struct SwitchRun {
    bool ended = false;
    std::uint32_t texts = 0, unknown = 0;
  };
  // At a switch of the starting table: writes it and the frames it opens, up
  // to stop (exclusive), as run_to does, and returns once only the starting
  // table is left. The position ends where that table goes on.
  SwitchRun run_switch(std::uint64_t stop); // decoder_frames.cpp

  // Decodes from the position up to last, inclusive; a pointer's argument bytes
  // are consumed even past last. The position ends past the last byte decoded.
  DecodeEnd run_to(std::uint32_t last);

private:
  bool plain_run(std::uint64_t stop);
  bool parallel_run(std::uint64_t stop); // decoder_parallel.cpp
  // Runs with switches on two threads (decoder_frame_chunks.cpp); again ends
  // false once chunks could not be joined, so that the rest is not tried.
  bool switching_run(std::uint64_t stop, bool& again);
  struct ChunkMarks;
  struct ChunkSlot; // a chunk's decoder, writer and marks
  bool note_mark(); // false once a chunk has all the marks it needs
  struct Chunked {
    const unsigned char* reached; // the first byte not decoded
    std::size_t bytes;            // output written to the buffer
  };
  Chunked decode_chunk(const unsigned char* p, const unsigned char* end, const unsigned char* limit,
                       char* out) const;
  void rebuild(); // what the decoder keeps of the code table, after every load
  void write_rendering(std::uint8_t byte);
  void write_entry(CodeTable::Index index, std::uint8_t byte);
  void write_control(const Entry& entry);
  std::uint8_t next_argument();
  void follow_fixed(const Entry& entry, std::uint8_t control);
  void follow_snes(const Entry& entry);
  void copy_target(std::uint64_t target, std::optional<std::uint32_t> record_length);
  bool load_member(std::uint8_t member);
  // The frames of a switch of the root, until only the root is left
  // (decoder_frames.cpp): the counters of frames_, opening a frame for each
  // PARAM, the fast run of short renderings and one step of any other key.
  void run_frames(const Entry& root_switch, std::uint64_t stop);
  void count(std::uint32_t weight);
  bool frame_exhausted() const;
  void open_frame(const FrameParam& param);
  void pop_frame();
  void begin_switch(const Entry& entry);
  bool open_next_param();                // false once only the root is left
  bool fast_frame_run(std::uint64_t stop); // true when the top frame ran out
  bool frame_step(std::uint64_t stop);     // false once an end unwound the frames

  // A table of the file as its frames decode it: the short renderings of its
  // one-byte keys (ends not among them: they unwind the frames) and what each
  // byte alone counts.
  struct FrameTable {
    PieceSet pieces;
    std::array<std::uint32_t, 256> weights{};
  };
  // An open frame of a switch (decoder_frames.cpp); copies of it stacked on
  // each other are held once, and so are the repeats of a cycle (Cycle).
  struct Frame {
    const CodeTable* table = nullptr; // null for raw bytes
    const FrameTable* fast = nullptr;
    std::string_view until;
    std::size_t base = 0;
    std::int64_t total = 0;
    std::int64_t runs_out = INT64_MAX;
    const Entry* pending = nullptr;
    std::size_t next = 0;
    std::uint64_t copies = 1;
  };
  bool at_until(const Frame& top, std::uint64_t stop) const; // its fallback bytes stand here
  // The top `period` frames of the stack, up to `top`, stand for themselves
  // and, below them, `hidden` more frames that repeat them period by period.
  struct Cycle {
    std::size_t top = 0, period = 0;
    std::uint64_t hidden = 0;
  };
  bool plain_frame(std::size_t at) const; // nothing but its table and fallback
  bool fold_copy(const FrameParam& param);
  bool fold_cycle(const FrameParam& param);
  void rotate_cycle(bool up);

  const CodeTable* table_;             // the table in force: the one given, or switched_
  std::unique_ptr<CodeTable> switched_; // from the first switch on: the members laid over it
  RomView rom_;
  Writer& out_;
  MemberLoader load_member_;
  const std::vector<CodeTable>* tables_ = nullptr;
  std::vector<FrameTable> frame_tables_; // by table of the file
  std::vector<Frame> frames_;            // kept from one switch to the next
  std::vector<Cycle> cycles_;            // by top, lowest first
  SwitchRun* counts_ = nullptr;          // what run_switch's frames read
  bool root_switches_ = false;           // some key of the starting table is a switch
  // A chunk's decoder: where the starting table takes a general step, and
  // the offset past which it stops (paused_ once it did).
  ChunkMarks* marks_ = nullptr;
  std::uint64_t pause_ = UINT64_MAX;
  bool paused_ = false;
  std::uint64_t first_short_control_ = 0;
  std::size_t short_controls_ = 0;
  std::uint64_t position_ = 0;
  std::uint8_t active_table_ = 0;
  std::uint32_t header_size_ = 0;
  PieceSet pieces_;
  bool pairs_ = false; // some byte of pieces_ has a pair row
  std::array<EntryKind, 256> kinds_{};
  bool threads_ = false;
  std::size_t chunk_ = THREAD_CHUNK;
  std::array<std::unique_ptr<char[]>, 4> chunk_buffers_; // decoded chunks waiting to be written
};

} // namespace textdump
