// Export lookup in a loaded library's own GNU hash table.
#pragma once

#include <cstdint>
#include <optional>

namespace zarix {

/// The address of the exported function or object Name in the library behind Handle, found
/// through the library's own symbol hash table. Nothing when the library has no GNU hash table
/// or the symbol needs the loader's help (indirect functions, thread-local data); the caller
/// then asks the loader. nullptr (inside the optional) when the library does not export Name.
std::optional<void*> LookupExportInHashTable(uintptr_t Handle, const char* Name) noexcept;

}  // namespace zarix
