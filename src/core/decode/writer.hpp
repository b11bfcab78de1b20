// The decoder's output: a writer that owns one large buffer and hands full
// buffers to a sink.
//
// count() is the number of bytes written so far, which at the end is the
// dump's length. The first sink failure is remembered; from then on the
// writer hands nothing more to the sink, and its caller ends the dump.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace textdump {

// Where written bytes go: a file, standard output, memory.
class Sink {
public:
  // False when the bytes could not be written.
  virtual bool write(std::string_view bytes) = 0;

protected:
  ~Sink() = default;
};

// Keeps everything written, in memory.
class MemorySink final : public Sink {
public:
  std::string bytes;
  bool write(std::string_view more) override {
    bytes.append(more);
    return true;
  }
};

class Writer {
public:
  static constexpr std::size_t CAPACITY = std::size_t{1} << 20;

  explicit Writer(Sink& sink) : sink_(sink), buffer_(std::make_unique<char[]>(CAPACITY)) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void write(std::string_view bytes) {
    if (CAPACITY - used_ < bytes.size()) {
      flush();
      // Larger than the whole buffer: handed over in buffer-sized pieces.
      while (bytes.size() > CAPACITY) {
        std::memcpy(buffer_.get(), bytes.data(), CAPACITY);
        used_ = CAPACITY;
        flush();
        bytes.remove_prefix(CAPACITY);
      }
    }
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  // Writes a piece of at most 16 bytes from a 16-byte block: the whole block is
  // copied (the buffer keeps room for it) and count grows by size.
  void write_piece(const char* block, std::size_t size) {
    make_room(16);
    std::memcpy(buffer_.get() + used_, block, 16);
    used_ += size;
  }

  // Hands bytes straight to the sink, after what is buffered; for callers that
  // build large pieces of output in buffers of their own.
  void write_through(std::string_view bytes) {
    flush();
    handed_ += bytes.size();
    if (!failed_ && !bytes.empty() && !sink_.write(bytes)) failed_ = true;
  }

  // Hands the buffered bytes to the sink. False once anything failed.
  bool flush();

  std::uint64_t count() const { return handed_ + used_; }
  bool failed() const { return failed_; }

  // Direct access for the decoder's hot loop: make_room(n) ensures n free bytes
  // at cursor(); bytes put there count once advance() is called.
  char* cursor() { return buffer_.get() + used_; }
  char* buffer_end() { return buffer_.get() + CAPACITY; }
  void advance(std::size_t n) { used_ += n; }
  void make_room(std::size_t n) {
    if (CAPACITY - used_ < n) flush();
  }

private:
  Sink& sink_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::uint64_t handed_ = 0;
  bool failed_ = false;
};

} // namespace textdump
