#include "core/survey/survey_picture.hpp"

#include <algorithm>
#include <array>

namespace textdump {

PictureLayout picture_layout(std::uint64_t rom_size, std::uint64_t bank_bytes) {
  PictureLayout layout;
  layout.row_bytes = std::max<std::uint64_t>(bank_bytes, CELLS_A_ROW);
  while ((rom_size + layout.row_bytes - 1) / layout.row_bytes > MAX_ROWS) layout.row_bytes *= 2;
  layout.cell_bytes = layout.row_bytes / CELLS_A_ROW;
  layout.rows = static_cast<std::size_t>((rom_size + layout.row_bytes - 1) / layout.row_bytes);
  return layout;
}

std::vector<PictureRun> picture_runs(const Survey& survey, const PictureLayout& layout) {
  std::vector<PictureRun> runs;
  if (layout.rows == 0) return runs;
  const std::uint64_t cell_bytes = layout.cell_bytes;
  std::vector<std::array<std::uint64_t, 3>> covered(layout.rows * CELLS_A_ROW);
  for (const Span& span : survey.spans) {
    if (span.length() == 0) continue;
    const auto kind = static_cast<std::size_t>(span.kind);
    for (std::uint64_t cell = span.at / cell_bytes;
         cell <= (span.end - 1) / cell_bytes && cell < covered.size(); ++cell) {
      const std::uint64_t from = std::max(span.at, cell * cell_bytes),
                          to = std::min(span.end, (cell + 1) * cell_bytes);
      covered[static_cast<std::size_t>(cell)][kind] += to - from;
    }
  }
  for (std::size_t i = 0; i < covered.size(); ++i) {
    const auto& c = covered[i];
    std::size_t best = 0;
    for (std::size_t k = 1; k < 3; ++k)
      if (c[k] > c[best]) best = k;
    if (c[best] == 0 || c[best] * 4 < cell_bytes) continue;
    const std::size_t row = i / CELLS_A_ROW, cell = i % CELLS_A_ROW;
    const auto kind = static_cast<SpanKind>(best);
    if (!runs.empty() && runs.back().row == row && runs.back().kind == kind &&
        runs.back().cell + runs.back().cells == cell)
      ++runs.back().cells;
    else
      runs.push_back({row, cell, 1, kind});
  }
  return runs;
}

} // namespace textdump
