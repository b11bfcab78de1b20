// The survey as a picture's cells: the ROM in rows of a power of two bytes
// (a whole number of the platform's banks, at most MAX_ROWS rows), each row
// CELLS_A_ROW cells wide. A cell takes the kind that covers most of its bytes
// when that is at least a quarter of them, and stays empty otherwise; the
// cells of one kind side by side in a row are one run. So the picture has at
// most one run a cell, however many spans the survey found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/survey/survey_types.hpp"

namespace textdump {

inline constexpr std::size_t MAX_ROWS = 64, CELLS_A_ROW = 1024;

struct PictureLayout {
  std::uint64_t row_bytes = 0, cell_bytes = 0;
  std::size_t rows = 0;
};

// bank_bytes: the platform's bank (a power of two), or 0 when it has none.
PictureLayout picture_layout(std::uint64_t rom_size, std::uint64_t bank_bytes);

struct PictureRun {
  std::size_t row = 0, cell = 0, cells = 0;
  SpanKind kind = SpanKind::text;
};

// Row by row, left to right.
std::vector<PictureRun> picture_runs(const Survey& survey, const PictureLayout& layout);

} // namespace textdump
