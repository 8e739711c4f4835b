// The unit table, the entry points and the runner behind them.
#include "package/zarixplugins.h"

#include <type_traits>

namespace zarix {

namespace {

// No unit has start-up or shut-down work of its own: the shared registries are made on first
// use, the manager and the container by the host, plugin components by the plugin libraries.
// The entries stay so that a loader sees every unit in its place.
constexpr TPackageUnitEntry kUnits[] = {
    {"zarixplugins", nullptr, nullptr},       {"sync", nullptr, nullptr},
    {"zarixplugin", nullptr, nullptr},        {"plugin_utils", nullptr, nullptr},
    {"ZarixPluginManager", nullptr, nullptr}, {"ZarixMDIContainer", nullptr, nullptr},
    {"result_type", nullptr, nullptr},        {"PluginManagerForm", nullptr, nullptr},
};

// The maker's libraries the units call on. Here their stand-ins, the language runtime and the
// GUI toolkit are all inside this one library; the names are kept for a loader that lists them.
constexpr const char* kRequires[] = {"ZarixControls", "KQComponents", "security", "zarix_db"};

constexpr TPackageInfoTable kPackageInfo{static_cast<int32_t>(std::size(kUnits)), kUnits,
                                         static_cast<int32_t>(std::size(kRequires)), kRequires};

// Constant-initialised and never destroyed, so the load hooks may call it before any other
// static of the library is built and after all of them are gone.
static_assert(std::is_trivially_destructible_v<TUnitRunner>);
constinit TUnitRunner gPackageRunner(kPackageInfo);

}  // namespace

void TUnitRunner::Initialize() {
    std::lock_guard guard(FLock);
    if (FCount > 0) {
        ++FCount;
        return;
    }
    int32_t started = 0;
    try {
        for (; started < FTable.UnitCount; ++started)
            if (const TUnitProc init = FTable.Units[started].Init; init != nullptr) init();
    } catch (...) {
        FinalizeFirst(started);
        throw;
    }
    FCount = 1;
}

void TUnitRunner::Finalize() {
    std::lock_guard guard(FLock);
    if (FCount == 0 || --FCount > 0) return;
    FinalizeFirst(FTable.UnitCount);
}

void TUnitRunner::FinalizeFirst(int32_t Units) {
    for (int32_t i = Units; i-- > 0;)
        if (const TUnitProc fini = FTable.Units[i].FInit; fini != nullptr) fini();
}

int TUnitRunner::Count() const noexcept {
    std::lock_guard guard(FLock);
    return FCount;
}

TZarixPluginManager* GlobalPluginManager = nullptr;

const TPackageInfoTable* GetPackageInfoTable(void) { return &kPackageInfo; }
void Initialize(void) { gPackageRunner.Initialize(); }
void Finalize(void) { gPackageRunner.Finalize(); }

int PackageInitCount() noexcept { return gPackageRunner.Count(); }

namespace detail {
// The load hooks call these rather than the exported names, which a host's own symbols of the
// same names could take the place of.
void LoadPackageUnits() { gPackageRunner.Initialize(); }
void UnloadPackageUnits() { gPackageRunner.Finalize(); }
}  // namespace detail

}  // namespace zarix
