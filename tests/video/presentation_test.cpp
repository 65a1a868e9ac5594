#include "video/presentation.h"

#include <gtest/gtest.h>

namespace morvel {
namespace {

// The picture's place in a window's client area and on a few screens; the
// expected rectangles are worked out by hand from the shapes 256:224 and
// 292:224, rounded to the nearest pixel and centred.
TEST(FitPicture, FillsTheWindowAndLetterboxesTheScreen) {
    struct Case {
        int32_t width, height;
        uint32_t aspect;
        PictureRect want;
    };
    const Case cases[] = {
        {256, 224, 0, {0, 0, 256, 224}},     {1168, 896, 1, {0, 0, 1168, 896}},
        {1024, 768, 0, {73, 0, 878, 768}},   {1024, 768, 1, {11, 0, 1001, 768}},
        {1280, 1024, 1, {0, 21, 1280, 982}}, {1920, 1080, 0, {343, 0, 1234, 1080}},
        {800, 1280, 0, {0, 290, 800, 700}},
    };
    for (const Case& c : cases) {
        PictureRect got = FitPicture(c.width, c.height, c.aspect);
        EXPECT_EQ(got.x, c.want.x) << c.width << "x" << c.height << " " << c.aspect;
        EXPECT_EQ(got.y, c.want.y) << c.width << "x" << c.height << " " << c.aspect;
        EXPECT_EQ(got.width, c.want.width) << c.width << "x" << c.height << " " << c.aspect;
        EXPECT_EQ(got.height, c.want.height) << c.width << "x" << c.height << " " << c.aspect;
    }
}

}  // namespace
}  // namespace morvel
