// The palette pictures, drawn in code: a frame window holding two child windows for the MDI
// container, a cogwheel for the plugin manager, a puzzle piece for the plugin.
#include "package/palette_bitmaps.h"

#include "platform/rtl/strings.h"

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace zarix {

ZARIX_DEFINE_EXCEPTION(EResNotFound)

namespace {

constexpr int kSide = 24;
// The palette shows the pictures on the button face; the bottom-left pixel, this colour, is
// the one it takes as transparent.
constexpr TColor kBackground = clSilver;

void FillRect(TBitmap& b, int left, int top, int right, int bottom, TColor color) {
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) b.SetPixel(x, y, color);
}

void FrameRect(TBitmap& b, int left, int top, int right, int bottom, TColor color) {
    for (int x = left; x <= right; ++x) {
        b.SetPixel(x, top, color);
        b.SetPixel(x, bottom, color);
    }
    for (int y = top; y <= bottom; ++y) {
        b.SetPixel(left, y, color);
        b.SetPixel(right, y, color);
    }
}

// Fills the pixels whose centres lie inside a shape, with a one-pixel outline where the shape
// meets the outside.
void FillShape(TBitmap& b, const std::function<bool(double, double)>& inside, TColor fill, TColor outline) {
    const auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < b.Width() && y < b.Height() && inside(x + 0.5, y + 0.5);
    };
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            if (!in(x, y)) continue;
            const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            b.SetPixel(x, y, edge ? outline : fill);
        }
}

void DrawChildWindow(TBitmap& b, int left, int top, int right, int bottom, TColor caption) {
    FillRect(b, left, top, right, bottom, clWhite);
    FillRect(b, left, top, right, top + 2, caption);
    FrameRect(b, left, top, right, bottom, clBlack);
}

TBitmap DrawMDIContainer() {
    TBitmap b(kSide, kSide, kBackground);
    FillRect(b, 1, 2, 22, 21, clGray);     // the frame's client area
    FillRect(b, 1, 2, 22, 5, clNavy);      // its caption bar
    FillRect(b, 19, 3, 20, 4, clWhite);    // and close box
    FrameRect(b, 1, 2, 22, 21, clBlack);
    DrawChildWindow(b, 3, 7, 14, 15, clTeal);
    DrawChildWindow(b, 9, 11, 20, 19, clBlue);
    return b;
}

TBitmap DrawPluginManager() {
    TBitmap b(kSide, kSide, kBackground);
    constexpr double kCentre = kSide / 2.0;
    FillShape(
        b,
        [&](double x, double y) {
            const double dx = x - kCentre, dy = y - kCentre;
            const double r = std::hypot(dx, dy);
            if (r < 3.2) return false;  // the axle hole
            // Eight teeth: a tooth where the angle falls in the first half of each eighth.
            const double turn = (std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi) * 8;
            const bool tooth = turn - std::floor(turn) < 0.5;
            return r < 7.6 || (tooth && r < 10.8);
        },
        clGray, clBlack);
    return b;
}

TBitmap DrawPlugin() {
    TBitmap b(kSide, kSide, kBackground);
    const auto disc = [](double x, double y, double cx, double cy, double r) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r;
    };
    FillShape(
        b,
        [&](double x, double y) {
            const bool body = x > 4 && x < 18 && y > 7 && y < 21;
            // Each knob sits on a neck narrower than itself, as a puzzle piece's tabs do.
            const bool top = disc(x, y, 11, 4, 2.8) || (x > 9.5 && x < 12.5 && y > 5 && y < 8);
            const bool right = disc(x, y, 20.8, 14, 2.6) || (x > 17 && x < 19.5 && y > 12.5 && y < 15.5);
            const bool socket = disc(x, y, 4, 14, 3.2);
            return (body || top || right) && !socket;
        },
        clGreen, clBlack);
    return b;
}

struct TBitmapResource {
    std::string_view Name;
    TBitmap (*Draw)();
};

constexpr std::array<TBitmapResource, 3> kResources{{
    {"TZARIXMDICONTAINER", &DrawMDIContainer},
    {"TZARIXPLUGINMANAGER", &DrawPluginManager},
    {"TZARIXPLUGIN", &DrawPlugin},
}};

}  // namespace

TBitmap LoadResourceBitmap(std::string_view Name) {
    for (const TBitmapResource& resource : kResources)
        if (SameText(resource.Name, Name)) return resource.Draw();
    throw EResNotFound("Resource " + std::string(Name) + " not found");
}

std::vector<std::string> BitmapResourceNames() {
    std::vector<std::string> names;
    for (const TBitmapResource& resource : kResources) names.emplace_back(resource.Name);
    return names;
}

TBitmap PaletteBitmap(TClass Class) {
    if (Class == nullptr) throw EResNotFound("Resource for no class not found");
    return LoadResourceBitmap(UpperCase(Class->Name()));
}

}  // namespace zarix
