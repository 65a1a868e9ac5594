// Scale2x on small pictures whose results are worked out by hand.
#include "video/scale2x.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvel {
namespace {

// Pictures are written as rows of letters, one letter per pixel colour.
std::vector<uint32_t> Picture(const std::vector<std::string>& rows) {
    std::vector<uint32_t> pixels;
    for (const std::string& row : rows)
        for (char c : row) pixels.push_back(static_cast<uint32_t>(c) * 0x010203u);
    return pixels;
}

std::vector<std::string> Scaled(const std::vector<std::string>& rows) {
    int w = static_cast<int>(rows[0].size());
    int h = static_cast<int>(rows.size());
    std::vector<uint32_t> source = Picture(rows);
    std::vector<uint32_t> out(4 * w * h, 0xDEADBEEF);
    Scale2x(source.data(), w, h, out.data());
    std::vector<std::string> result(2 * h);
    for (int y = 0; y < 2 * h; ++y)
        for (int x = 0; x < 2 * w; ++x)
            result[y] += static_cast<char>(out[y * 2 * w + x] / 0x010203u);
    return result;
}

struct Case {
    const char* name;
    std::vector<std::string> in;
    std::vector<std::string> out;
};

const Case kCases[] = {
    {"single colour stays single colour", {"QQQ", "QQQ"}, {"QQQQQQ", "QQQQQQ", "QQQQQQ", "QQQQQQ"}},
    {"lone pixel becomes a 2x2 block",
     {"QQQ", "QPQ", "QQQ"},
     {"QQQQQQ", "QQQQQQ", "QQPPQQ", "QQPPQQ", "QQQQQQ", "QQQQQQ"}},
    {"diagonal pair in a 3x3 picture",
     {"PQQ", "QPQ", "QQQ"},
     {"PPQQQQ", "PQPQQQ", "QPPPQQ", "QQPPQQ", "QQQQQQ", "QQQQQQ"}},
    {"borders take their own colour for missing neighbours",
     {"PQ", "QP"},
     {"PPQQ", "PQPQ", "QPQP", "QQPP"}},
    {"staircase edge against the left border", {"PQ", "PP"}, {"PPQQ", "PPPQ", "PPPP", "PPPP"}},
    {"one-pixel picture", {"P"}, {"PP", "PP"}},
    // Above and below the centre are equal: it stays whole although its
    // left and right neighbours differ.
    {"centre between equal pixels above and below",
     {"QPQ", "PZR", "QPQ"},
     {"QQPPQQ", "QPPPQQ", "PPZZRR", "PPZZRR", "QPPPQQ", "QQPPQQ"}},
};

TEST(Scale2x, HandWorkedPictures) {
    for (const Case& c : kCases) EXPECT_EQ(Scaled(c.in), c.out) << c.name;
}

TEST(Scale2x, FullFrameSizeWritesExactlyTheDestination) {
    std::vector<uint32_t> source(256 * 256);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> out(512 * 512 + 16, 0x12345678);
    Scale2x(source.data(), 256, 256, out.data());
    for (size_t i = 512 * 512; i < out.size(); ++i) ASSERT_EQ(out[i], 0x12345678u);
    // With every pixel different from its neighbours no corner changes.
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x)
            ASSERT_EQ(out[y * 512 + x], source[(y / 2) * 256 + x / 2]) << x << "," << y;
}

}  // namespace
}  // namespace morvel
