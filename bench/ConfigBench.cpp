// ConfigBench.cpp - CConfigFileThread: lookups per second on a 1,000-name table, and the time
// of a reload of a 1,000-line file. References in the same run: the same lookups as a plain
// strcmp walk over the names without a lock (the cost of the list itself) and in a hash map
// (what an index would give), and a bare fgets read of the same file (the I/O floor).
#include "yrapi/log/LogInterface.h"
#include "yrapi/text/ConfigFileThread.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kNames = 1000;
constexpr YRAPI::DWORD kNoReload = 3600000;  // the worker idles through the whole run

std::string Name(int i) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "setting.%04d", i);
    return sz;
}

std::string Value(int i, int nVersion) {
    return "value of " + std::to_string(i) + " version " + std::to_string(nVersion);
}

// The names in a scattered order, so that lookups hit every part of the list.
std::vector<std::string> LookupOrder() {
    std::vector<std::string> names;
    for (int i = 0; i < kNames; ++i) names.push_back(Name((i * 7919) % kNames));
    return names;
}

std::string WriteConfigFile(int nVersion) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("yrapi-config-bench-" + std::to_string(nVersion) + ".conf"))
                           .string();
    std::ofstream out(path, std::ios::trunc);
    for (int i = 0; i < kNames; ++i) out << Name(i) << " = " << Value(i, nVersion) << "\n";
    return path;
}

void BM_ConfigGetString(benchmark::State& state) {
    static CConfigFileThread* pConfig = nullptr;
    if (state.thread_index() == 0) {
        pConfig = new CConfigFileThread(kNoReload);
        for (int i = 0; i < kNames; ++i) pConfig->SetString(Name(i).c_str(), Value(i, 0).c_str());
    }
    std::vector<std::string> names = LookupOrder();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pConfig->GetString(names[i].c_str(), nullptr));
        if (++i == names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    if (state.thread_index() == 0) {
        delete pConfig;
        pConfig = nullptr;
    }
}
BENCHMARK(BM_ConfigGetString)->Threads(1)->Threads(2)->UseRealTime();

void BM_StrcmpWalkReference(benchmark::State& state) {
    std::vector<std::string> stored;
    for (int i = 0; i < kNames; ++i) stored.push_back(Name(i));
    std::vector<std::string> names = LookupOrder();
    std::size_t i = 0;
    for (auto _ : state) {
        const char* szName = names[i].c_str();
        int nFound = -1;
        for (int j = 0; j < kNames; ++j) {
            if (std::strcmp(stored[j].c_str(), szName) == 0) {
                nFound = j;
                break;
            }
        }
        benchmark::DoNotOptimize(nFound);
        if (++i == names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrcmpWalkReference);

void BM_HashMapReference(benchmark::State& state) {
    std::unordered_map<std::string, std::string> map;
    for (int i = 0; i < kNames; ++i) map.emplace(Name(i), Value(i, 0));
    std::vector<std::string> names = LookupOrder();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.find(names[i]));
        if (++i == names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HashMapReference);

// A reload of the 1,000-line file into a table that already holds its names. Argument 0:
// the file is unchanged (every value keeps its text); 1: two versions alternate, so every
// value changes on every reload (their texts are reused from the version before last).
void BM_ConfigReload1000Lines(benchmark::State& state) {
    std::string paths[2] = {WriteConfigFile(0), WriteConfigFile(1)};
    CConfigFileThread config(kNoReload);
    config.Load(paths[0].c_str());
    config.Load(paths[1].c_str());
    int n = 0;
    for (auto _ : state) {
        bool bLoaded = config.Load(paths[state.range(0) != 0 ? (n & 1) : 0].c_str());
        benchmark::DoNotOptimize(bLoaded);
        // Each load queues a log line and nothing writes the log here: drop them now and
        // then, at a cost of one lock per thousand reloads.
        if (++n % 1000 == 0) YRAPI::GetLogQueue().Clear();
    }
    state.SetItemsProcessed(state.iterations() * kNames);
    for (const std::string& path : paths) std::remove(path.c_str());
}
BENCHMARK(BM_ConfigReload1000Lines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReadFileReference(benchmark::State& state) {
    std::string path = WriteConfigFile(0);
    for (auto _ : state) {
        std::FILE* pFile = std::fopen(path.c_str(), "r");
        char szLine[2048];
        int nLines = 0;
        while (std::fgets(szLine, sizeof szLine, pFile) != nullptr) ++nLines;
        std::fclose(pFile);
        benchmark::DoNotOptimize(nLines);
    }
    state.SetItemsProcessed(state.iterations() * kNames);
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadFileReference)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
