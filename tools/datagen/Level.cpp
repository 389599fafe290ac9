// The test level: a closed valley with steps, slopes, walls, a low tunnel and
// floating islands, drawn as grass-topped earth and stone.
#include "DataGen.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int CentreX = (LevelWidth - 1) / 2;
constexpr int CentreY = (LevelHeight - 1) / 2;

// Returns a well-mixed 32-bit value for the integer pair and seed.
uint32_t Hash(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

// Returns a value in [0, 1) for the integer pair and seed.
float Hash01(int x, int y, uint32_t seed) {
    return static_cast<float>(Hash(x, y, seed) >> 8) / 16777216.0f;
}

// Ground outline: the world row of the top solid pixel for each world column,
// built from flat runs, 1-pixel stairs, slopes and hand-placed blocks.
struct Ground {
    std::vector<int> top; // indexed by world x + CentreX
    // Returns the top row at world column x.
    int& At(int x) { return top[static_cast<size_t>(x + CentreX)]; }
};

// Sets the ground top to y over world columns [x0, x1).
void Flat(Ground& g, int x0, int x1, int y) {
    for (int x = x0; x < x1; ++x) g.At(x) = y;
}

// Sets a straight slope from y0 at x0 to y1 at x1 (exclusive).
void Slope(Ground& g, int x0, int x1, int y0, int y1) {
    for (int x = x0; x < x1; ++x)
        g.At(x) = y0 + static_cast<int>(std::lround(static_cast<double>(y1 - y0) * (x - x0) /
                                                    static_cast<double>(x1 - x0)));
}

// Sets stairs from y0 at x0 changing by dy every `width` columns until x1.
void Stairs(Ground& g, int x0, int x1, int y0, int width, int dy) {
    for (int x = x0; x < x1; ++x) g.At(x) = y0 + dy * ((x - x0) / width);
}

// Roughens [x0, x1) by a walk of single-pixel rises and falls that ends where
// it started, so every bump can be climbed.
void Rough(Ground& g, int x0, int x1, uint32_t seed) {
    int offset = 0;
    for (int x = x0; x < x1; ++x) {
        int left = x1 - x;
        if (Hash01(x, 0, seed) < 0.25f) offset += (Hash01(x, 1, seed) < 0.5f) ? 1 : -1;
        offset = std::clamp(offset, -3, 3);
        if (std::abs(offset) > left / 4) offset -= (offset > 0) - (offset < 0);
        g.At(x) += offset;
    }
}

// A floating island: a grassy top over an underside that tapers to a point.
struct Island {
    int x0, x1, top, thickness;
};

// A solid block from row top to row bottom (inclusive) over columns [x0, x1).
struct Block {
    int x0, x1, top, bottom;
};

const Island Islands[] = {
    // the air-jump shelves over the right meadow
    {196, 262, 62, 8},
    {292, 346, 26, 8},
    // the upper road from the left tower across the sky and down again
    {-668, -596, -42, 10},
    {-566, -486, -78, 12},
    {-452, -376, -56, 9},
    {-340, -252, -94, 12},
    {-214, -130, -66, 9},
    {-92, 36, -104, 14},
    {74, 150, -72, 10},
    {190, 262, -40, 9},
    {310, 372, -20, 9},
    {420, 486, 6, 9},
    {506, 560, 30, 8},
};

const Block Blocks[] = {
    // the low tunnel left of the spawn: 30 rows of headroom under it
    {-150, -66, 56, 83},
    // the arch over the right valley, joined to the right wall
    {572, 740, 90, 116},
    // a single-jump block in the left pit
    {-484, -458, 82, 100},
};

// Returns the solid cells of the level: 1 solid, 0 empty, row by row.
std::vector<uint8_t> BuildSolid() {
    Ground g;
    g.top.assign(LevelWidth, 0);
    // Right of the spawn: stairs up, a meadow, a block, a kerb, a slope down
    // into a valley and the right wall.
    Flat(g, -767, 769, 114);
    Flat(g, -40, 40, 114);
    Stairs(g, 40, 110, 113, 7, -1); // ten 1-pixel steps up
    Flat(g, 110, 330, 104);
    Rough(g, 112, 180, 11);
    Flat(g, 330, 400, 86); // an 18-pixel block: one jump
    Flat(g, 400, 432, 104);
    Flat(g, 432, 472, 102); // a 2-pixel kerb
    Slope(g, 472, 562, 102, 147);
    Flat(g, 562, 769, 147);
    // Left of the spawn: under the tunnel, two 2-pixel steps, a long slope up
    // to a plateau, a pit with a block in it, and a tower of blocks.
    Flat(g, -150, -40, 114);
    Flat(g, -170, -150, 112);
    Flat(g, -190, -170, 110);
    Slope(g, -330, -190, 60, 110);
    Flat(g, -430, -330, 60);
    Rough(g, -425, -340, 23);
    Flat(g, -510, -430, 100);
    Flat(g, -560, -510, 60);
    Flat(g, -610, -560, 60);
    Flat(g, -655, -610, 42);
    Flat(g, -700, -655, 22);
    Flat(g, -767, -700, 2);

    std::vector<uint8_t> solid(static_cast<size_t>(LevelWidth) * LevelHeight, 0);
    auto set = [&](int wx, int wy) {
        int ix = wx + CentreX, iy = wy + CentreY;
        if (ix >= 0 && iy >= 0 && ix < LevelWidth && iy < LevelHeight)
            solid[static_cast<size_t>(iy) * LevelWidth + ix] = 1;
    };
    for (int ix = 0; ix < LevelWidth; ++ix) {
        int wx = ix - CentreX;
        int groundTop = g.At(wx);
        // Ceiling and side walls with a ragged inner face.
        int ceiling =
            -352 + static_cast<int>(6.0 * std::sin(wx * 0.05) + 5.0 * Hash01(wx / 9, 3, 5));
        for (int iy = 0; iy < LevelHeight; ++iy) {
            int wy = iy - CentreY;
            int wallReach =
                742 - static_cast<int>(4.0 * Hash01(wy / 7, 4, 7) + 3.0 * std::sin(wy * 0.04));
            if (wy >= groundTop || wy <= ceiling || std::abs(wx) >= wallReach) set(wx, wy);
        }
    }
    for (const Island& island : Islands) {
        int width = island.x1 - island.x0;
        for (int x = island.x0; x < island.x1; ++x) {
            // The underside narrows toward both ends like a hanging rock.
            double t = (x - island.x0 + 0.5) / width;
            double belly = std::sqrt(std::max(0.0, 1.0 - (2 * t - 1) * (2 * t - 1)));
            int depth = 3 + static_cast<int>(std::lround((island.thickness - 3) * belly)) +
                        static_cast<int>(Hash01(x / 3, 6, 9) * 2.0);
            for (int y = island.top; y < island.top + depth; ++y) set(x, y);
        }
    }
    for (const Block& block : Blocks)
        for (int x = block.x0; x < block.x1; ++x)
            for (int y = block.top; y <= block.bottom; ++y) set(x, y);
    return solid;
}

// Returns whether the cell at image position (ix, iy) is solid; outside counts
// as solid so the border reads as rock.
bool Solid(const std::vector<uint8_t>& solid, int ix, int iy) {
    if (ix < 0 || iy < 0 || ix >= LevelWidth || iy >= LevelHeight) return true;
    return solid[static_cast<size_t>(iy) * LevelWidth + ix] != 0;
}

// 4 × 4 ordered-dither threshold in [0, 1).
float Bayer(int x, int y) {
    static const int m[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (static_cast<float>(m[y & 3][x & 3]) + 0.5f) / 16.0f;
}

// Returns a or b by ordered dither: b's share is t.
uint32_t Dither(uint32_t a, uint32_t b, float t, int x, int y) {
    return t > Bayer(x, y) ? b : a;
}

// Returns the stone colour of a rock pixel from a jittered cell pattern; the
// share of dark stones grows with `darkness` (0 to 1).
uint32_t RockColor(int x, int y, float darkness) {
    // Each 9 × 6 cell holds one stone; its centre is jittered.
    int cellW = 9, cellH = 6;
    int cx = (x + ((y / cellH) & 1) * 4) / cellW, cy = y / cellH;
    float best = 1e9f, second = 1e9f;
    float bestDx = 0, bestDy = 0;
    int bestX = 0, bestY = 0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            int gx = cx + i, gy = cy + j;
            float px = gx * cellW - ((gy & 1) * 4) + cellW * (0.25f + 0.5f * Hash01(gx, gy, 31));
            float py = gy * cellH + cellH * (0.25f + 0.5f * Hash01(gx, gy, 37));
            float dx = (x - px) / 1.3f, dy = y - py;
            float d = dx * dx + dy * dy;
            if (d < best) {
                second = best;
                best = d;
                bestDx = dx;
                bestDy = dy;
                bestX = gx;
                bestY = gy;
            } else if (d < second) {
                second = d;
            }
        }
    }
    bool dark = Hash01(bestX, bestY, 39) < darkness;
    if (std::sqrt(second) - std::sqrt(best) < 1.1f)
        return darkness > 0.55f ? Pal::Ink : Pal::DarkStone;
    if (bestDx + bestDy < -2.5f) return dark ? Pal::Stone : Pal::LightStone;
    return dark ? Pal::DarkStone : Pal::Stone;
}

// Returns for every cell its approximate distance in pixels to the nearest
// empty cell (0 for empty cells), by a two-pass chamfer sweep.
std::vector<float> AirDistance(const std::vector<uint8_t>& solid) {
    const float far = 1e6f, diagonal = 1.414f;
    std::vector<float> dist(solid.size());
    for (size_t i = 0; i < solid.size(); ++i) dist[i] = solid[i] ? far : 0.0f;
    auto at = [&](int x, int y) -> float& { return dist[static_cast<size_t>(y) * LevelWidth + x]; };
    for (int y = 0; y < LevelHeight; ++y)
        for (int x = 0; x < LevelWidth; ++x) {
            float& d = at(x, y);
            if (x > 0) d = std::min(d, at(x - 1, y) + 1);
            if (y > 0) {
                d = std::min(d, at(x, y - 1) + 1);
                if (x > 0) d = std::min(d, at(x - 1, y - 1) + diagonal);
                if (x < LevelWidth - 1) d = std::min(d, at(x + 1, y - 1) + diagonal);
            }
        }
    for (int y = LevelHeight - 1; y >= 0; --y)
        for (int x = LevelWidth - 1; x >= 0; --x) {
            float& d = at(x, y);
            if (x < LevelWidth - 1) d = std::min(d, at(x + 1, y) + 1);
            if (y < LevelHeight - 1) {
                d = std::min(d, at(x, y + 1) + 1);
                if (x < LevelWidth - 1) d = std::min(d, at(x + 1, y + 1) + diagonal);
                if (x > 0) d = std::min(d, at(x - 1, y + 1) + diagonal);
            }
        }
    return dist;
}

} // namespace

// Returns the level's terrain picture (solid mask and visible ground at once).
Picture MakeLevelCollision() {
    std::vector<uint8_t> solid = BuildSolid();
    std::vector<float> air = AirDistance(solid);
    Picture picture = NewPicture(LevelWidth, LevelHeight, 0);
    std::vector<int> depth(LevelWidth, 0); // solid cells since the last air cell above
    for (int iy = 0; iy < LevelHeight; ++iy) {
        for (int ix = 0; ix < LevelWidth; ++ix) {
            if (!Solid(solid, ix, iy)) {
                depth[ix] = 0;
                continue;
            }
            int d = (iy == 0) ? 99 : depth[ix];
            depth[ix] = std::min(d + 1, 99);
            // Distance to air below (overhangs) and whether a side is open.
            int below = 0;
            while (below < 4 && Solid(solid, ix, iy + below + 1)) ++below;
            bool airLeft = !Solid(solid, ix - 1, iy);
            bool sideFace = airLeft || !Solid(solid, ix + 1, iy);
            float darkness = std::clamp(
                (air[static_cast<size_t>(iy) * LevelWidth + ix] - 8.0f) / 40.0f, 0.0f, 1.0f);
            uint32_t rock = RockColor(ix, iy, darkness);
            uint32_t c;
            int grassLine = 3 + static_cast<int>(Hash01(ix, 1, 3) * 2.0f);
            if (d == 0) {
                c = Pal::LightGrass;
            } else if (d < grassLine) {
                c = Dither(Pal::Grass, Pal::LightGrass, d == 1 ? 0.25f : 0.0f, ix, iy);
            } else if (d < grassLine + 2) {
                c = (Hash01(ix / 2, iy, 4) < 0.6f) ? Pal::DeepGrass : Pal::Earth;
            } else if (d < 22) {
                // Earth with pebbles, darkening with depth.
                float t = (d - 5) / 17.0f;
                c = Dither(Pal::Earth, Pal::DarkEarth, t * 0.9f, ix, iy);
                if (Hash01(ix / 2, iy / 2, 8) < 0.05f) c = Pal::Stone;
            } else if (d < 30) {
                c = Dither(Pal::DarkEarth, rock, (d - 22) / 8.0f, ix, iy);
            } else {
                c = rock;
            }
            if (d > 0 && sideFace) {
                // Exposed side faces: lit from the left, shaded on the right.
                bool deep = d >= 22;
                if (airLeft)
                    c = d < grassLine ? Pal::Grass : (deep ? Pal::LightStone : Pal::Earth);
                else
                    c = d < grassLine ? Pal::DeepGrass : (deep ? Pal::DarkStone : Pal::DarkEarth);
            }
            if (below == 0)
                c = Pal::Violet; // underside rim
            else if (below == 1 && d > 1)
                c = Pal::DarkEarth;
            picture.pixels[static_cast<size_t>(iy) * LevelWidth + ix] = Rgb(c);
        }
    }
    return picture;
}

namespace {

// Returns the height of a ridge line at world column x: a sum of sines whose
// phases come from the seed.
double Ridge(double x, double base, double amplitude, uint32_t seed) {
    double h = 0;
    double freq = 0.004, amp = amplitude;
    for (int octave = 0; octave < 4; ++octave) {
        double phase = Hash01(octave, 0, seed) * 6.2831853;
        h += amp * std::sin(x * freq + phase);
        freq *= 2.1;
        amp *= 0.45;
    }
    return base + h;
}

} // namespace

// Returns the picture behind the terrain; `dusk` picks the evening variant.
Picture MakeLevelBackground(bool dusk) {
    std::vector<uint8_t> solid = BuildSolid();
    Picture picture = NewPicture(LevelWidth, LevelHeight, 0);
    // Sky bands from the top of the picture to the horizon.
    const std::vector<uint32_t> duskSky = {Pal::Ink,   Pal::Violet, Pal::Indigo, Pal::Maroon,
                                           Pal::Brick, Pal::Orange, Pal::Gold};
    const std::vector<uint32_t> daySky = {Pal::Blue, Pal::Sky, Pal::PaleSky, Pal::Cream};
    const std::vector<uint32_t>& sky = dusk ? duskSky : daySky;
    const int skyTop = -360, horizon = 70;
    for (int iy = 0; iy < LevelHeight; ++iy) {
        int wy = iy - CentreY;
        float t = std::clamp(static_cast<float>(wy - skyTop) / (horizon - skyTop), 0.0f, 1.0f);
        float band = t * static_cast<float>(sky.size() - 1);
        int b = std::min(static_cast<int>(band), static_cast<int>(sky.size()) - 2);
        float f = band - static_cast<float>(b);
        for (int ix = 0; ix < LevelWidth; ++ix) {
            uint32_t c = Dither(sky[b], sky[b + 1], f, ix, iy);
            picture.pixels[static_cast<size_t>(iy) * LevelWidth + ix] = Rgb(c);
        }
    }
    // Stars in the evening, drifting clouds in the day.
    for (int iy = 0; iy < LevelHeight; ++iy) {
        int wy = iy - CentreY;
        for (int ix = 0; ix < LevelWidth; ++ix) {
            int wx = ix - CentreX;
            if (dusk) {
                float chance = std::clamp((-60.0f - wy) / 300.0f, 0.0f, 1.0f) * 0.006f;
                if (Hash01(ix, iy, 41) < chance) {
                    uint32_t star = Hash01(ix, iy, 42) < 0.3f ? Pal::Cream : Pal::PaleSky;
                    SetPixel(picture, ix, iy, Rgb(star));
                    if (Hash01(ix, iy, 43) < 0.15f) {
                        // a few bright ones with a small cross
                        SetPixel(picture, ix - 1, iy, Rgb(Pal::Sky));
                        SetPixel(picture, ix + 1, iy, Rgb(Pal::Sky));
                        SetPixel(picture, ix, iy - 1, Rgb(Pal::Sky));
                        SetPixel(picture, ix, iy + 1, Rgb(Pal::Sky));
                    }
                }
            } else {
                // Clouds: flat-bottomed puffs along a few lanes.
                for (int lane = 0; lane < 3; ++lane) {
                    double cy = -250 + lane * 90;
                    double puff = Ridge(wx + lane * 400.0, 0, 14, 50 + lane);
                    double bottom = cy + 6;
                    double topEdge = cy - 8 - puff;
                    double gate = std::sin(wx * 0.011 + lane * 2.0);
                    if (gate > 0.2 && wy <= bottom && wy >= topEdge + (1 - gate) * 30) {
                        uint32_t c = (wy > bottom - 3) ? Pal::PaleSky : Pal::Cream;
                        SetPixel(picture, ix, iy, Rgb(c));
                    }
                }
            }
        }
    }
    // The sun (low and large at dusk, high and small in the day).
    {
        double sx = dusk ? -220 : 380, sy = dusk ? 30 : -260, r = dusk ? 46 : 22;
        for (int iy = 0; iy < LevelHeight; ++iy) {
            for (int ix = 0; ix < LevelWidth; ++ix) {
                double dx = ix - CentreX - sx, dy = iy - CentreY - sy;
                double d = std::sqrt(dx * dx + dy * dy);
                if (d < r) {
                    uint32_t c =
                        dusk ? Dither(Pal::Cream, Pal::Gold, static_cast<float>(d / r), ix, iy)
                             : Pal::Cream;
                    // evening sun striped by thin haze lines
                    if (dusk && dy > 4 && (static_cast<int>(dy) % 7) < 2) continue;
                    SetPixel(picture, ix, iy, Rgb(c));
                } else if (!dusk && d < r + 3) {
                    SetPixel(picture, ix, iy, Rgb(Dither(Pal::PaleSky, Pal::Cream, 0.5f, ix, iy)));
                }
            }
        }
    }
    // Ridges, far to near: each fills from its line down to the bottom.
    struct Layer {
        double base, amplitude;
        uint32_t seed, color, rim, mist;
    };
    const Layer duskLayers[] = {{-20, 70, 61, Pal::Maroon, Pal::Brick, Pal::Brick},
                                {40, 45, 62, Pal::Violet, Pal::Maroon, Pal::Maroon},
                                {95, 28, 63, Pal::Ink, Pal::Violet, Pal::Violet}};
    const Layer dayLayers[] = {{-30, 80, 61, Pal::LightStone, Pal::PaleSky, Pal::PaleSky},
                               {40, 45, 62, Pal::Stone, Pal::LightStone, Pal::LightStone},
                               {95, 28, 63, Pal::Indigo, Pal::Stone, Pal::Blue}};
    for (int l = 0; l < 3; ++l) {
        const Layer& layer = dusk ? duskLayers[l] : dayLayers[l];
        for (int ix = 0; ix < LevelWidth; ++ix) {
            int wx = ix - CentreX;
            int line = static_cast<int>(Ridge(wx, layer.base, layer.amplitude, layer.seed));
            for (int iy = std::max(0, line + CentreY); iy < LevelHeight; ++iy) {
                int wy = iy - CentreY;
                // mist gathers in the low ground of every range
                float mist = std::clamp((wy - line - 20) / 240.0f, 0.0f, 0.25f);
                uint32_t c =
                    (wy - line < 2) ? layer.rim : Dither(layer.color, layer.mist, mist, ix, iy);
                // far peaks carry snow in the day
                if (!dusk && l == 0 && wy < -60 && wy - line < 10) c = Pal::Cream;
                SetPixel(picture, ix, iy, Rgb(c));
            }
        }
    }
    // Grass tufts and flowers along the terrain's top faces: painted here, in
    // the picture behind, so they decorate without colliding.
    for (int iy = 1; iy < LevelHeight; ++iy) {
        for (int ix = 0; ix < LevelWidth; ++ix) {
            if (!Solid(solid, ix, iy) || Solid(solid, ix, iy - 1)) continue;
            float h = Hash01(ix, iy, 71);
            if (h < 0.35f) {
                int len = 1 + static_cast<int>(Hash01(ix, iy, 72) * 3.0f);
                for (int k = 1; k <= len; ++k)
                    if (!Solid(solid, ix, iy - k))
                        SetPixel(picture, ix, iy - k, Rgb(k == len ? Pal::Grass : Pal::DeepGrass));
            } else if (h < 0.37f) {
                uint32_t petal = Hash01(ix, iy, 73) < 0.5f ? Pal::Cream : Pal::Gold;
                if (!Solid(solid, ix, iy - 1) && !Solid(solid, ix, iy - 2) &&
                    !Solid(solid, ix, iy - 3)) {
                    SetPixel(picture, ix, iy - 1, Rgb(Pal::DeepGrass));
                    SetPixel(picture, ix, iy - 2, Rgb(Pal::DeepGrass));
                    SetPixel(picture, ix, iy - 3, Rgb(petal));
                    SetPixel(picture, ix - 1, iy - 3, Rgb(Pal::Orange));
                    SetPixel(picture, ix + 1, iy - 3, Rgb(Pal::Orange));
                }
            }
        }
    }
    return picture;
}
