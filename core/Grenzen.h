#pragma once

#include <cstddef>

namespace zorta {

// The limits that the cut and the batch interpreter share. The cut refuses
// before its first piece every job whose batch file the interpreter would
// refuse, so both sides read them from here and nowhere else.

// Windows cmd reads at most this many characters of a batch line; the rest
// of a longer line is cut off and the truncated copy appends to its first
// source. Counted in the bytes of the written code page, CR LF excluded.
inline constexpr std::size_t kZeileHoechstens = 8191;

// Batch files naming more pieces in all are refused before anything runs.
// Far above any real job (200,000 pieces of 1.4 MB are 280 GB), and low
// enough that a hostile file's cost stays bounded.
inline constexpr std::size_t kTeileHoechstens = 200'000;

// Batch files and checksum files above this size are refused unread. The
// batch file of kTeileHoechstens pieces with 250-byte names, split into
// lines of kZeileHoechstens bytes, needs about 54 MiB; its checksum file
// with one line per piece about 61 MiB.
inline constexpr std::size_t kStapelHoechstens = 64 * 1024 * 1024;

}  // namespace zorta
