// Scale2x on small pictures whose results are worked out by hand: each
// neighbour case, the borders, and nothing written past the picture.
#include "video/scale2x.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvel {
namespace {

// Pictures are written as rows of letters, one letter per pixel colour.
std::vector<std::string> Scaled(const std::vector<std::string>& rows) {
    int w = static_cast<int>(rows[0].size()), h = static_cast<int>(rows.size());
    std::vector<uint32_t> source, out(4 * w * h + 1, 0xDEADBEEF);
    for (const std::string& row : rows)
        for (char c : row) source.push_back(static_cast<uint32_t>(c) * 0x010203u);
    Scale2x(source.data(), w, h, out.data());
    EXPECT_EQ(out.back(), 0xDEADBEEF) << "written past the end";
    std::vector<std::string> result(2 * h);
    for (int i = 0; i < 4 * w * h; ++i)
        result[i / (2 * w)] += static_cast<char>(out[i] / 0x010203u);
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

}  // namespace
}  // namespace morvel
