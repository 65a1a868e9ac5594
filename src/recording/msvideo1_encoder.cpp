#include "recording/msvideo1_encoder.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace morvel {

namespace {

constexpr uint16_t kSkipCode = 0x8400;
constexpr int kLongestSkip = 1023;
constexpr uint16_t kSolidFlag = 0x8000;
constexpr uint16_t kEightColourFlag = 0x8000;
// Mask bits of the top right quarter: pixels (2,2), (3,2), (2,3), (3,3).
constexpr uint16_t kTopRightQuarter = 0xCC00;
// Mask bits of the bottom left quarter: pixels (0,0), (1,0), (0,1), (1,1).
constexpr uint16_t kBottomLeftQuarter = 0x0033;

struct Colour {
    int r, g, b;  // 5 bits each
};

Colour FromPixel(uint32_t p) {
    return {static_cast<int>(p >> 19 & 31), static_cast<int>(p >> 11 & 31),
            static_cast<int>(p >> 3 & 31)};
}

uint16_t Pack(Colour c) {
    return static_cast<uint16_t>(c.r << 10 | c.g << 5 | c.b);
}

Colour Unpack(uint16_t w) {
    return {w >> 10 & 31, w >> 5 & 31, w & 31};
}

uint32_t Distance(Colour a, Colour b) {
    int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

Colour Mean(const Colour* c, const uint8_t* members, int n) {
    int r = 0, g = 0, b = 0;
    for (int i = 0; i < n; ++i) {
        r += c[members[i]].r;
        g += c[members[i]].g;
        b += c[members[i]].b;
    }
    return {(r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n};
}

// Two representative colours for a group of pixels: the group's two most
// distant colours as seeds, refined by two rounds of nearest-colour grouping.
struct Split {
    Colour a, b;
    uint16_t pickA;  // bit i set: members[i] takes colour a
    uint32_t error;
};

Split SplitInTwo(const Colour* c, const uint8_t* members, int n) {
    Colour mean = Mean(c, members, n);
    int far0 = 0;
    for (int i = 1; i < n; ++i)
        if (Distance(c[members[i]], mean) > Distance(c[members[far0]], mean)) far0 = i;
    int far1 = 0;
    for (int i = 1; i < n; ++i)
        if (Distance(c[members[i]], c[members[far0]]) >
            Distance(c[members[far1]], c[members[far0]]))
            far1 = i;
    Split s{c[members[far0]], c[members[far1]], 0, 0};
    for (int round = 0; round < 3; ++round) {
        s.pickA = 0;
        s.error = 0;
        uint8_t groupA[16], groupB[16];
        int na = 0, nb = 0;
        for (int i = 0; i < n; ++i) {
            Colour p = c[members[i]];
            uint32_t da = Distance(p, s.a), db = Distance(p, s.b);
            if (da <= db) {
                s.pickA |= static_cast<uint16_t>(1u << i);
                s.error += da;
                groupA[na++] = members[i];
            } else {
                s.error += db;
                groupB[nb++] = members[i];
            }
        }
        if (round == 2) break;
        if (na) s.a = Mean(c, groupA, na);
        if (nb) s.b = Mean(c, groupB, nb);
    }
    return s;
}

uint32_t SolidError(const Colour* c, Colour solid) {
    uint32_t e = 0;
    for (int i = 0; i < 16; ++i) e += Distance(c[i], solid);
    return e;
}

void PutWord(std::vector<uint8_t>& out, uint16_t w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
}

void PutSkips(std::vector<uint8_t>& out, int run) {
    while (run > 0) {
        int n = std::min(run, kLongestSkip);
        PutWord(out, static_cast<uint16_t>(kSkipCode + n));
        run -= n;
    }
}

// A block's choice, with the 16 colours the decoder will show.
struct BlockCode {
    enum Kind { kSolid, kTwo, kEight } kind;
    uint16_t mask;
    Colour colours[8];
    uint32_t error;
};

void PutBlock(std::vector<uint8_t>& out, BlockCode code) {
    if (code.kind == BlockCode::kSolid) {
        uint16_t word = kSolidFlag | Pack(code.colours[0]);
        if ((word & 0xFC00) != kSkipCode) {
            PutWord(out, word);
            return;
        }
        // A red level of 1 would read as a skip code: send two equal colours.
        code = {BlockCode::kTwo, 0x0001, {code.colours[0], code.colours[0]}, code.error};
    }
    // The mask's top bit must stay clear; swapping the pair it picks from
    // clears it without changing a pixel. A mask of 0 is avoided the same way.
    if (code.kind == BlockCode::kTwo) {
        if (code.mask & 0x8000) {
            code.mask = static_cast<uint16_t>(~code.mask);
            std::swap(code.colours[0], code.colours[1]);
        }
        if (code.mask == 0) {
            code.mask = 0x0001;
            code.colours[0] = code.colours[1];
        }
        PutWord(out, code.mask);
        PutWord(out, Pack(code.colours[0]));
        PutWord(out, Pack(code.colours[1]));
        return;
    }
    if (code.mask & 0x8000) {
        code.mask ^= kTopRightQuarter;
        std::swap(code.colours[6], code.colours[7]);
    }
    if (code.mask == 0) {
        code.mask = kBottomLeftQuarter;
        std::swap(code.colours[0], code.colours[1]);
    }
    PutWord(out, code.mask);
    PutWord(out, kEightColourFlag | Pack(code.colours[0]));
    for (int i = 1; i < 8; ++i) PutWord(out, Pack(code.colours[i]));
}

// The colour the decoder shows for pixel i of a coded block.
Colour ShownColour(const BlockCode& code, int i) {
    bool pickA = code.mask >> i & 1;
    switch (code.kind) {
        case BlockCode::kSolid: return code.colours[0];
        case BlockCode::kTwo: return code.colours[pickA ? 0 : 1];
        case BlockCode::kEight: {
            int x = i & 3, y = i >> 2;
            int quarter = (y >> 1) * 2 + (x >> 1);
            return code.colours[2 * quarter + (pickA ? 0 : 1)];
        }
    }
    return code.colours[0];
}

// Members of each 2 x 2 quarter, as pixel numbers 4y + x.
const uint8_t kQuarterMembers[4][4] = {
    {0, 1, 4, 5},      // bottom left
    {2, 3, 6, 7},      // bottom right
    {8, 9, 12, 13},    // top left
    {10, 11, 14, 15},  // top right
};

const uint8_t kAllMembers[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// Up to two distinct colours among the members: the exact split, found
// without searching. False when there are more.
bool ExactSplit(const Colour* c, const uint8_t* members, int n, Split& s) {
    uint16_t first = Pack(c[members[0]]);
    int second = -1;
    s = {c[members[0]], c[members[0]], 0, 0};
    for (int i = 0; i < n; ++i) {
        uint16_t p = Pack(c[members[i]]);
        if (p == first) {
            s.pickA |= static_cast<uint16_t>(1u << i);
        } else if (second < 0 || p == second) {
            second = p;
            s.b = c[members[i]];
        } else {
            return false;
        }
    }
    return true;
}

Split BestSplit(const Colour* c, const uint8_t* members, int n) {
    Split s;
    return ExactSplit(c, members, n, s) ? s : SplitInTwo(c, members, n);
}

// The cheapest coding whose error stays within threshold, or else the
// most faithful one.
BlockCode ChooseCode(const Colour* c, uint32_t threshold) {
    Split exact;
    if (ExactSplit(c, kAllMembers, 16, exact)) {
        if (exact.pickA == 0xFFFF) return {BlockCode::kSolid, 0, {exact.a}, 0};
        return {BlockCode::kTwo, exact.pickA, {exact.a, exact.b}, 0};
    }
    Colour mean = Mean(c, kAllMembers, 16);
    BlockCode solid{BlockCode::kSolid, 0, {mean}, SolidError(c, mean)};
    if (solid.error <= threshold) return solid;
    // With more than two colours and no loss allowed only eight colours can do.
    BlockCode pair{BlockCode::kTwo, 0, {}, UINT32_MAX};
    if (threshold > 0) {
        Split two = SplitInTwo(c, kAllMembers, 16);
        pair = {BlockCode::kTwo, two.pickA, {two.a, two.b}, two.error};
        if (pair.error <= threshold) return pair;
    }
    BlockCode eight{BlockCode::kEight, 0, {}, 0};
    for (int q = 0; q < 4; ++q) {
        Split s = BestSplit(c, kQuarterMembers[q], 4);
        eight.colours[2 * q] = s.a;
        eight.colours[2 * q + 1] = s.b;
        eight.error += s.error;
        for (int i = 0; i < 4; ++i)
            if (s.pickA >> i & 1) eight.mask |= static_cast<uint16_t>(1u << kQuarterMembers[q][i]);
    }
    return eight.error < pair.error ? eight : pair;
}

}  // namespace

void Msvideo1Encoder::Reset(int width, int height, int quality, int keyInterval) {
    width_ = std::max(4, width / 4 * 4);
    height_ = std::max(4, height / 4 * 4);
    keyInterval_ = std::max(1, keyInterval);
    framesSinceKey_ = 0;
    quality = std::clamp(quality, 0, 10000);
    // Squared error per pixel allowed, in 5-bit colour steps: none at 10000,
    // 18 (about 2.4 steps in each of red, green and blue) at 4000.
    uint32_t loss = static_cast<uint32_t>(10000 - quality);
    blockThreshold_ = 16 * (loss * loss / 2000000);
    shown_.assign(static_cast<size_t>(width_) * height_, 0);
    stats_ = {};
}

bool Msvideo1Encoder::EncodeFrame(const uint32_t* pixels, int stride, std::vector<uint8_t>& out) {
    bool key = framesSinceKey_ == 0;
    framesSinceKey_ = (framesSinceKey_ + 1) % keyInterval_;
    out.clear();
    stats_ = {};
    int pendingSkips = 0;
    for (int by = 0; by < height_; by += 4) {
        for (int bx = 0; bx < width_; bx += 4) {
            Colour c[16];
            Colour before[16];
            for (int y = 0; y < 4; ++y) {
                const uint32_t* row = pixels + static_cast<size_t>(by + y) * stride + bx;
                const uint16_t* shownRow = &shown_[static_cast<size_t>(by + y) * width_ + bx];
                for (int x = 0; x < 4; ++x) {
                    c[4 * y + x] = FromPixel(row[x]);
                    before[4 * y + x] = Unpack(shownRow[x]);
                }
            }
            uint32_t keptError = 0;
            if (!key) {
                for (int i = 0; i < 16; ++i) keptError += Distance(c[i], before[i]);
            }
            if (!key && keptError <= blockThreshold_) {
                ++pendingSkips;
                ++stats_.skipped;
                continue;
            }
            BlockCode code = ChooseCode(c, blockThreshold_);
            // What the screen shows already is as good as a new coding.
            if (!key && keptError <= code.error) {
                ++pendingSkips;
                ++stats_.skipped;
                continue;
            }
            PutSkips(out, pendingSkips);
            pendingSkips = 0;
            PutBlock(out, code);
            switch (code.kind) {
                case BlockCode::kSolid: ++stats_.solid; break;
                case BlockCode::kTwo: ++stats_.twoColour; break;
                case BlockCode::kEight: ++stats_.eightColour; break;
            }
            for (int y = 0; y < 4; ++y) {
                uint16_t* shownRow = &shown_[static_cast<size_t>(by + y) * width_ + bx];
                for (int x = 0; x < 4; ++x) shownRow[x] = Pack(ShownColour(code, 4 * y + x));
            }
        }
    }
    PutSkips(out, pendingSkips);
    return key;
}

}  // namespace morvel
