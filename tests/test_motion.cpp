// Sub-stepped motion: the pinned outcomes of small moves, bit for bit, and a
// pass-by-pass reference for long and random moves.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ArrayCollision.h"
#include "Body.h"
#include "CollisionAPI.h"
#include "ConvenientMathMacros.h"
#include "SinglePrecisionFloat.h"

namespace {

const float Inf = std::numeric_limits<float>::infinity();
const float NaN = std::numeric_limits<float>::quiet_NaN();

uint32_t Bits(float f) {
    return std::bit_cast<uint32_t>(f);
}

// A body whose cell (cx, cy) lies on world pixel (cx, cy): '#' solid, '.' empty.
Body Terrain(const std::vector<std::string>& rows) {
    Body b;
    const int32_t w = static_cast<int32_t>(rows[0].size()), h = static_cast<int32_t>(rows.size());
    b.mask = NewMask(w, h);
    for (int32_t cy = 0; cy < h; ++cy)
        for (int32_t cx = 0; cx < w; ++cx)
            if (rows[cy][cx] == '#') SetMaskCell(b.mask, cx, cy, 1);
    b.x = static_cast<float>((w - 1) / 2);
    b.y = static_cast<float>((h - 1) / 2);
    return b;
}

Body Dot(float x, float y, float vx, float vy) {
    Body b;
    b.mask = NewMask(1, 1, 1);
    b.x = x;
    b.y = y;
    b.vx = vx;
    b.vy = vy;
    return b;
}

// The move made literally pass by pass, with a pass cap that defaults to none.
int32_t ReferenceMove(Body& body, Body& other, bool stepUp, int32_t transfer,
                      int64_t cap = std::numeric_limits<int64_t>::max()) {
    const int32_t n = NearestInt(RoundUp(MaxF(std::fabs(body.vx), std::fabs(body.vy))));
    if (n == 0) return 0;
    const float sx = body.vx / static_cast<float>(n), sy = body.vy / static_cast<float>(n);
    body.x = body.x - sx;
    body.y = body.y - sy;
    bool fx = false, fy = false;
    for (int64_t pass = 0; pass <= n && pass < cap; ++pass) {
        body.x = body.x + sx;
        body.y = body.y + sy;
        if (MaskOverlap(body, NearestInt(body.x + SignF(sx)), NearestInt(body.y), other,
                        NearestInt(other.x), NearestInt(other.y))) {
            if (stepUp &&
                !MaskOverlap(body, NearestInt(body.x + SignF(sx)), NearestInt(body.y - 1.0f), other,
                             NearestInt(other.x), NearestInt(other.y))) {
                body.y = body.y - 1.0f;
            } else {
                body.x = body.x - sx;
                fx = true;
            }
        }
        if (MaskOverlap(body, NearestInt(body.x), NearestInt(body.y + SignF(sy)), other,
                        NearestInt(other.x), NearestInt(other.y))) {
            body.y = body.y - sy;
            fy = true;
        }
    }
    body.x = body.x + sx;
    body.y = body.y + sy;
    if (fx) {
        if (transfer == 1) other.vx = other.vx + body.vx * body.transferX;
        body.hitX = static_cast<int32_t>(SignF(sx));
        body.vx = (-body.vx) * body.bounceX;
    } else {
        body.hitX = 0;
    }
    if (fy) {
        if (transfer == 1) other.vy = other.vy + body.vy * body.transferY;
        body.hitY = static_cast<int32_t>(SignF(sy));
        body.vy = (-body.vy) * body.bounceY;
    } else {
        body.hitY = 0;
    }
    return fx || fy ? 1 : 0;
}

void ExpectSameBody(const Body& got, const Body& want, const std::string& what) {
    EXPECT_EQ(Bits(got.x), Bits(want.x)) << what << " x " << got.x << " vs " << want.x;
    EXPECT_EQ(Bits(got.y), Bits(want.y)) << what << " y " << got.y << " vs " << want.y;
    EXPECT_EQ(Bits(got.vx), Bits(want.vx)) << what << " vx";
    EXPECT_EQ(Bits(got.vy), Bits(want.vy)) << what << " vy";
    EXPECT_EQ(got.hitX, want.hitX) << what << " hitX";
    EXPECT_EQ(got.hitY, want.hitY) << what << " hitY";
}

// Runs the real routine and the reference on copies and compares everything.
void ExpectLikeReference(const Body& body, const Body& other, bool stepUp, int32_t transfer,
                         const std::string& what,
                         int64_t cap = std::numeric_limits<int64_t>::max()) {
    Body gotBody = body, gotOther = other, wantBody = body, wantOther = other;
    const int32_t got =
        stepUp ? MoveBody(gotBody, gotOther, transfer) : MoveBodyPlain(gotBody, gotOther);
    const int32_t want = ReferenceMove(wantBody, wantOther, stepUp, transfer, cap);
    EXPECT_EQ(got, want) << what;
    ExpectSameBody(gotBody, wantBody, what);
    EXPECT_EQ(Bits(gotOther.vx), Bits(wantOther.vx)) << what << " other vx";
    EXPECT_EQ(Bits(gotOther.vy), Bits(wantOther.vy)) << what << " other vy";
}

// Empty 41 x 21 world with a floor in row 10 (columns 0..40).
const std::vector<std::string> Floor = {
    ".........................................", ".........................................",
    ".........................................", ".........................................",
    ".........................................", ".........................................",
    ".........................................", ".........................................",
    ".........................................", ".........................................",
    "#########################################",
};

} // namespace

TEST(MoveBody, ZeroVelocityChangesNothingEvenWhenOverlapping) {
    for (bool plain : {false, true}) {
        Body level = Terrain(Floor);
        Body body = Dot(3.7f, 10.0f, 0.0f, -0.0f); // inside the floor
        body.hitX = 1;
        body.hitY = -1;
        body.bounceX = 0.5f;
        body.transferX = body.transferY = 1.0f;
        level.vx = 0.25f;
        const Body before = body, levelBefore = level;
        EXPECT_EQ(plain ? MoveBodyPlain(body, level) : MoveBody(body, level, 1), 0);
        ExpectSameBody(body, before, "body");
        ExpectSameBody(level, levelBefore, "other");
    }
}

TEST(MoveBody, FreeFallEndsOneIncrementPastTheVelocity) {
    Body sky = Terrain({"....", "...."});
    Body body = Dot(1.0f, 0.0f, 0.0f, 2.5f);
    EXPECT_EQ(MoveBody(body, sky, 0), 0);
    EXPECT_EQ(Bits(body.y), Bits(3.3333333f)) << body.y;
    EXPECT_EQ(Bits(body.x), Bits(1.0f));
    EXPECT_EQ(body.hitY, 0);

    struct Case {
        float x, vx, want;
    } cases[] = {{10.0f, 3.0f, 14.0f}, {10.0f, 0.5f, 11.0f}, {10.0f, -3.0f, 6.0f}};
    for (const Case& c : cases) {
        Body dot = Dot(c.x, 0.0f, c.vx, 0.0f);
        EXPECT_EQ(MoveBodyPlain(dot, sky), 0);
        EXPECT_EQ(Bits(dot.x), Bits(c.want)) << c.vx;
    }
}

TEST(MoveBody, WallInColumn20StopsAtColumn19OnTheSecondCall) {
    // Column 20 solid in rows 9 and 10; the body runs along row 10.
    std::vector<std::string> rows(12, std::string(30, '.'));
    rows[9][20] = rows[10][20] = '#';
    Body level = Terrain(rows);
    Body body = Dot(15.0f, 10.0f, 3.0f, 0.0f);
    body.bounceX = 1.1f;
    EXPECT_EQ(MoveBody(body, level, 0), 0);
    EXPECT_EQ(Bits(body.x), Bits(19.0f));
    EXPECT_EQ(body.hitX, 0);
    EXPECT_EQ(Bits(body.vx), Bits(3.0f));
    EXPECT_EQ(MoveBody(body, level, 0), 1);
    EXPECT_EQ(Bits(body.x), Bits(19.0f));
    EXPECT_EQ(body.hitX, 1);
    EXPECT_EQ(Bits(body.vx), Bits(-3.0f * 1.1f));
    EXPECT_EQ(Bits(body.y), Bits(10.0f));
}

TEST(MoveBody, StandingOnTheGround) {
    Body level = Terrain(Floor);
    Body body = Dot(5.0f, 9.0f, 0.0f, 0.2f);
    body.bounceY = 0.5f;
    EXPECT_EQ(MoveBody(body, level, 0), 1);
    EXPECT_EQ(Bits(body.y), Bits(9.0f));
    EXPECT_EQ(body.hitY, 1);
    EXPECT_EQ(Bits(body.vy), Bits(-0.2f * 0.5f));

    // Without vertical speed the vertical probe looks at the body's own pixel.
    Body still = Dot(5.0f, 9.0f, 0.5f, 0.0f);
    still.hitY = 1;
    EXPECT_EQ(MoveBody(still, level, 0), 0);
    EXPECT_EQ(still.hitY, 0);
    EXPECT_EQ(Bits(still.x), Bits(6.0f));
}

TEST(MoveBody, ClimbsOnePixelRisesOnly) {
    // Floor in row 10 up to column 19, then a rise of `rise` pixels.
    auto world = [](int rise) {
        std::vector<std::string> rows(12, std::string(40, '.'));
        for (int cx = 0; cx < 40; ++cx) rows[10][cx] = '#';
        for (int r = 1; r <= rise; ++r)
            for (int cx = 20; cx < 40; ++cx) rows[10 - r][cx] = '#';
        return Terrain(rows);
    };
    struct Case {
        int rise;
        bool plain;
        bool climbs;
    } cases[] = {{1, false, true}, {2, false, false}, {1, true, false}};
    for (const Case& c : cases) {
        Body level = world(c.rise);
        Body body = Dot(15.0f, 9.0f, 2.0f, 0.0f);
        bool blocked = false;
        for (int frame = 0; frame < 6; ++frame) {
            body.vx = 2.0f;
            c.plain ? MoveBodyPlain(body, level) : MoveBody(body, level, 0);
            blocked = blocked || body.hitX == 1;
        }
        const std::string what = "rise " + std::to_string(c.rise) + (c.plain ? " plain" : "");
        EXPECT_EQ(blocked, !c.climbs) << what;
        if (c.climbs) {
            EXPECT_EQ(Bits(body.y), Bits(8.0f)) << what;
            EXPECT_GT(body.x, 25.0f) << what;
        } else {
            EXPECT_EQ(Bits(body.y), Bits(9.0f)) << what;
            EXPECT_EQ(Bits(body.x), Bits(19.0f)) << what;
        }
    }
}

TEST(MoveBody, CeilingStopsUpwardMotion) {
    std::vector<std::string> rows(12, std::string(10, '.'));
    rows[2] = std::string(10, '#');
    Body level = Terrain(rows);
    Body body = Dot(4.0f, 5.0f, 0.0f, -3.0f);
    EXPECT_EQ(MoveBody(body, level, 0), 1);
    EXPECT_EQ(body.hitY, -1);
    EXPECT_EQ(Bits(body.y), Bits(3.0f));
    EXPECT_EQ(Bits(body.vy), Bits(0.0f)); // bounceY 0: (-(-3)) * 0
}

TEST(MoveBody, TransferOnlyWithTransferOne) {
    std::vector<std::string> rows(6, std::string(12, '.'));
    for (auto& row : rows) row[8] = '#';
    rows[5] = std::string(12, '#');
    struct Case {
        int32_t transfer;
        bool plain;
        float wantOtherVx, wantOtherVy;
    } cases[] = {{1, false, 1.25f, 0.5f + 0.1f * 0.5f},
                 {0, false, 0.25f, 0.5f},
                 {2, false, 0.25f, 0.5f},
                 {-1, false, 0.25f, 0.5f},
                 {1, true, 0.25f, 0.5f}};
    for (const Case& c : cases) {
        Body wall = Terrain(rows);
        wall.vx = 0.25f;
        wall.vy = 0.5f;
        Body body = Dot(6.0f, 4.0f, 2.0f, 0.1f);
        body.transferX = 0.5f;
        body.transferY = 0.5f;
        body.bounceX = 0.5f;
        const int32_t got = c.plain ? MoveBodyPlain(body, wall) : MoveBody(body, wall, c.transfer);
        const std::string what = "transfer " + std::to_string(c.transfer);
        EXPECT_EQ(got, 1) << what;
        EXPECT_EQ(body.hitX, 1) << what;
        EXPECT_EQ(body.hitY, 1) << what;
        EXPECT_EQ(Bits(body.vx), Bits(-2.0f * 0.5f)) << what;
        EXPECT_EQ(Bits(wall.vx), Bits(c.wantOtherVx)) << what;
        EXPECT_EQ(Bits(wall.vy), Bits(c.wantOtherVy)) << what;
    }
}

TEST(MoveBody, OverlapAtOwnPositionLiftsOrSetsTheHorizontalFlag) {
    // Solid cell under the body at (5, 10); with `roof` also (5, 9).
    for (bool roof : {false, true}) {
        std::vector<std::string> rows(14, std::string(10, '.'));
        rows[10][5] = '#';
        if (roof) rows[9][5] = '#';
        Body level = Terrain(rows);
        Body body = Dot(5.0f, 10.0f, 0.0f, 0.5f);
        body.hitX = 1;
        const int32_t got = MoveBody(body, level, 0);
        EXPECT_EQ(got, 1) << roof;
        EXPECT_EQ(body.hitX, 0) << roof; // zero increment: no direction
        if (roof) {
            // Blocked both ways; the vertical probe looks a whole pixel down, free.
            EXPECT_EQ(Bits(body.y), Bits(11.0f));
            EXPECT_EQ(body.hitY, 0);
        } else {
            // Lifted onto the cell, then standing on it.
            EXPECT_EQ(Bits(body.y), Bits(9.0f));
            EXPECT_EQ(body.hitY, 1);
        }
        Body wantBody = Dot(5.0f, 10.0f, 0.0f, 0.5f);
        wantBody.hitX = 1;
        ExpectLikeReference(wantBody, level, true, 0, roof ? "roof" : "lift");
    }
}

// Random small worlds and bodies, including speeds far above the short-move
// limit, must give exactly the pass-by-pass result.
TEST(MoveBody, RandomMovesMatchPassByPass) {
    std::mt19937 rng(12345);
    auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    for (int world = 0; world < 40; ++world) {
        const int w = 20 + static_cast<int>(rng() % 60), h = 16 + static_cast<int>(rng() % 40);
        std::vector<std::string> rows(h, std::string(w, '.'));
        const int density = static_cast<int>(rng() % 30);
        for (int cy = 0; cy < h; ++cy)
            for (int cx = 0; cx < w; ++cx)
                if (static_cast<int>(rng() % 100) < density || cy > h - 4) rows[cy][cx] = '#';
        Body level = Terrain(rows);
        level.x = uniform(-20.0f, 20.0f);
        level.vx = uniform(-1.0f, 1.0f);
        for (int trial = 0; trial < 60; ++trial) {
            Body body;
            const int bw = 1 + static_cast<int>(rng() % 4), bh = 1 + static_cast<int>(rng() % 5);
            body.mask = NewMask(bw, bh, 1);
            if (trial % 5 == 0) SetMaskCell(body.mask, 0, 0, 0);
            const float reach = trial % 3 == 0 ? 3000.0f : 120.0f;
            body.x = uniform(-120.0f, 120.0f);
            body.y = uniform(-120.0f, 120.0f);
            body.vx = uniform(-reach, reach) * (trial % 7 == 0 ? 0.0f : 1.0f);
            body.vy = uniform(-reach, reach) * (trial % 11 == 0 ? 0.001f : 1.0f);
            if (trial % 4 == 1) { // from far away straight at the level
                body.x = uniform(2000.0f, 6000.0f) * (trial % 8 == 1 ? -1.0f : 1.0f);
                body.y = uniform(-3000.0f, 3000.0f);
                const float f = uniform(0.6f, 2.0f);
                body.vx = -body.x * f;
                body.vy = -body.y * f;
            }
            body.bounceX = uniform(0.0f, 1.2f);
            body.bounceY = uniform(0.0f, 1.0f);
            body.transferX = uniform(0.0f, 0.1f);
            body.transferY = uniform(0.0f, 0.1f);
            const std::string what =
                "world " + std::to_string(world) + " trial " + std::to_string(trial);
            ExpectLikeReference(body, level, true, 1, what + " climb");
            ExpectLikeReference(body, level, false, 0, what + " plain");
        }
    }
}

// A body moved against itself sees its own position change probe by probe.
TEST(MoveBody, AgainstItselfFollowsItsOwnPosition) {
    for (float v : {2.5f, 500.0f}) {
        Body body = Dot(3.0f, 4.0f, v, -v);
        body.transferX = 0.5f;
        Body got = body, want = body;
        const int32_t result = MoveBody(got, got, 1);
        EXPECT_EQ(result, ReferenceMove(want, want, true, 1)) << v;
        ExpectSameBody(got, want, "self " + std::to_string(v));
    }
}

// Speeds without bound must end quickly; where passes can be made one by one
// the result is that of the pass-by-pass move.
TEST(MoveBody, HugeSpeedsFarFromTheLevelMatchPassByPass) {
    Body level = Terrain(Floor);
    struct Case {
        float x, y, vx, vy;
    } cases[] = {
        {5.0f, 500.0f, 0.0f, 100000.5f},   // falling below the level
        {5.0f, 1e6f, 0.3f, 3000000.0f},    // far below, coarse float spacing
        {-3e4f, -50.0f, -250000.0f, 0.7f}, // running away to the left
        {5.0f, 0.001f, 0.0f, 200000.0f},   // falling through the level's floor row
        {-100.0f, 9.0f, 150000.0f, 0.0f},  // running along above the floor
    };
    for (const Case& c : cases) {
        Body body = Dot(c.x, c.y, c.vx, c.vy);
        body.bounceX = body.bounceY = 0.5f;
        ExpectLikeReference(body, level, true, 0, "vy " + std::to_string(c.vy));
        ExpectLikeReference(body, level, false, 0, "plain vy " + std::to_string(c.vy));
    }
}

TEST(MoveBody, HugeSpeedAgainstAWallMatchesPassByPass) {
    std::vector<std::string> rows(12, std::string(30, '.'));
    for (auto& row : rows) row[20] = '#';
    Body level = Terrain(rows);
    for (float vx : {300000.0f, -300000.0f}) {
        Body body = Dot(vx > 0 ? 19.0f : 21.0f, 6.0f, vx, 0.25f);
        body.bounceX = 1.1f;
        ExpectLikeReference(body, level, true, 1, "wall " + std::to_string(vx));
    }
}

TEST(MoveBody, AstronomicalAndNonFiniteSpeedsEndDefined) {
    std::vector<std::string> rows(12, std::string(30, '.'));
    for (auto& row : rows) row[20] = '#';
    rows[11] = std::string(30, '#');
    Body level = Terrain(rows);
    struct Case {
        float x, y, vx, vy;
        int32_t wantHitX, wantHitY; // -2: not pinned
    } cases[] = {
        {19.0f, 6.0f, 1e12f, 0.0f, 1, 0},     // pressed against the wall
        {19.0f, 10.0f, 1e12f, 1e11f, -2, -2}, // sub-steps of 466 pixels
        {5.0f, -1e9f, 0.0f, -1e20f, 0, 0},    // rising away forever
        {5.0f, 1e5f, 0.0f, 3e38f, 0, 0},      // falling away forever
        {5.0f, 1e5f, 0.0f, Inf, 0, 0},        {5.0f, 5.0f, Inf, 0.0f, -2, -2},
        {5.0f, 5.0f, -Inf, Inf, -2, -2},      {5.0f, 5.0f, NaN, 1.0f, -2, -2},
        {5.0f, 5.0f, 2.0f, NaN, -2, -2},      {NaN, 5.0f, 1e10f, 0.0f, -2, -2},
    };
    for (const Case& c : cases) {
        for (bool plain : {false, true}) {
            Body body = Dot(c.x, c.y, c.vx, c.vy);
            body.bounceX = 1.1f;
            const int32_t got = plain ? MoveBodyPlain(body, level) : MoveBody(body, level, 1);
            const std::string what = std::to_string(c.vx) + " " + std::to_string(c.vy);
            EXPECT_TRUE(got == 0 || got == 1) << what;
            EXPECT_TRUE(InRange(body.hitX, -1, 1) && InRange(body.hitY, -1, 1)) << what;
            if (c.wantHitX != -2) {
                EXPECT_EQ(body.hitX, c.wantHitX) << what;
                EXPECT_EQ(body.hitY, c.wantHitY) << what;
            }
            if (c.wantHitX == 1) {
                EXPECT_NEAR(body.x, 19.0f, 0.01f) << what;
            }
            if (c.wantHitX == 0 && c.wantHitY == 0) {
                EXPECT_EQ(Bits(body.vy), Bits(c.vy)) << what;
            }
        }
    }
}

// A body pressed into a tall wall while its slow axis still creeps forward
// needs every pass worked; past MaxWorkedPasses the rest are dropped.
TEST(MoveBody, WorkedPassesAreCapped) {
    std::vector<std::string> rows(41, std::string(12, '.'));
    for (auto& row : rows) row[6] = '#';
    Body level = Terrain(rows);
    level.y = 0.0f; // rows -20 .. 20
    Body body = Dot(5.0f, 0.001f, 3000000.0f, 0.4f);
    ExpectLikeReference(body, level, false, 0, "capped", MaxWorkedPasses);
    Body uncapped = body, other = level, capped = body;
    ReferenceMove(uncapped, other, false, 0);
    MoveBodyPlain(capped, level);
    EXPECT_NE(Bits(capped.y), Bits(uncapped.y)); // the cap is really reached
}

TEST(RepeatAdd, MatchesAdditionsOneByOne) {
    std::mt19937 rng(777);
    auto brute = [](float x, float s, int64_t count) {
        for (int64_t i = 0; i < count; ++i) x = x + s;
        return x;
    };
    std::vector<float> starts = {0.0f,   -0.0f,   1.0f,       -5.0f,  16777200.0f,
                                 1e-40f, -1e-38f, 0x1p-126f,  1e30f,  -3.3e38f,
                                 100.0f, 0.001f,  8388607.5f, -0.75f, 2147483648.0f};
    for (int i = 0; i < 200; ++i) {
        const int e = static_cast<int>(rng() % 80) - 40;
        starts.push_back(std::ldexp(std::uniform_real_distribution<float>(-1, 1)(rng), e));
    }
    for (float x : starts) {
        for (int t = 0; t < 12; ++t) {
            float s;
            const float ulp = std::fabs(std::nextafter(x, Inf) - x);
            switch (t % 4) {
            case 0: // an exact tie or near tie of the spacing
                s = ulp * (static_cast<float>(rng() % 9) + 0.5f) * (rng() % 2 ? 1.0f : -1.0f);
                break;
            case 1:
                s = std::uniform_real_distribution<float>(-1.0f, 1.0f)(rng);
                break;
            case 2:
                s = std::ldexp(1.0f, static_cast<int>(rng() % 60) - 40);
                break;
            default:
                s = -std::uniform_real_distribution<float>(0.0f, 3000.0f)(rng);
                break;
            }
            const int64_t count = static_cast<int64_t>(rng() % 20000);
            EXPECT_EQ(Bits(RepeatAdd(x, s, count)), Bits(brute(x, s, count)))
                << x << " + " << s << " x " << count;
        }
    }
    EXPECT_EQ(Bits(RepeatAdd(3.0f, 0.1f, 30000000)), Bits(brute(3.0f, 0.1f, 30000000)));
    EXPECT_EQ(Bits(RepeatAdd(-200.0f, 0.37f, 3000000)), Bits(brute(-200.0f, 0.37f, 3000000)));
    EXPECT_EQ(Bits(RepeatAdd(1.0f, Inf, 5)), Bits(Inf));
    EXPECT_TRUE(std::isnan(RepeatAdd(-Inf, Inf, 5)));
    EXPECT_EQ(Bits(RepeatAdd(7.0f, 1.0f, 0)), Bits(7.0f));
    // Steps below half the spacing never move x, however many there are.
    EXPECT_EQ(Bits(RepeatAdd(1e8f, 1.0f, int64_t{1} << 40)), Bits(1e8f));
}
