// The overlap test on packed rows: each row pair is compared 64 cells at a time,
// limited to the columns where both rows can hold solid cells.
#include "ArrayCollision.h"

#include <algorithm>

// 64 cells of a packed row starting at column `at` (at >= 0); cells past the
// row's end come from the spare word or the next row and must be masked off.
static inline uint64_t RowBits(const uint64_t* row, int64_t at) {
    const int64_t word = at >> 6;
    const int shift = static_cast<int>(at & 63);
    uint64_t value = row[word] >> shift;
    if (shift != 0) value |= row[word + 1] << (64 - shift);
    return value;
}

// Whole-pixel positions are widened to 64 bits so that corners of bodies at the
// ends of the 32-bit range stay exact.
int32_t MaskOverlap(const Body& a, int32_t ax, int32_t ay, const Body& b, int32_t bx, int32_t by) {
    const MaskCells* ma = a.mask.cells.get();
    const MaskCells* mb = b.mask.cells.get();
    if (ma == nullptr || mb == nullptr) return 0;
    // Offset of b's top-left corner in a's cell coordinates.
    const int64_t dx = (int64_t{ax} - (ma->width - 1) / 2) - (int64_t{bx} - (mb->width - 1) / 2);
    const int64_t dy = (int64_t{ay} - (ma->height - 1) / 2) - (int64_t{by} - (mb->height - 1) / 2);
    // Rows of a that meet a solid row of b.
    const int64_t rowLo = std::max<int64_t>(ma->minY, mb->minY - dy);
    const int64_t rowHi = std::min<int64_t>(ma->maxY, mb->maxY - dy);
    for (int64_t cy = rowLo; cy <= rowHi; ++cy) {
        const int64_t ry = cy + dy;
        const int64_t lo = std::max<int64_t>(ma->rowFirst[cy], mb->rowFirst[ry] - dx);
        const int64_t hi = std::min<int64_t>(ma->rowLast[cy], mb->rowLast[ry] - dx);
        if (lo > hi) continue;
        const uint64_t* rowA = ma->bits.data() + cy * ma->rowWords;
        const uint64_t* rowB = mb->bits.data() + ry * mb->rowWords;
        for (int64_t cx = lo; cx <= hi; cx += 64) {
            uint64_t both = RowBits(rowA, cx) & RowBits(rowB, cx + dx);
            const int64_t count = hi - cx + 1;
            if (count < 64) both &= (uint64_t{1} << count) - 1;
            if (both != 0) return 1;
        }
    }
    return 0;
}
