// Sub-stepped motion with step-up, bounce and momentum transfer.
//
// A move makes n + 1 passes, n being the larger speed rounded up. Speeds have no
// bound in the game (a held speed boost, a fall that never lands), so long moves
// take their passes in bulk wherever that provably changes nothing:
// - passes whose probes all lie outside the other body's solid rectangle cannot
//   hit; their positions are the repeated sums, which RepeatAdd reproduces
//   rounding for rounding;
// - a pass that leaves the position as it found it (or two that bring it back)
//   repeats until the end, as a pass depends on nothing but the position.
// Everything else is worked pass by pass, at most MaxWorkedPasses per move.
#include "CollisionAPI.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "ArrayCollision.h"
#include "ConvenientMathMacros.h"
#include "SinglePrecisionFloat.h"

// Moves of at most this many passes are worked one by one without any analysis.
static constexpr int64_t ShortMove = 128;
// Passes worked one by one before a long move looks for a bulk skip again.
static constexpr int64_t RecheckPasses = 64;

// Within a stretch of floats that share one spacing u, x + step rounds to
// x + r * u with r fixed (a tie fixes r once x is an even multiple of u), so
// the stretch is crossed in one multiplication; stretches change only at powers
// of two, so a count of any size takes a few hundred rounds at most.
float RepeatAdd(float x, float step, int64_t count) {
    while (count > 0) {
        const float next = x + step;
        --count;
        if (std::bit_cast<uint32_t>(next) == std::bit_cast<uint32_t>(x) || std::isnan(next))
            return next;
        x = next;
        if (count == 0 || !std::isfinite(x)) continue;
        const double a = std::fabs(static_cast<double>(x));
        double u, lo, hi; // spacing, and the floats of the stretch holding x
        if (a < 0x1p-125) {
            u = 0x1p-149;
            hi = 0x1p-125 - u;
            lo = -hi;
        } else {
            int e;
            std::frexp(a, &e); // a in [2^(e-1), 2^e)
            u = std::ldexp(1.0, e - 24);
            if (x > 0.0f) {
                lo = std::ldexp(1.0, e - 1);
                hi = std::ldexp(1.0, e) - u;
            } else {
                lo = -(std::ldexp(1.0, e) - u);
                hi = -std::ldexp(1.0, e - 1);
            }
        }
        const double s = step;
        if (std::fabs(s) >= 0x1p22 * u) continue;
        const double q = s / u;
        const double whole = std::floor(q);
        const bool tie = q - whole == 0.5;
        const double k = static_cast<double>(x) / u;
        if (tie && std::fmod(k, 2.0) != 0.0) continue; // the next sum makes x even
        const double r =
            tie ? (std::fmod(whole, 2.0) == 0.0 ? whole : whole + 1.0) : std::nearbyint(q);
        if (r == 0.0) continue;
        const double d = r * u;
        // Sums x + j*d + step for j = 0 .. jumps-1 must stay a spacing inside the
        // stretch, which also absorbs the rounding of these double sums.
        const double first = static_cast<double>(x) + s;
        const double lowest = lo + u, highest = hi - u;
        if (first < lowest || first > highest) continue;
        const double room = d > 0.0 ? (highest - first) / d : (lowest - first) / d;
        int64_t jumps = static_cast<int64_t>(std::min(room, 0x1p40)) + 1;
        jumps = std::min(jumps, count);
        while (jumps > 0) {
            const double last = first + static_cast<double>(jumps - 1) * d;
            if (last >= lowest && last <= highest) break;
            --jumps;
        }
        if (jumps <= 0) continue;
        x = static_cast<float>(static_cast<double>(x) + static_cast<double>(jumps) * d);
        count -= jumps;
    }
    return x;
}

namespace {

// The whole-pixel probe positions at which a probe may touch the other body,
// turned into float limits: at a position at or beyond a limit on either axis
// every probe of a pass lies outside (probes reach one pixel either way).
struct ProbeZone {
    bool never = false; // no probe can touch: a mask without solid cells
    bool hasLeft = false, hasRight = false, hasTop = false, hasBottom = false;
    float left = 0, right = 0, top = 0, bottom = 0;
};

// Lowest and highest whole-pixel probe position of a coordinate, one pixel
// either way included.
int64_t ProbeLow(float v) {
    return std::min({NearestInt(v - 1.0f), NearestInt(v), NearestInt(v + 1.0f)});
}
int64_t ProbeHigh(float v) {
    return std::max({NearestInt(v - 1.0f), NearestInt(v), NearestInt(v + 1.0f)});
}

// A float at or below which every probe position lies below `lowest`.
bool LowLimit(int64_t lowest, float& limit) {
    if (lowest <= std::numeric_limits<int32_t>::min()) return false;
    const double at = static_cast<double>(lowest) - 4.0 - std::fabs(double(lowest)) * 0x1p-20;
    limit = std::nextafter(static_cast<float>(at), -std::numeric_limits<float>::infinity());
    return ProbeHigh(limit) < lowest;
}

// A float at or above which every probe position lies above `highest`.
bool HighLimit(int64_t highest, float& limit) {
    if (highest >= std::numeric_limits<int32_t>::max()) return false;
    const double at = static_cast<double>(highest) + 4.0 + std::fabs(double(highest)) * 0x1p-20;
    limit = std::nextafter(static_cast<float>(at), std::numeric_limits<float>::infinity());
    return ProbeLow(limit) > highest;
}

// The probe limits of `body` against `other` at other's current whole-pixel position.
ProbeZone MakeZone(const Body& body, const Body& other) {
    ProbeZone zone;
    const MaskCells* mb = body.mask.cells.get();
    const MaskCells* mo = other.mask.cells.get();
    if (mb == nullptr || mo == nullptr || mb->minX > mb->maxX || mo->minX > mo->maxX) {
        zone.never = true;
        return zone;
    }
    const int64_t ox = int64_t{NearestInt(other.x)} - (mo->width - 1) / 2;
    const int64_t oy = int64_t{NearestInt(other.y)} - (mo->height - 1) / 2;
    const int64_t hx = (mb->width - 1) / 2, hy = (mb->height - 1) / 2;
    // A probe at column p puts body's solid columns on p - hx + minX .. p - hx + maxX.
    const int64_t colLo = ox + mo->minX + hx - mb->maxX, colHi = ox + mo->maxX + hx - mb->minX;
    const int64_t rowLo = oy + mo->minY + hy - mb->maxY, rowHi = oy + mo->maxY + hy - mb->minY;
    zone.hasLeft = LowLimit(colLo, zone.left);
    zone.hasRight = HighLimit(colHi, zone.right);
    zone.hasTop = LowLimit(rowLo, zone.top);
    zone.hasBottom = HighLimit(rowHi, zone.bottom);
    return zone;
}

// Passes j = 1 .. count ahead on one axis, from v moving by step: the range
// [first, last] of passes whose position is inside the limits (first > last
// when there is none). Positions move one way only, so the passes before the
// low limit and beyond the high limit form a prefix and a suffix.
struct PassRange {
    int64_t first, last;
};

PassRange InsideRange(float v, float step, bool hasLow, float low, bool hasHigh, float high,
                      int64_t count) {
    auto belowLow = [&](int64_t j) { return hasLow && RepeatAdd(v, step, j) <= low; };
    auto aboveHigh = [&](int64_t j) { return hasHigh && RepeatAdd(v, step, j) >= high; };
    const bool rising = step >= 0.0f;
    // Length of the prefix where `outside` holds, then start of the suffix.
    auto prefix = [&](auto outside) -> int64_t {
        if (!outside(1)) return 0;
        if (outside(count)) return count;
        int64_t yes = 1, no = count;
        while (no - yes > 1) {
            const int64_t mid = yes + (no - yes) / 2;
            (outside(mid) ? yes : no) = mid;
        }
        return yes;
    };
    auto suffix = [&](auto outside) -> int64_t {
        if (outside(1)) return 1;
        if (!outside(count)) return count + 1;
        int64_t no = 1, yes = count;
        while (yes - no > 1) {
            const int64_t mid = no + (yes - no) / 2;
            (outside(mid) ? yes : no) = mid;
        }
        return yes;
    };
    if (rising) return {prefix(belowLow) + 1, suffix(aboveHigh) - 1};
    return {prefix(aboveHigh) + 1, suffix(belowLow) - 1};
}

// True when both ends of the next `count` passes lie beyond one limit of the
// axis, so every pass in between does too.
bool AllOutside(float v, float step, bool hasLow, float low, bool hasHigh, float high,
                int64_t count) {
    const float a = v + step, b = RepeatAdd(v, step, count);
    return (hasLow && a <= low && b <= low) || (hasHigh && a >= high && b >= high);
}

struct Mover {
    Body& body;
    const Body& other;
    bool stepUp;
    float sx, sy, signX, signY;
    bool fx = false, fy = false;

    // One pass at (x, y): advance, horizontal probe with the climb, vertical probe.
    void Pass(float& x, float& y) {
        x = x + sx;
        y = y + sy;
        if (MaskOverlap(body, NearestInt(x + signX), NearestInt(y), other, NearestInt(other.x),
                        NearestInt(other.y)) == 1) {
            if (stepUp && MaskOverlap(body, NearestInt(x + signX), NearestInt(y - 1.0f), other,
                                      NearestInt(other.x), NearestInt(other.y)) == 0) {
                y = y - 1.0f;
            } else {
                x = x - sx;
                fx = true;
            }
        }
        if (MaskOverlap(body, NearestInt(x), NearestInt(y + signY), other, NearestInt(other.x),
                        NearestInt(other.y)) == 1) {
            y = y - sy;
            fy = true;
        }
    }

    // All `total` passes of a long move from (x, y), taking in bulk what provably
    // matches the pass-by-pass result.
    void LongPasses(float& x, float& y, int64_t total) {
        const ProbeZone zone = MakeZone(body, other);
        if (zone.never) {
            x = RepeatAdd(x, sx, total);
            y = RepeatAdd(y, sy, total);
            return;
        }
        int64_t done = 0, worked = 0, nextCheck = 0;
        bool hasBack = false; // (backX, backY) holds the position two passes back
        float backX = 0, backY = 0;
        auto same = [](float a, float b) {
            return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
        };
        while (done < total) {
            const int64_t left = total - done;
            if (done >= nextCheck && left > ShortMove) {
                if (AllOutside(x, sx, zone.hasLeft, zone.left, zone.hasRight, zone.right, left) ||
                    AllOutside(y, sy, zone.hasTop, zone.top, zone.hasBottom, zone.bottom, left)) {
                    x = RepeatAdd(x, sx, left);
                    y = RepeatAdd(y, sy, left);
                    return;
                }
                const PassRange rx =
                    InsideRange(x, sx, zone.hasLeft, zone.left, zone.hasRight, zone.right, left);
                const PassRange ry =
                    InsideRange(y, sy, zone.hasTop, zone.top, zone.hasBottom, zone.bottom, left);
                const int64_t first = std::max(rx.first, ry.first);
                const int64_t last = std::min(rx.last, ry.last);
                if (first > last) {
                    x = RepeatAdd(x, sx, left);
                    y = RepeatAdd(y, sy, left);
                    return;
                }
                if (first > 1) {
                    x = RepeatAdd(x, sx, first - 1);
                    y = RepeatAdd(y, sy, first - 1);
                    done += first - 1;
                    hasBack = false;
                }
                nextCheck = done + std::max(last - first + 1, RecheckPasses);
                continue;
            }
            if (worked >= MaxWorkedPasses) return;
            const float bx = x, by = y;
            Pass(x, y);
            ++done;
            ++worked;
            if (same(x, bx) && same(y, by)) return; // every further pass repeats this one
            if (hasBack && same(x, backX) && same(y, backY)) {
                // Two passes bring the position back: an odd rest ends one pass along.
                if ((total - done) % 2 != 0) {
                    x = bx;
                    y = by;
                }
                return;
            }
            backX = bx;
            backY = by;
            hasBack = true;
        }
    }
};

// One move of `body` against `other`; `pushed` (other itself, or null) takes the
// transfer. Returns 1 when blocked on an axis; changes body's position,
// velocity and hit fields, and pushed's velocity.
int32_t Move(Body& body, const Body& other, bool stepUp, Body* pushed) {
    const int32_t n = NearestInt(RoundUp(MaxF(std::fabs(body.vx), std::fabs(body.vy))));
    if (n <= 0) return 0;
    Mover m{body, other, stepUp, 0.0f, 0.0f, 0.0f, 0.0f};
    m.sx = body.vx / static_cast<float>(n);
    m.sy = body.vy / static_cast<float>(n);
    m.signX = SignF(m.sx);
    m.signY = SignF(m.sy);
    const int64_t total = int64_t{n} + 1;
    if (total <= ShortMove || &body == &other) {
        // Worked on the fields themselves: a body moved against itself sees its
        // own position change from probe to probe.
        body.x = body.x - m.sx;
        body.y = body.y - m.sy;
        const int64_t passes = std::min(total, MaxWorkedPasses);
        for (int64_t pass = 0; pass < passes; ++pass) m.Pass(body.x, body.y);
    } else {
        float x = body.x - m.sx, y = body.y - m.sy;
        m.LongPasses(x, y, total);
        body.x = x;
        body.y = y;
    }
    body.x = body.x + m.sx;
    body.y = body.y + m.sy;
    if (m.fx) {
        if (pushed != nullptr) pushed->vx = pushed->vx + body.vx * body.transferX;
        body.hitX = NearestInt(m.signX);
        body.vx = (-body.vx) * body.bounceX;
    } else {
        body.hitX = 0;
    }
    if (m.fy) {
        if (pushed != nullptr) pushed->vy = pushed->vy + body.vy * body.transferY;
        body.hitY = NearestInt(m.signY);
        body.vy = (-body.vy) * body.bounceY;
    } else {
        body.hitY = 0;
    }
    return m.fx || m.fy ? 1 : 0;
}

} // namespace

int32_t MoveBody(Body& body, Body& other, int32_t transfer) {
    return Move(body, other, true, transfer == 1 ? &other : nullptr);
}

int32_t MoveBodyPlain(Body& body, const Body& other) {
    return Move(body, other, false, nullptr);
}
