// Draws the plug-in's two 28 x 28 tab images as anti-aliased RGBA PNGs: the characters for
// "permission" in dark grey (Chinese) and a golden key (every other language).
// Usage: make_tab_icons <folder>   writes TabIcon_zh.png and TabIcon_en.png there.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const int kSize = 28;
const int kSamples = 8;   // per axis and pixel

struct colour
{
    double r, g, b;
};

// Premultiplied accumulation of one image.
struct canvas
{
    std::vector<double> r, g, b, a;
    canvas() : r(kSize * kSize), g(kSize * kSize), b(kSize * kSize), a(kSize * kSize) {}
};

double segment_distance(double px, double py, double ax, double ay, double bx, double by)
{
    double dx = bx - ax, dy = by - ay;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
    double ex = px - (ax + t * dx), ey = py - (ay + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

double box_distance(double px, double py, double cx, double cy, double hw, double hh)
{
    double dx = std::fabs(px - cx) - hw, dy = std::fabs(py - cy) - hh;
    double ox = std::max(dx, 0.0), oy = std::max(dy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(dx, dy), 0.0);
}

// Paints each pixel with the colour the shading function picks per sub-sample (or none).
void render(canvas& c, const std::function<const colour*(double, double)>& shade)
{
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const colour* col = shade(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
                    if (!col)
                        continue;
                    r += col->r;
                    g += col->g;
                    b += col->b;
                    a += 1;
                }
            int i = y * kSize + x;
            double n = kSamples * kSamples;
            c.r[i] = r / n;
            c.g[i] = g / n;
            c.b[i] = b / n;
            c.a[i] = a / n;
        }
}

// A golden key lying at an angle: a ring bow, a shaft and two teeth, outlined in dark gold.
void draw_key(canvas& c)
{
    static const colour gold{224, 168, 32}, edge{150, 100, 10}, shine{250, 222, 130};
    const double angle = -0.62, ca = std::cos(angle), sa = std::sin(angle);
    render(c, [&](double px, double py) -> const colour* {
        // Into the key's own frame, centred on the image.
        double x = (px - 14) * ca - (py - 14) * sa + 14;
        double y = (px - 14) * sa + (py - 14) * ca + 14;
        double bowDist = std::hypot(x - 7.5, y - 14);
        double bow = std::fabs(bowDist - 4.6) - 2.4;   // ring: radius 4.6, 4.8 wide
        double shaft = segment_distance(x, y, 12, 14, 25.5, 14) - 1.6;
        double tooth1 = box_distance(x, y, 20.5, 17, 1.1, 2.6);
        double tooth2 = box_distance(x, y, 24.2, 16.6, 1.1, 2.2);
        double d = std::min({bow, shaft, tooth1, tooth2});
        if (d >= 0.2)
            return nullptr;
        if (d >= -0.9)
            return &edge;
        if (std::hypot(x - 6.2, y - 11.2) < 1.3)
            return &shine;
        return &gold;
    });
}

// The two characters for "permission", stroke by stroke, in dark grey.
void draw_permission(canvas& c)
{
    static const colour ink{64, 64, 64};
    struct stroke
    {
        std::vector<std::pair<double, double>> points;
    };
    static const std::vector<stroke> strokes = {
        // Left character: the tree radical ...
        {{{1.5, 10.5}, {6.6, 10.5}}},
        {{{4.1, 6.2}, {4.1, 22.2}}},
        {{{4.1, 11.5}, {1.4, 17.6}}},
        {{{4.6, 12.6}, {6.4, 14.4}}},
        // ... and the hand on its right.
        {{{7.9, 8.0}, {12.8, 8.0}, {8.0, 21.4}}},
        {{{9.2, 12.4}, {13.4, 21.4}}},
        // Right character: the mound radical ...
        {{{15.3, 6.4}, {15.3, 22.2}}},
        {{{15.3, 7.0}, {18.2, 7.0}, {16.6, 10.6}, {18.6, 13.4}, {16.2, 15.6}}},
        // ... and the stubborn component: a frame with two bars, a hook and a sweep.
        {{{20.0, 6.8}, {20.0, 20.6}}},
        {{{20.0, 6.8}, {25.6, 6.8}, {25.6, 14.2}}},
        {{{20.0, 10.5}, {25.6, 10.5}}},
        {{{20.0, 14.2}, {25.6, 14.2}}},
        {{{20.0, 20.6}, {23.2, 18.4}}},
        {{{22.2, 14.6}, {26.8, 21.6}}},
        {{{26.4, 15.4}, {24.2, 17.4}}},
    };
    render(c, [&](double px, double py) -> const colour* {
        for (const stroke& s : strokes)
            for (size_t i = 1; i < s.points.size(); ++i)
                if (segment_distance(px, py, s.points[i - 1].first, s.points[i - 1].second, s.points[i].first,
                                     s.points[i].second) < 0.85)
                    return &ink;
        return nullptr;
    });
}

bool write_png(const std::string& path, const canvas& c)
{
    std::vector<png_byte> pixels(kSize * kSize * 4);
    for (int i = 0; i < kSize * kSize; ++i) {
        double a = c.a[i];
        // Straight alpha: undo the premultiplication of the accumulated colour.
        pixels[i * 4 + 0] = png_byte(a > 0 ? std::lround(c.r[i] / a) : 0);
        pixels[i * 4 + 1] = png_byte(a > 0 ? std::lround(c.g[i] / a) : 0);
        pixels[i * 4 + 2] = png_byte(a > 0 ? std::lround(c.b[i] / a) : 0);
        pixels[i * 4 + 3] = png_byte(std::lround(a * 255));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kSize, kSize, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kSize; ++y)
        png_write_row(png, &pixels[y * kSize * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    canvas zh, en;
    draw_permission(zh);
    draw_key(en);
    if (!write_png(folder + "/TabIcon_zh.png", zh) || !write_png(folder + "/TabIcon_en.png", en)) {
        std::fprintf(stderr, "cannot write the tab images into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
