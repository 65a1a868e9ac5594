// morvel-headless never crashes, whatever image it is given: random headers
// and random program bytes on every supported board, and pure noise. (Images
// cut short or with bad headers are in tests/cart/cartridge_test.cpp.)
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

TEST(BadImages, RandomImagesOnEveryBoard) {
    const int mappers[] = {0, 1, 2, 3, 4, 5, 7, 9, 34, 58, 118, 189, 226};
    std::mt19937 random(99);
    std::vector<std::vector<uint8_t>> images;
    for (int round = 0; round < 16; ++round) {
        for (int mapper : mappers) {
            InesImage image =
                MakeInesImage(mapper, 1 + random() % 6, random() % 4, random() & 0x0F);
            for (size_t i = 16; i < image.bytes.size(); ++i)
                image.bytes[i] = static_cast<uint8_t>(random());
            images.push_back(image.bytes);
        }
    }
    // Noise, half of it behind the magic bytes.
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> noise(3 + random() % 70000);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        if (i % 2) noise[0] = 'N', noise[1] = 'E', noise[2] = 'S';
        images.push_back(noise);
    }
    for (size_t i = 0; i < images.size(); ++i) {
        HeadlessRun run = RunHeadless({"--frames", "3", WriteTempFile(images[i], "random.nes")});
        // 0: it ran, 3: it refused the file; anything else is a crash.
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 3) << "image " << i << run.err;
    }
}

}  // namespace
}  // namespace morvel::test
