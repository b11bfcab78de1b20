// Text read line by line: the one place that decides where a line ends, for
// every file the program reads in lines (table files, letter orders, scripts).
//
//   LineEnds::any  CR LF, a lone LF or a lone CR ends a line (table files)
//   LineEnds::lf   LF ends a line, and a CR just before it (or at the very
//                  end of the text) belongs to that end; any other CR is part
//                  of the line (scripts, read as the inserter reads them)
//
// Every line comes in order, empty ones too, numbered from 1. The line end
// at the very end of the text begins no line after it; an empty text has no
// line at all.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace textdump {

enum class LineEnds { any, lf };

struct TextLine {
  std::size_t number = 0;   // from 1
  std::string_view content; // without its line end
  std::string_view end;     // "\r\n", "\n" or "\r"; empty at the end of the text
};

class TextLines {
public:
  explicit TextLines(std::string_view text, LineEnds ends = LineEnds::any)
      : text_(text), ends_(ends) {}

  // The next line; nothing once the text is read.
  std::optional<TextLine> next() {
    if (at_ >= text_.size()) return std::nullopt;
    const std::size_t found = text_.find_first_of(ends_ == LineEnds::any ? "\r\n" : "\n", at_);
    std::size_t stop = found == std::string_view::npos ? text_.size() : found;
    std::size_t after = found == std::string_view::npos ? stop : stop + 1;
    if (ends_ == LineEnds::lf) {
      if (stop > at_ && text_[stop - 1] == '\r') --stop;
    } else if (found != std::string_view::npos && text_[stop] == '\r' && after < text_.size() &&
               text_[after] == '\n') {
      ++after;
    }
    const TextLine line{++number_, text_.substr(at_, stop - at_), text_.substr(stop, after - stop)};
    at_ = after;
    return line;
  }

private:
  std::string_view text_;
  LineEnds ends_;
  std::size_t at_ = 0;
  std::size_t number_ = 0;
};

} // namespace textdump
