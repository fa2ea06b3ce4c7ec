// The tab image's road: decoding the 28 x 28 PNG resource beside making and filling a section of
// the same size, and premultiplying beside a memcpy of the same pixels.
#include "icons/AlphaBitmap.h"
#include "PluginLibrary.h"
#include "res/resource.h"
#include "support/TopDownDib.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

static const int kIcon = 28;

static HBITMAP make_section(int nSize, void** ppBits)
{
    BITMAPINFO bmi = TopDownDib32(nSize, nSize);
    return CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, ppBits, NULL, 0);
}

static void BM_BitmapFromResource(benchmark::State& state)
{
    PluginLibrary plugin;
    HMODULE hModule = plugin.Load(TEXT("KeyholmPlugin.dll"))
        ? GetModuleHandleW(PluginLibrary::ProgramDirectory() + TEXT("KeyholmPlugin.dll")) : NULL;
    if (!hModule) {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    for (auto _ : state) {
        BOOL bAlpha = FALSE;
        HBITMAP hBitmap = BitmapFromResource(hModule, MAKEINTRESOURCE(IDB_TAB_ICON_EN), &bAlpha);
        if (!hBitmap) {
            state.SkipWithError("the tab image did not decode");
            break;
        }
        DeleteObject(hBitmap);
    }
    state.SetBytesProcessed(state.iterations() * kIcon * kIcon * 4);
}
BENCHMARK(BM_BitmapFromResource)->Unit(benchmark::kMicrosecond);

static void BM_BitmapFromResource_Floor(benchmark::State& state)
{
    std::vector<BYTE> pixels(kIcon * kIcon * 4, 0x80);
    for (auto _ : state) {
        void* pBits = NULL;
        HBITMAP hBitmap = make_section(kIcon, &pBits);
        if (!hBitmap) {
            state.SkipWithError("no section");
            break;
        }
        memcpy(pBits, pixels.data(), pixels.size());
        benchmark::ClobberMemory();
        DeleteObject(hBitmap);
    }
    state.SetBytesProcessed(state.iterations() * kIcon * kIcon * 4);
}
BENCHMARK(BM_BitmapFromResource_Floor)->Unit(benchmark::kMicrosecond);

static void BM_Premultiply(benchmark::State& state)
{
    int nSize = int(state.range(0));
    void* pBits = NULL;
    HBITMAP hSource = make_section(nSize, &pBits);
    if (!hSource) {
        state.SkipWithError("no section");
        return;
    }
    BYTE* p = static_cast<BYTE*>(pBits);
    for (int i = 0; i < nSize * nSize * 4; ++i)
        p[i] = BYTE(i * 7);
    for (auto _ : state) {
        BOOL bAlpha = TRUE;
        HBITMAP hMade = MakePremultipliedBitmap(hSource, &bAlpha);
        benchmark::DoNotOptimize(hMade);
        DeleteObject(hMade);
    }
    DeleteObject(hSource);
    state.SetBytesProcessed(state.iterations() * int64_t(nSize) * nSize * 4);
}
BENCHMARK(BM_Premultiply)->Arg(kIcon)->Arg(512)->Unit(benchmark::kMicrosecond);

static void BM_Premultiply_Floor(benchmark::State& state)
{
    int nSize = int(state.range(0));
    std::vector<BYTE> source(size_t(nSize) * nSize * 4, 0x80), dest(source.size());
    for (auto _ : state) {
        memcpy(dest.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(source.size()));
}
BENCHMARK(BM_Premultiply_Floor)->Arg(kIcon)->Arg(512)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
