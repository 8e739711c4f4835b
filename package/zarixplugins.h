// The library as a unit of delivery: its unit table with each unit's start-up and shut-down
// routine, the entry points a host's library loader calls, and the variable kept for the host.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <mutex>

namespace zarix {

class TZarixPluginManager;

// The entry points and the table have C linkage: hosts find them by these plain names.
extern "C" {

/// A unit's start-up or shut-down routine.
typedef void (*TUnitProc)(void);

/// One unit of the library; a routine is null when the unit has no such work.
struct TPackageUnitEntry {
    const char* Name;
    TUnitProc Init;
    TUnitProc FInit;
};

/// The library's units in start-up order, and the libraries it requires.
struct TPackageInfoTable {
    int32_t UnitCount;
    const TPackageUnitEntry* Units;
    int32_t RequiresCount;
    const char* const* Requires;
};

/// A manager for the host's own use; the library never assigns or reads it.
extern ZARIX_API TZarixPluginManager* GlobalPluginManager;

/// The library's unit table; the same static table on every call.
ZARIX_API const TPackageInfoTable* GetPackageInfoTable(void);
/// Runs the units' start-up routines in table order. Loading the library calls it; a host's
/// loader may call it again: only the first of several calls runs the routines.
ZARIX_API void Initialize(void);
/// Runs the units' shut-down routines in reverse table order once every Initialize has been
/// matched by a Finalize; unloading the library calls it. Extra calls do nothing.
ZARIX_API void Finalize(void);

}  // extern "C"

/// Initialize calls not yet matched by Finalize: 1 while the library is loaded and no host
/// has called either.
ZARIX_API int PackageInitCount() noexcept;

/// Runs a unit table's routines, counting the calls so that only the first Initialize and the
/// last Finalize act. A start-up routine that throws has the units already started shut
/// down, in reverse order, before the exception goes on; the count stays as it was.
class ZARIX_API TUnitRunner {
public:
    constexpr explicit TUnitRunner(const TPackageInfoTable& Table) noexcept : FTable(Table) {}

    void Initialize();
    void Finalize();
    int Count() const noexcept;

private:
    void FinalizeFirst(int32_t Units);

    const TPackageInfoTable& FTable;
    mutable std::mutex FLock;
    int FCount = 0;
};

}  // namespace zarix
