#include "player/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace cq {
namespace {

// The pictures are drawn here rather than kept as opaque data, so that changing
// one means changing a shape, not hand-editing bytes.

constexpr int kSize = 16;
constexpr int kSubsamples = 4;  // per axis, for smooth edges

struct Point {
    double x;
    double y;
};

struct Colour {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

constexpr Colour kInk{0x2B, 0x2B, 0x2B};
constexpr Colour kRed{0xD3, 0x2F, 0x2F};

using Shape = std::function<bool(Point)>;

// Straight-alpha RGBA, rows top-down.
struct Canvas {
    std::array<std::array<double, 4>, kSize * kSize> pixels{};

    void Fill(const Shape& inside, Colour colour) {
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kSubsamples; ++sy) {
                    for (int sx = 0; sx < kSubsamples; ++sx) {
                        const Point p{x + (sx + 0.5) / kSubsamples, y + (sy + 0.5) / kSubsamples};
                        hits += inside(p) ? 1 : 0;
                    }
                }
                const double alpha = static_cast<double>(hits) / (kSubsamples * kSubsamples);
                if (alpha > 0) {
                    Blend(pixels[y * kSize + x], colour, alpha);
                }
            }
        }
    }

    static void Blend(std::array<double, 4>& dst, Colour colour, double alpha) {
        const double src[3] = {colour.r / 255.0, colour.g / 255.0, colour.b / 255.0};
        const double outAlpha = alpha + dst[3] * (1 - alpha);
        for (int c = 0; c < 3; ++c) {
            dst[c] = (src[c] * alpha + dst[c] * dst[3] * (1 - alpha)) / outAlpha;
        }
        dst[3] = outAlpha;
    }
};

Shape Polygon(std::vector<Point> corners) {
    return [corners = std::move(corners)](Point p) {
        bool inside = false;
        for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Point a = corners[i];
            const Point b = corners[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
            }
        }
        return inside;
    };
}

Shape Rect(double left, double top, double right, double bottom) {
    return [=](Point p) { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; };
}

// A stroke with round ends.
Shape Line(Point a, Point b, double halfWidth) {
    return [=](Point p) {
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double t =
            std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double ex = p.x - (a.x + t * dx);
        const double ey = p.y - (a.y + t * dy);
        return ex * ex + ey * ey <= halfWidth * halfWidth;
    };
}

constexpr Point kCentre{8.0, 8.0};
constexpr double kRadius = 5.3;
constexpr double kRingHalfWidth = 0.8;

double Radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

Point OnRing(double degrees, double radius = kRadius) {
    return {kCentre.x + radius * std::cos(Radians(degrees)),
            kCentre.y + radius * std::sin(Radians(degrees))};
}

// Part of the ring, angles in screen degrees (0 right, 90 down), from < to.
Shape Arc(double from, double to) {
    return [=](Point p) {
        const double dx = p.x - kCentre.x;
        const double dy = p.y - kCentre.y;
        const double distance = std::hypot(dx, dy);
        if (std::abs(distance - kRadius) > kRingHalfWidth) {
            return false;
        }
        double angle = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
        if (angle < 0) {
            angle += 360.0;
        }
        return angle >= from && angle <= to;
    };
}

// An arrowhead at the clockwise end of an arc ending at `degrees`.
Shape ArcHead(double degrees) {
    const Point base = OnRing(degrees);
    const double tx = -std::sin(Radians(degrees));  // clockwise on screen
    const double ty = std::cos(Radians(degrees));
    const double nx = std::cos(Radians(degrees));
    const double ny = std::sin(Radians(degrees));
    return Polygon({{base.x + nx * 2.6, base.y + ny * 2.6},
                    {base.x + tx * 3.2, base.y + ty * 3.2},
                    {base.x - nx * 2.6, base.y - ny * 2.6}});
}

// Two arrows chasing each other round a ring, clockwise.
void DrawChasingArrows(Canvas& canvas) {
    canvas.Fill(Arc(200, 320), kInk);
    canvas.Fill(ArcHead(320), kInk);
    canvas.Fill(Arc(20, 140), kInk);
    canvas.Fill(ArcHead(140), kInk);
}

Bytes EncodeIcon(const Canvas& canvas) {
    constexpr std::uint32_t kHeaderSize = 40;
    constexpr std::uint32_t kPixelBytes = kSize * kSize * 4;
    constexpr std::uint32_t kMaskStride = 4;  // 16 bits, padded to 32
    constexpr std::uint32_t kMaskBytes = kSize * kMaskStride;
    constexpr std::uint32_t kImageBytes = kHeaderSize + kPixelBytes + kMaskBytes;
    constexpr std::uint32_t kImageOffset = 6 + 16;

    Bytes out;
    out.reserve(kImageOffset + kImageBytes);
    auto put16 = [&](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(static_cast<std::uint16_t>(v & 0xFFFF));
        put16(static_cast<std::uint16_t>(v >> 16));
    };

    // Icon directory with one entry.
    put16(0);  // reserved
    put16(1);  // icon
    put16(1);  // one image
    out.push_back(kSize);
    out.push_back(kSize);
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    put16(1);          // planes
    put16(32);         // bits per pixel
    put32(kImageBytes);
    put32(kImageOffset);

    // Bitmap header: the height counts the colour rows and the mask rows.
    put32(kHeaderSize);
    put32(kSize);
    put32(kSize * 2);
    put16(1);
    put16(32);
    put32(0);  // no compression
    put32(kPixelBytes + kMaskBytes);
    put32(0);
    put32(0);
    put32(0);
    put32(0);

    auto byteOf = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    };
    // Rows bottom-up, BGRA with straight alpha.
    for (int y = kSize - 1; y >= 0; --y) {
        for (int x = 0; x < kSize; ++x) {
            const auto& px = canvas.pixels[y * kSize + x];
            const std::uint8_t alpha = byteOf(px[3]);
            out.push_back(alpha ? byteOf(px[2]) : 0);
            out.push_back(alpha ? byteOf(px[1]) : 0);
            out.push_back(alpha ? byteOf(px[0]) : 0);
            out.push_back(alpha);
        }
    }
    // Mask, bottom-up: a set bit marks a transparent pixel for readers that
    // ignore alpha.
    for (int y = kSize - 1; y >= 0; --y) {
        std::uint32_t bits = 0;
        for (int x = 0; x < kSize; ++x) {
            if (byteOf(canvas.pixels[y * kSize + x][3]) == 0) {
                bits |= 0x80000000u >> x;
            }
        }
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    return out;
}

Bytes DrawPlay() {
    Canvas canvas;
    canvas.Fill(Polygon({{4.0, 2.5}, {13.0, 8.0}, {4.0, 13.5}}), kInk);
    return EncodeIcon(canvas);
}

Bytes DrawPause() {
    Canvas canvas;
    canvas.Fill(Rect(3.5, 2.5, 6.5, 13.5), kInk);
    canvas.Fill(Rect(9.5, 2.5, 12.5, 13.5), kInk);
    return EncodeIcon(canvas);
}

Bytes DrawSequentialLoop() {
    Canvas canvas;
    DrawChasingArrows(canvas);
    return EncodeIcon(canvas);
}

Bytes DrawRepeatOne() {
    Canvas canvas;
    DrawChasingArrows(canvas);
    canvas.Fill(Rect(7.6, 5.4, 8.9, 10.8), kInk);
    canvas.Fill(Polygon({{7.6, 5.4}, {8.9, 5.4}, {6.5, 7.2}, {6.5, 6.4}}), kInk);
    return EncodeIcon(canvas);
}

Bytes DrawRandomLoop() {
    Canvas canvas;
    constexpr double kHalf = 0.75;
    // Two paths that swap lanes, each ending in an arrowhead on the right.
    canvas.Fill(Line({1.5, 4.5}, {4.5, 4.5}, kHalf), kInk);
    canvas.Fill(Line({4.5, 4.5}, {9.0, 11.5}, kHalf), kInk);
    canvas.Fill(Line({9.0, 11.5}, {11.5, 11.5}, kHalf), kInk);
    canvas.Fill(Polygon({{11.0, 9.0}, {14.8, 11.5}, {11.0, 14.0}}), kInk);
    canvas.Fill(Line({1.5, 11.5}, {4.5, 11.5}, kHalf), kInk);
    canvas.Fill(Line({4.5, 11.5}, {9.0, 4.5}, kHalf), kInk);
    canvas.Fill(Line({9.0, 4.5}, {11.5, 4.5}, kHalf), kInk);
    canvas.Fill(Polygon({{11.0, 2.0}, {14.8, 4.5}, {11.0, 7.0}}), kInk);
    return EncodeIcon(canvas);
}

Bytes DrawExitAfterEpisode() {
    Canvas canvas;
    DrawChasingArrows(canvas);
    canvas.Fill(Line({5.6, 5.6}, {10.4, 10.4}, 0.6), kRed);
    canvas.Fill(Line({5.6, 10.4}, {10.4, 5.6}, 0.6), kRed);
    return EncodeIcon(canvas);
}

}  // namespace

const Bytes& PicturePlay() {
    static const Bytes picture = DrawPlay();
    return picture;
}

const Bytes& PicturePause() {
    static const Bytes picture = DrawPause();
    return picture;
}

const Bytes& PictureSequentialLoop() {
    static const Bytes picture = DrawSequentialLoop();
    return picture;
}

const Bytes& PictureRepeatOne() {
    static const Bytes picture = DrawRepeatOne();
    return picture;
}

const Bytes& PictureRandomLoop() {
    static const Bytes picture = DrawRandomLoop();
    return picture;
}

const Bytes& PictureExitAfterEpisode() {
    static const Bytes picture = DrawExitAfterEpisode();
    return picture;
}

}  // namespace cq
