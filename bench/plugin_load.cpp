// Loading the plug-in (load to GetPluginModule answered) beside loading an empty library, and a
// text lookup in the current language beside a plain call into the module.
#include "PluginLibrary.h"

#include <benchmark/benchmark.h>

static void BM_LoadPlugin(benchmark::State& state)
{
    for (auto _ : state)
    {
        PluginLibrary library;
        if (!library.Load(TEXT("KeyholmPlugin.dll")))
        {
            state.SkipWithError("the plug-in did not load");
            break;
        }
        benchmark::DoNotOptimize(library.Module());
    }
}
BENCHMARK(BM_LoadPlugin)->Unit(benchmark::kMicrosecond);

static void BM_LoadPlugin_Floor(benchmark::State& state)
{
    CStringW strPath = PluginLibrary::ProgramDirectory() + TEXT("EmptyModule.dll");
    for (auto _ : state)
    {
        HMODULE hModule = LoadLibraryW(strPath);
        if (!hModule)
        {
            state.SkipWithError("the empty library did not load");
            break;
        }
        benchmark::DoNotOptimize(hModule);
        FreeLibrary(hModule);
    }
}
BENCHMARK(BM_LoadPlugin_Floor)->Unit(benchmark::kMicrosecond);

static void BM_GetLangString(benchmark::State& state)
{
    PluginLibrary library;
    if (!library.Load(TEXT("KeyholmPlugin.dll")))
    {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    IPluginModule* pModule = library.Module();
    pModule->OnLanguageChanged(static_cast<DWORD>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(pModule->GetModuleName());
}
BENCHMARK(BM_GetLangString)->Arg(2052)->Arg(1033)->Arg(1028);

static void BM_GetLangString_Floor(benchmark::State& state)
{
    PluginLibrary library;
    if (!library.Load(TEXT("KeyholmPlugin.dll")))
    {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    IPluginModule* pModule = library.Module();
    for (auto _ : state)
        benchmark::DoNotOptimize(pModule->GetPluginCount());
}
BENCHMARK(BM_GetLangString_Floor)->Arg(2052)->Arg(1033)->Arg(1028);

BENCHMARK_MAIN();
