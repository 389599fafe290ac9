// The player character, its collision mask and the orb. The head and torso are
// pixel art written out below; arms, legs and the scarf are posed per frame.
#include "DataGen.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int Frame = 32;
constexpr int Ground = 29; // frame row of the soles: the mask's bottom row
constexpr double Pi = 3.14159265358979323846;

// Art of the head, facing right (H hood, h hood shade, S skin, s skin shade,
// E eye, . empty). Drawn with its top-left at frame column 12, row 4.
const char* const HeadArt[] = {
    "..hHHHH...", //
    ".hHHHHHHH.", //
    "hHHHHHHHHH", //
    "hHHHhSSSSS", //
    "hHHhSSSSES", //
    "hHHhSSSSES", //
    ".hHhSSSSSS", //
    "..hhSSSSs.", //
    "....sSSs..", //
};

// Art of the torso (O scarf, o scarf shade, B tunic, b tunic shade, D belt,
// G buckle). Drawn with its top-left at frame column 13, row 13.
const char* const TorsoArt[] = {
    "OOOOOOO.", //
    "oOOOOOOo", //
    ".BBBBBB.", //
    ".bBBBBBB", //
    ".bBBBBBB", //
    ".bBBBBBB", //
    ".bbBBBBb", //
    ".DDDGDDD", //
    ".bbBBBbb", //
};

// The colours of one outfit.
struct Outfit {
    std::map<char, uint32_t> art;
    uint32_t sleeve, farSleeve, hand, pants, farPants, boot, farBoot, scarf, scarfShade;
};

// Returns the outfit: the blue tunic, or the green one of the shadowed sheet.
Outfit MakeOutfit(bool tint) {
    Outfit o;
    uint32_t tunic = tint ? Pal::Grass : Pal::Blue;
    uint32_t tunicShade = tint ? Pal::DeepGrass : Pal::Indigo;
    uint32_t hood = tint ? Pal::Indigo : Pal::Brick;
    uint32_t hoodShade = tint ? Pal::Violet : Pal::Maroon;
    o.art = {{'H', hood},       {'h', hoodShade},      {'S', Pal::Skin},   {'s', Pal::Orange},
             {'E', Pal::Ink},   {'O', Pal::Gold},      {'o', Pal::Orange}, {'B', tunic},
             {'b', tunicShade}, {'D', Pal::DarkEarth}, {'G', Pal::Gold}};
    o.sleeve = tint ? Pal::LightGrass : Pal::Sky;
    o.farSleeve = tunicShade;
    o.hand = Pal::Skin;
    o.pants = Pal::Earth;
    o.farPants = Pal::DarkEarth;
    o.boot = Pal::Maroon;
    o.farBoot = Pal::Violet;
    o.scarf = Pal::Gold;
    o.scarfShade = Pal::Orange;
    return o;
}

// One frame's pose: offsets in frame pixels.
struct Pose {
    int bob = 0;  // body lowered by this many rows
    int lean = 0; // head and torso shifted forward
    double nearFootX = 0, nearFootY = Ground, farFootX = 0, farFootY = Ground;
    double nearHandX = 0, nearHandY = 6, farHandX = 0, farHandY = 6; // from the shoulder
    double scarfPhase = 0, scarfDroop = 0.5, scarfWave = 0.5;
    int scarfLength = 5;
    bool blink = false;
};

// A 32 × 32 frame being drawn.
struct Canvas {
    uint32_t px[Frame][Frame] = {};
    // Paints one pixel of an opaque palette colour.
    void Put(int x, int y, uint32_t color) {
        if (x >= 0 && y >= 0 && x < Frame && y < Frame) px[y][x] = Rgb(color);
    }
};

// Paints the art rows with their top-left at (x0, y0); `blink` closes the eye.
void PutArt(Canvas& c, const char* const* rows, int count, int x0, int y0, const Outfit& o,
            bool blink) {
    for (int r = 0; r < count; ++r) {
        for (int k = 0; rows[r][k]; ++k) {
            char ch = rows[r][k];
            if (ch == '.') continue;
            if (ch == 'E' && blink && r == 4) ch = 'S'; // lid down: half the eye
            c.Put(x0 + k, y0 + r, o.art.at(ch));
        }
    }
}

// Paints a line `width` pixels wide from (x0, y0) to (x1, y1).
void Line(Canvas& c, double x0, double y0, double x1, double y1, int width, uint32_t color) {
    int steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) + 1;
    for (int i = 0; i <= steps; ++i) {
        double t = static_cast<double>(i) / steps;
        int x = static_cast<int>(std::lround(x0 + (x1 - x0) * t));
        int y = static_cast<int>(std::lround(y0 + (y1 - y0) * t));
        for (int w = 0; w < width; ++w) c.Put(x + w, y, color);
    }
}

// Returns the joint between two limb ends of equal halves `half` long, bent
// to the side `bend` (+1 forward, −1 backward).
void Joint(double ax, double ay, double bx, double by, double half, int bend, double& jx,
           double& jy) {
    double vx = bx - ax, vy = by - ay;
    double d = std::sqrt(vx * vx + vy * vy);
    jx = (ax + bx) / 2;
    jy = (ay + by) / 2;
    if (d < 1e-6 || d >= 2 * half) return;
    double h = std::sqrt(half * half - d * d / 4);
    jx += bend * vy / d * h;
    jy += bend * -vx / d * h;
}

// Paints a leg from the hip to the foot with its boot.
void Leg(Canvas& c, double hipX, double hipY, double footX, double footY, uint32_t pants,
         uint32_t boot) {
    double kx, ky;
    Joint(hipX, hipY, footX, footY - 1, 3.2, 1, kx, ky);
    Line(c, hipX, hipY, kx, ky, 2, pants);
    Line(c, kx, ky, footX, footY - 1, 2, pants);
    int fx = static_cast<int>(std::lround(footX)), fy = static_cast<int>(std::lround(footY));
    for (int x = fx; x <= fx + 2; ++x) {
        c.Put(x, fy, Pal::Ink);
        c.Put(x, fy - 1, boot);
    }
}

// Paints an arm from the shoulder to the hand.
void Arm(Canvas& c, double sx, double sy, double hx, double hy, uint32_t sleeve, uint32_t hand) {
    double ex, ey;
    Joint(sx, sy, hx, hy, 3.6, -1, ex, ey);
    Line(c, sx, sy, ex, ey, 2, sleeve);
    Line(c, ex, ey, hx, hy, 2, sleeve);
    int x = static_cast<int>(std::lround(hx)), y = static_cast<int>(std::lround(hy));
    c.Put(x, y, hand);
    c.Put(x + 1, y, hand);
}

// Paints the scarf's loose end trailing behind the neck.
void Scarf(Canvas& c, int neckX, int neckY, const Pose& p, const Outfit& o) {
    for (int i = 1; i <= p.scarfLength; ++i) {
        double fade = std::min(1.0, i / 3.0);
        double y = neckY + p.scarfDroop * i + p.scarfWave * fade * std::sin(p.scarfPhase + i * 0.9);
        int x = neckX - i, yi = static_cast<int>(std::lround(y));
        // a broad knot at the neck thinning to a ribbon
        c.Put(x, yi, i < p.scarfLength ? o.scarf : o.scarfShade);
        if (i <= 2) c.Put(x, yi + 1, o.scarfShade);
    }
}

// Paints the whole figure in the pose, then its dark outline (not below the
// soles, which rest on the ground).
void Figure(Canvas& c, const Pose& p, const Outfit& o) {
    int bx = 13 + p.lean, by = 13 + p.bob; // torso top-left
    double nearHipX = 17.5, farHipX = 14.5, hipY = 22 + p.bob;
    double nearShoulderX = 17.5 + p.lean, farShoulderX = 15.0 + p.lean, shoulderY = 15 + p.bob;
    Arm(c, farShoulderX, shoulderY, farShoulderX + p.farHandX, shoulderY + p.farHandY, o.farSleeve,
        Pal::Orange);
    Leg(c, farHipX, hipY, 15 + p.farFootX, p.farFootY, o.farPants, o.farBoot);
    Scarf(c, bx, by + 1, p, o);
    PutArt(c, TorsoArt, 9, bx, by, o, false);
    PutArt(c, HeadArt, 9, 12 + p.lean, 4 + p.bob, o, p.blink);
    Leg(c, nearHipX, hipY, 17 + p.nearFootX, p.nearFootY, o.pants, o.boot);
    Arm(c, nearShoulderX, shoulderY, nearShoulderX + p.nearHandX, shoulderY + p.nearHandY, o.sleeve,
        o.hand);
    uint32_t ink = Rgb(Pal::Ink);
    Canvas copy = c;
    for (int y = 0; y <= Ground; ++y) {
        for (int x = 0; x < Frame; ++x) {
            if (copy.px[y][x]) continue;
            bool edge = (x > 0 && copy.px[y][x - 1]) || (x < Frame - 1 && copy.px[y][x + 1]) ||
                        (y > 0 && copy.px[y - 1][x]) || (y < Frame - 1 && copy.px[y + 1][x]);
            if (edge) c.px[y][x] = ink;
        }
    }
}

// Returns the poses of a sheet's frames.
std::vector<Pose> SheetPoses(const std::string& sheet) {
    std::vector<Pose> poses;
    if (sheet == "stand") {
        // Slow breath: the body sinks a pixel and rises; a blink on the last.
        for (int i = 0; i < 4; ++i) {
            Pose p;
            p.bob = (i == 1 || i == 2) ? 1 : 0;
            p.nearFootX = 0.5;
            p.farFootX = -1.5;
            p.nearHandX = 0.5;
            p.farHandX = -1;
            p.nearHandY = p.farHandY = 6;
            p.scarfDroop = 1.2;
            p.scarfWave = 0.3;
            p.scarfPhase = i * Pi / 2;
            p.scarfLength = 3;
            p.blink = (i == 3);
            poses.push_back(p);
        }
    } else if (sheet == "walk" || sheet == "run") {
        bool run = sheet == "run";
        double stride = run ? 5.0 : 3.5, lift = run ? 4.5 : 2.5;
        for (int i = 0; i < 8; ++i) {
            double phase = i / 8.0;
            // A foot is planted for the first half of its cycle and swings
            // forward through the air in the second.
            auto foot = [&](double ph, double& fx, double& fy) {
                ph -= std::floor(ph);
                if (ph < 0.5) {
                    fx = stride * (1 - 4 * ph);
                    fy = Ground;
                } else {
                    double s = (ph - 0.5) * 2;
                    fx = -stride + 2 * stride * s;
                    fy =
                        Ground - lift * std::sin(Pi * s) - (run ? 1.5 * std::sin(Pi * s * 0.7) : 0);
                }
            };
            Pose p;
            foot(phase, p.nearFootX, p.nearFootY);
            foot(phase + 0.5, p.farFootX, p.farFootY);
            // Lowest when the feet are furthest apart.
            p.bob = static_cast<int>(
                std::lround(std::fabs(std::cos(2 * Pi * phase)) * (run ? 1.6 : 1.0)));
            p.lean = run ? 1 : 0;
            double swing = run ? 0.9 : 0.7;
            p.nearHandX = -p.nearFootX * swing;
            p.farHandX = -p.farFootX * swing;
            p.nearHandY = run ? 3.5 - 0.3 * p.nearHandX : 6;
            p.farHandY = run ? 3.5 - 0.3 * p.farHandX : 6;
            p.scarfDroop = run ? 0.45 : 1.0;
            p.scarfWave = run ? 1.0 : 0.6;
            p.scarfPhase = phase * 2 * Pi * 2;
            p.scarfLength = run ? 6 : 4;
            poses.push_back(p);
        }
    } else if (sheet == "jump") {
        // Knees tucked, arms out; the scarf streams and flutters.
        for (int i = 0; i < 4; ++i) {
            Pose p;
            p.nearFootX = 3 + (i & 1) * 0.5;
            p.nearFootY = 26;
            p.farFootX = -2.5 - (i & 1) * 0.5;
            p.farFootY = 28;
            p.nearHandX = 4;
            p.nearHandY = -3 + (i == 1 || i == 2 ? 1 : 0);
            p.farHandX = -4;
            p.farHandY = 1;
            p.scarfDroop = -0.4;
            p.scarfWave = 0.8;
            p.scarfPhase = i * Pi / 2;
            p.scarfLength = 5;
            poses.push_back(p);
        }
    }
    return poses;
}

} // namespace

// Returns the player's collision mask picture.
Picture MakePlayerMask() {
    Picture mask = NewPicture(PlayerMaskWidth, PlayerMaskHeight, Rgb(Pal::Ink));
    // Round off the top corners like the hood.
    for (int k = 0; k < 2; ++k) {
        SetPixel(mask, k, 0, 0);
        SetPixel(mask, PlayerMaskWidth - 1 - k, 0, 0);
    }
    SetPixel(mask, 0, 1, 0);
    SetPixel(mask, PlayerMaskWidth - 1, 1, 0);
    return mask;
}

// Returns an animation sheet: "stand", "walk", "jump" or "run"; `tint` swaps
// the clothes' colours for the shadowed variant.
Picture MakePlayerSheet(const std::string& sheet, bool tint) {
    std::vector<Pose> poses = SheetPoses(sheet);
    Outfit outfit = MakeOutfit(tint);
    Picture picture = NewPicture(Frame * static_cast<int>(poses.size()), Frame, 0);
    for (size_t i = 0; i < poses.size(); ++i) {
        Canvas c;
        Figure(c, poses[i], outfit);
        for (int y = 0; y < Frame; ++y)
            for (int x = 0; x < Frame; ++x)
                SetPixel(picture, static_cast<int>(i) * Frame + x, y, c.px[y][x]);
    }
    return picture;
}

// Returns the orb; `glow` adds the wide soft halo.
Picture MakeOrb(bool glow) {
    int size = glow ? 12 : 8;
    Picture orb = NewPicture(size, size, 0);
    double centre = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Slightly up-left of the middle for the hot spot.
            double dx = x - centre, dy = y - centre;
            double r = std::sqrt(dx * dx + dy * dy);
            double hot = std::sqrt((dx + 0.8) * (dx + 0.8) + (dy + 0.8) * (dy + 0.8));
            uint32_t c = 0;
            if (glow) {
                if (hot < 1.2)
                    c = Rgb(Pal::Cream);
                else if (r < 2.3)
                    c = Rgb(Pal::PaleSky);
                else if (r < 3.3)
                    c = Rgb(Pal::Sky);
                else if (r < 6.0) {
                    double a = 1.0 - (r - 3.3) / 2.7;
                    c = WithAlpha(Rgb(Pal::Sky), static_cast<int>(std::lround(200 * a * a)));
                    if ((c >> 24) == 0) c = 0;
                }
            } else {
                if (hot < 1.0)
                    c = Rgb(Pal::Cream);
                else if (r < 2.2)
                    c = Rgb(Pal::Gold);
                else if (r < 3.2)
                    c = Rgb(Pal::Orange);
                else if (r < 4.0)
                    c = WithAlpha(Rgb(Pal::Brick), 160);
            }
            SetPixel(orb, x, y, c);
        }
    }
    return orb;
}
