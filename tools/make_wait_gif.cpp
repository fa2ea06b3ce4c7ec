// Build tool: writes the please-wait animation, a looping 12-frame spinner on a transparent
// background, with giflib's encoder. Usage: make_wait_gif <output.gif>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kSpokes = 12;
constexpr int kFrames = 12;
constexpr int kDelay = 8;  // hundredths of a second
constexpr int kTransparent = 0;
constexpr double kPi = 3.14159265358979323846;

// Index 0 is transparent; 1 is the spoke at the head of the turn, up to 12 the faintest.
ColorMapObject *make_palette()
{
    GifColorType colours[16] = {};
    colours[0] = {0xF0, 0xF0, 0xF0};
    for (int i = 1; i <= kSpokes; ++i) {
        GifByteType level = static_cast<GifByteType>(0x30 + (i - 1) * (0xD8 - 0x30) / (kSpokes - 1));
        colours[i] = {level, level, level};
    }
    return GifMakeMapObject(16, colours);
}

// The palette index of each pixel when the head of the turn is at spoke `head`.
std::vector<GifPixelType> draw_frame(int head)
{
    std::vector<GifPixelType> pixels(kSize * kSize, kTransparent);
    const double centre = (kSize - 1) / 2.0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            double dx = x - centre, dy = y - centre;
            for (int spoke = 0; spoke < kSpokes; ++spoke) {
                double angle = 2 * kPi * spoke / kSpokes;
                double ux = std::sin(angle), uy = -std::cos(angle);  // spoke 0 points up, turning clockwise
                double along = dx * ux + dy * uy;
                double across = std::fabs(dx * uy - dy * ux);
                if (along >= 7.0 && along <= 14.5 && across <= 1.3) {
                    int age = ((head - spoke) % kSpokes + kSpokes) % kSpokes;
                    pixels[y * kSize + x] = static_cast<GifPixelType>(1 + age);
                }
            }
        }
    }
    return pixels;
}

int write_file(GifFileType *gif, const GifByteType *data, int length)
{
    return static_cast<int>(std::fwrite(data, 1, length, static_cast<std::FILE *>(gif->UserData)));
}

bool write_animation(GifFileType *gif, const ColorMapObject *palette)
{
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, kSize, kSize, 8, kTransparent, palette) == GIF_ERROR)
        return false;
    // Loop forever.
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(gif) == GIF_ERROR)
        return false;
    for (int frame = 0; frame < kFrames; ++frame) {
        // Each frame is cleared before the next, so transparent pixels never show an old spoke.
        GraphicsControlBlock gcb{DISPOSE_BACKGROUND, false, kDelay, kTransparent};
        GifByteType extension[4];
        size_t length = EGifGCBToExtension(&gcb, extension);
        std::vector<GifPixelType> pixels = draw_frame(frame * kSpokes / kFrames);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_ERROR ||
            EGifPutImageDesc(gif, 0, 0, kSize, kSize, false, NULL) == GIF_ERROR)
            return false;
        for (int y = 0; y < kSize; ++y)
            if (EGifPutLine(gif, &pixels[y * kSize], kSize) == GIF_ERROR)
                return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.gif>\n", argv[0]);
        return 2;
    }
    // Through stdio rather than giflib's own open, so the file gets the usual permissions.
    std::FILE *file = std::fopen(argv[1], "wb");
    if (file == NULL) {
        std::perror(argv[1]);
        return 1;
    }
    int error = 0;
    GifFileType *gif = EGifOpen(file, write_file, &error);
    if (gif == NULL) {
        std::fprintf(stderr, "make_wait_gif: %s\n", GifErrorString(error));
        std::fclose(file);
        std::remove(argv[1]);
        return 1;
    }
    ColorMapObject *palette = make_palette();
    bool written = palette != NULL && write_animation(gif, palette);
    GifFreeMapObject(palette);
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        written = false;
    if (std::fclose(file) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "make_wait_gif: writing %s failed\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
