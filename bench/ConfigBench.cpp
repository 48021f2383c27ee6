// ConfigBench.cpp - CConfigFileThread: lookups per second on a 1,000-name table, and the time
// of a reload of a 1,000-line file. References in the same run: the same lookups as a plain
// strcmp walk over the names without a lock (the cost of the list itself) and in a hash map
// (what an index would give), and a bare fgets read of the same file (the I/O floor).
//
// Scaling: a load of 1,000, 10,000 and 50,000 names into an empty table, and GetString on
// tables of those sizes, beside CLinearConfig, a copy of the table as it was before its index
// by name (every lookup and every SetString walks the whole list under the lock), run on the
// same files in the same run:
//
//   yrapi_config_bench --benchmark_filter='Load|Lookup' --benchmark_repetitions=3
//                      --benchmark_report_aggregates_only=true
#include "yrapi/log/LogInterface.h"
#include "yrapi/text/ConfigFileThread.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
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

// ---- Scaling: the indexed table beside the linear one ----

// The table before its index: records in a list that every lookup walks from the first, under
// a lock of the same kind, with value texts kept once as the real table keeps them. Load and
// ParseFile are the real table's (ParseFile stores through the virtual SetString).
class CLinearConfig : public CConfigFileThread {
  public:
    CLinearConfig() : CConfigFileThread(kNoReload, /*bStartThread=*/false) {}
    ~CLinearConfig() override {
        for (int i = 0; i < list.count.load(); ++i) delete static_cast<item*>(list.items[i]);
    }

    const char* GetString(const char* name, const char* defaultValue) override {
        YRAPI::CMutexLock lock(listLock);
        item* pItem = Find(name);
        return pItem != nullptr ? pItem->pszValue : defaultValue;
    }

    void SetString(const char* name, const char* value) override {
        YRAPI::CMutexLock lock(listLock);
        if (item* pItem = Find(name)) {
            if (std::strncmp(pItem->pszValue, value, 511) != 0) pItem->pszValue = Keep(value);
            return;
        }
        auto pItem = std::make_unique<item>();
        std::snprintf(pItem->szName, sizeof pItem->szName, "%s", name);
        pItem->pszValue = Keep(value);
        if (list.Add(pItem.get()) >= 0) pItem.release();
    }

  private:
    struct item {
        char szName[128];
        const char* pszValue;
    };
    item* Find(const char* name) {
        int nCount = list.count.load(std::memory_order_relaxed);
        for (int i = 0; i < nCount; ++i) {
            auto* pItem = static_cast<item*>(list.items[i]);
            if (pItem != nullptr && std::strncmp(pItem->szName, name, 127) == 0) return pItem;
        }
        return nullptr;
    }
    const char* Keep(const char* value) {
        char szValue[512];
        std::snprintf(szValue, sizeof szValue, "%s", value);
        return texts.emplace(szValue).first->c_str();
    }

    YRAPI::CPtArray list{/*bLocked=*/true};
    YRAPI::CMutex listLock;
    std::unordered_set<std::string> texts;
};

std::string ScaledName(int i) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "setting.%05d", i);
    return sz;
}

// A file of nNames settings, written once per size and removed at exit.
const std::string& ScaledFile(int nNames) {
    static std::unordered_map<int, std::string> files;
    static struct remover {
        ~remover() {
            for (auto& [n, path] : files) std::remove(path.c_str());
        }
    } cleanup;
    auto [it, bNew] = files.try_emplace(nNames);
    if (bNew) {
        it->second = (std::filesystem::temp_directory_path() /
                      ("yrapi-config-scale-" + std::to_string(nNames) + ".conf"))
                         .string();
        std::ofstream out(it->second, std::ios::trunc);
        for (int i = 0; i < nNames; ++i) out << ScaledName(i) << " = " << Value(i, 0) << "\n";
    }
    return it->second;
}

std::unique_ptr<CConfigFileThread> MakeTable(bool bLinear) {
    if (bLinear) return std::make_unique<CLinearConfig>();
    return std::make_unique<CConfigFileThread>(kNoReload, /*bStartThread=*/false);
}

// One load of a file of range(0) names into a new, empty table; range(1) 1 for the linear
// reference. Building and freeing the table are not timed.
void BM_Load(benchmark::State& state) {
    const auto nNames = static_cast<int>(state.range(0));
    const std::string& path = ScaledFile(nNames);
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<CConfigFileThread> pTable = MakeTable(state.range(1) != 0);
        YRAPI::GetLogQueue().Clear();
        state.ResumeTiming();
        benchmark::DoNotOptimize(pTable->Load(path.c_str()));
        state.PauseTiming();
        pTable.reset();
        state.ResumeTiming();
    }
    state.SetLabel(state.range(1) != 0 ? "linear (before the index)" : "indexed");
    state.SetItemsProcessed(state.iterations() * nNames);
}
BENCHMARK(BM_Load)
    ->ArgsProduct({{1000, 10000, 50000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// GetString of every name of a range(0)-name table in a scattered order; range(1) as above.
void BM_Lookup(benchmark::State& state) {
    const auto nNames = static_cast<int>(state.range(0));
    std::unique_ptr<CConfigFileThread> pTable = MakeTable(state.range(1) != 0);
    pTable->Load(ScaledFile(nNames).c_str());
    YRAPI::GetLogQueue().Clear();
    std::vector<std::string> names;
    for (int i = 0; i < nNames; ++i)
        names.push_back(ScaledName(static_cast<int>((i * 7919LL) % nNames)));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pTable->GetString(names[i].c_str(), nullptr));
        if (++i == names.size()) i = 0;
    }
    state.SetLabel(state.range(1) != 0 ? "linear (before the index)" : "indexed");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Lookup)->ArgsProduct({{1000, 10000, 50000}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
