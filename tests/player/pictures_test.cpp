#include "player/pictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace cq {
namespace {

struct Picture {
    std::string name;
    const Bytes& bytes;
};

std::uint32_t Read16(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Read32(const Bytes& b, std::size_t at) {
    return Read16(b, at) | (Read16(b, at + 2) << 16);
}

const Picture kPictures[] = {
    {"play", PicturePlay()},
    {"pause", PicturePause()},
    {"sequential loop", PictureSequentialLoop()},
    {"repeat one", PictureRepeatOne()},
    {"random loop", PictureRandomLoop()},
    {"exit after episode", PictureExitAfterEpisode()},
};

constexpr std::size_t kPixels = 22 + 40;  // after the directory and the bitmap header
constexpr std::size_t kMask = kPixels + 16 * 16 * 4;

// Pixel (x, y) counted from the top left; the file stores rows bottom-up, BGRA.
const std::uint8_t* Pixel(const Bytes& b, int x, int y) {
    return &b[kPixels + ((15 - y) * 16 + x) * 4];
}

TEST(PicturesTest, EachIsOneSixteenPixelIconOfThirtyTwoBits) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Bytes& b = p.bytes;
        ASSERT_EQ(b.size(), 1150u);
        EXPECT_EQ(Read16(b, 0), 0u);    // reserved
        EXPECT_EQ(Read16(b, 2), 1u);    // an icon
        EXPECT_EQ(Read16(b, 4), 1u);    // one image
        EXPECT_EQ(b[6], 16);            // width
        EXPECT_EQ(b[7], 16);            // height
        EXPECT_EQ(Read16(b, 12), 32u);  // bits per pixel
        EXPECT_EQ(Read32(b, 14), 1128u);
        EXPECT_EQ(Read32(b, 18), 22u);
        EXPECT_EQ(Read32(b, 22), 40u);  // bitmap header size
        EXPECT_EQ(Read32(b, 26), 16u);
        EXPECT_EQ(Read32(b, 30), 32u);  // colour rows and mask rows
        EXPECT_EQ(Read16(b, 34), 1u);
        EXPECT_EQ(Read16(b, 36), 32u);
        EXPECT_EQ(Read32(b, 38), 0u);  // uncompressed
    }
}

TEST(PicturesTest, EachDrawsSomethingWithTransparencyAndAMatchingMask) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.name);
        const Bytes& b = p.bytes;
        int opaque = 0;
        int clear = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const std::uint8_t alpha = Pixel(b, x, y)[3];
                opaque += alpha == 255 ? 1 : 0;
                clear += alpha == 0 ? 1 : 0;
                const std::uint8_t maskByte = b[kMask + (15 - y) * 4 + x / 8];
                const bool masked = (maskByte >> (7 - x % 8)) & 1;
                EXPECT_EQ(masked, alpha == 0) << "pixel " << x << "," << y;
            }
        }
        EXPECT_GE(opaque, 10);
        EXPECT_GE(clear, 60);
    }
}

// The loop-mode button tells its state by comparing pictures: no two may match.
TEST(PicturesTest, AllSixDiffer) {
    for (const Picture& a : kPictures) {
        for (const Picture& b : kPictures) {
            if (&a != &b) {
                EXPECT_NE(a.bytes, b.bytes) << a.name << " vs " << b.name;
            }
        }
    }
}

TEST(PicturesTest, OnlyExitAfterEpisodeCarriesARedCross) {
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.name);
        int red = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const std::uint8_t* px = Pixel(p.bytes, x, y);
                red += px[3] > 128 && px[2] > 150 && px[1] < 100 && px[0] < 100 ? 1 : 0;
            }
        }
        if (&p.bytes == &PictureExitAfterEpisode()) {
            EXPECT_GE(red, 6);
            // The cross sits between the arrows, in the middle.
            const std::uint8_t* centre = Pixel(p.bytes, 8, 8);
            EXPECT_GT(centre[2], 150);
        } else {
            EXPECT_EQ(red, 0);
        }
    }
}

TEST(PicturesTest, PlayPointsRightAndPauseHasTwoBars) {
    auto alphaAt = [](const Bytes& b, int x, int y) { return Pixel(b, x, y)[3]; };
    // The triangle is tall at its left edge and comes to a point on the right.
    EXPECT_EQ(alphaAt(PicturePlay(), 5, 5), 255);
    EXPECT_EQ(alphaAt(PicturePlay(), 5, 10), 255);
    EXPECT_EQ(alphaAt(PicturePlay(), 12, 3), 0);
    EXPECT_EQ(alphaAt(PicturePlay(), 12, 12), 0);
    EXPECT_GT(alphaAt(PicturePlay(), 11, 8), 0);
    // Two bars with a gap between them.
    for (const int y : {3, 8, 12}) {
        EXPECT_EQ(alphaAt(PicturePause(), 4, y), 255);
        EXPECT_EQ(alphaAt(PicturePause(), 8, y), 0);
        EXPECT_EQ(alphaAt(PicturePause(), 11, y), 255);
    }
}

TEST(PicturesTest, SameBytesOnEveryCall) {
    EXPECT_EQ(&PictureRepeatOne(), &PictureRepeatOne());
    EXPECT_EQ(PictureRepeatOne().size(), 1150u);
}

}  // namespace
}  // namespace cq
