// Which texel each screen pixel of a transformed quad shows, by the rules of
// the hardware rasterisers: a pixel belongs to a triangle when its centre lies
// inside (on a shared edge, to exactly one of the two), and it shows the texel
// under its centre's interpolated texture coordinate. Used where a renderer's
// own triangle filler follows other rules.
#include "PlatSpriteCommon.h"

#include <algorithm>
#include <cmath>

namespace {

// Far below any distance the snapped corners and float texture coordinates
// can make between a centre and a texel edge, far above double rounding.
constexpr double TieNudge = 1.0 / (1 << 20);

struct Corner {
    double x, y, u, v;
};

// Whether a centre exactly on the edge a -> b belongs to the triangle whose
// third corner is c: OpenGL's top-left rule, in its window coordinates with y
// upward, so on our screen a flat edge counts with the inside above it, and a
// sloped one with the inside to its right.
bool EdgeOwnsTies(const Corner& a, const Corner& b, const Corner& c) {
    if (a.y == b.y) return c.y < a.y;
    const double xAtC = a.x + (b.x - a.x) * (c.y - a.y) / (b.y - a.y);
    return c.x > xAtC;
}

// Appends the runs of triangle a, b, c (any turn) within the screen.
void TriangleRuns(Corner a, Corner b, Corner c, int texWidth, int texHeight, int screenWidth,
                  int screenHeight, std::vector<PlatTexelRun>* runs) {
    const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0 || !std::isfinite(area)) return;
    if (area < 0) std::swap(b, c); // from here the edge functions are positive inside
    const Corner* p[3] = {&a, &b, &c};
    bool owns[3];
    for (int e = 0; e < 3; ++e) owns[e] = EdgeOwnsTies(*p[e], *p[(e + 1) % 3], *p[(e + 2) % 3]);
    const double twiceArea = std::fabs(area);
    const double minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    const double minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    const int x0 = std::max(0, static_cast<int>(std::floor(minX - 0.5)));
    const int x1 = std::min(screenWidth - 1, static_cast<int>(std::ceil(maxX - 0.5)));
    const int y0 = std::max(0, static_cast<int>(std::floor(minY - 0.5)));
    const int y1 = std::min(screenHeight - 1, static_cast<int>(std::ceil(maxY - 0.5)));
    for (int py = y0; py <= y1; ++py) {
        const double cy = py + 0.5;
        PlatTexelRun run{};
        bool open = false;
        for (int px = x0; px <= x1; ++px) {
            const double cx = px + 0.5;
            double w[3] = {};
            bool inside = true;
            for (int e = 0; e < 3 && inside; ++e) {
                const Corner& s = *p[e];
                const Corner& t = *p[(e + 1) % 3];
                w[e] = (t.x - s.x) * (cy - s.y) - (t.y - s.y) * (cx - s.x);
                inside = w[e] > 0 || (w[e] == 0 && owns[e]);
            }
            if (!inside) {
                if (open) runs->push_back(run);
                open = false;
                continue;
            }
            // Texture coordinates come from a point a hair right of and above
            // the centre, so that a centre exactly on a texel edge picks the
            // texel OpenGL's interpolation lands in.
            const double sx = cx + TieNudge, sy = cy - TieNudge;
            double n[3];
            for (int e = 0; e < 3; ++e) {
                const Corner& s = *p[e];
                const Corner& t = *p[(e + 1) % 3];
                n[e] = (t.x - s.x) * (sy - s.y) - (t.y - s.y) * (sx - s.x);
            }
            // n[e] weighs the corner opposite edge e.
            const double u = (n[1] * a.u + n[2] * b.u + n[0] * c.u) / twiceArea;
            const double v = (n[1] * a.v + n[2] * b.v + n[0] * c.v) / twiceArea;
            const int tx = std::clamp(static_cast<int>(std::floor(u * texWidth)), 0, texWidth - 1);
            const int ty =
                std::clamp(static_cast<int>(std::floor(v * texHeight)), 0, texHeight - 1);
            if (open && ty == run.texelY && run.length == 1 && std::abs(tx - run.texelX) == 1)
                run.step = tx - run.texelX;
            if (open && ty == run.texelY && tx == run.texelX + run.step * run.length) {
                ++run.length;
                continue;
            }
            if (open) runs->push_back(run);
            run = PlatTexelRun{px, py, 1, tx, ty, 1};
            open = true;
        }
        if (open) runs->push_back(run);
    }
}

} // namespace

void PlatQuadTexelRuns(const PlatQuad& q, int texWidth, int texHeight, int screenWidth,
                       int screenHeight, std::vector<PlatTexelRun>* runs) {
    runs->clear();
    if (texWidth <= 0 || texHeight <= 0 || screenWidth <= 0 || screenHeight <= 0) return;
    Corner c[4];
    // Corners snap to the rasterisers' sub-pixel grid, 1/256 of a pixel.
    auto snap = [](float p) { return std::nearbyint(double(p) * 256.0) / 256.0; };
    for (int i = 0; i < 4; ++i) c[i] = {snap(q.x[i]), snap(q.y[i]), q.u[i], q.v[i]};
    TriangleRuns(c[0], c[1], c[2], texWidth, texHeight, screenWidth, screenHeight, runs);
    TriangleRuns(c[0], c[2], c[3], texWidth, texHeight, screenWidth, screenHeight, runs);
}
