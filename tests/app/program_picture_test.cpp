#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cmath>

#include "app/window_pictures.h"

namespace cq::app {
namespace {

// Points on the picture's 16 x 16 grid and the colour the whole pixel around each
// must have at every size, chosen where two of the bird's shapes overlap, since
// that is where a fill rule or a flattened outline shows.
struct Spot {
    const char* where;
    double x;
    double y;
    QRgb colour;
};

constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kSky = 0xff1e7bd6;

const Spot kSpots[] = {
    {"where the head meets the body", 9.5, 7.5, kWhite},
    {"in the middle of the body", 7.2, 9.0, kWhite},
    {"where the tail meets the body", 4.4, 9.4, kWhite},
    {"in the middle of the head", 10.2, 6.6, kWhite},
    {"sky right of the body", 14.2, 10.0, kSky},
    {"sky left of the head", 7.0, 5.5, kSky},
};

TEST(ProgramPictureTest, TheBirdIsSolidWhereItsShapesOverlap) {
    for (int size : {16, 32, 64, 256}) {
        const QImage image = PictureProgramImage(size).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        for (const Spot& spot : kSpots) {
            const int px = int(std::floor(spot.x * size / 16));
            const int py = int(std::floor(spot.y * size / 16));
            EXPECT_EQ(QColor(image.pixel(px, py)).name(QColor::HexArgb),
                      QColor(spot.colour).name(QColor::HexArgb))
                << spot.where << " at " << size << " px";
        }
    }
}

// Near the outline, a curve flattened into a few straight pieces leaves pixels of
// sky inside the circle the head is drawn as; at 256 px that shows as facets.
TEST(ProgramPictureTest, TheHeadStaysRoundAtTheLargestIconSize) {
    constexpr int kSize = 256;
    constexpr double kScale = kSize / 16.0;
    const QImage image = PictureProgramImage(kSize).convertToFormat(QImage::Format_ARGB32);
    const double cx = 10.2 * kScale;
    const double cy = 6.9 * kScale;
    const double inside = (1.7 - 0.12) * kScale;  // two pixels inside the outline
    // The upper left quarter of the head has sky behind it, not the sun or the body.
    for (int degrees = 185; degrees <= 265; degrees += 5) {
        const double a = degrees * M_PI / 180;
        const int x = int(cx + inside * std::cos(a));
        const int y = int(cy + inside * std::sin(a));
        EXPECT_EQ(image.pixel(x, y), kWhite) << "at " << degrees << " degrees";
    }
}

}  // namespace
}  // namespace cq::app
