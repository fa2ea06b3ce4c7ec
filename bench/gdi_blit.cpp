// A 640x480 SRCCOPY BitBlt from a memory DC into another memory DC and onto the screen, beside
// their floor: a memcpy of the same pixels.
#include <windows.h>

#include <benchmark/benchmark.h>

#include "support/TopDownDib.h"

#include <cstring>
#include <vector>

namespace {

const int kWidth = 640, kHeight = 480;
const size_t kBytes = size_t(kWidth) * kHeight * 4;

// A memory DC holding a 32-bit DIB section of the benchmark's size.
struct Surface {
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bmp = NULL;
    HGDIOBJ old = NULL;
    Surface()
    {
        BITMAPINFO bi = TopDownDib32(kWidth, kHeight);
        void *bits = NULL;
        bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        old = SelectObject(dc, bmp);
        std::memset(bits, 0x5A, kBytes);
    }
    ~Surface()
    {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
};

void BM_BlitMemoryToMemory(benchmark::State &state)
{
    Surface src, dst;
    for (auto _ : state) {
        BitBlt(dst.dc, 0, 0, kWidth, kHeight, src.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_BlitMemoryToMemory);

void BM_BlitMemoryToScreen(benchmark::State &state)
{
    Surface src;
    HDC screen = GetDC(NULL);
    for (auto _ : state) {
        BitBlt(screen, 0, 0, kWidth, kHeight, src.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    ReleaseDC(NULL, screen);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_BlitMemoryToScreen);

// The floor of both: the same pixels moved by memcpy.
void BM_BlitMemoryToMemory_Floor(benchmark::State &state)
{
    std::vector<char> src(kBytes, 0x5A), dst(kBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}
BENCHMARK(BM_BlitMemoryToMemory_Floor);

}  // namespace

BENCHMARK_MAIN();
