#include "core/decode/writer.hpp"

namespace textdump {

bool Writer::flush() {
  const std::string_view pending(buffer_.get(), used_);
  handed_ += used_;
  used_ = 0;
  if (!failed_ && !pending.empty() && !sink_.write(pending)) failed_ = true;
  return !failed_;
}

} // namespace textdump
