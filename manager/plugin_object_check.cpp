// The run-time class of an object behind an untrusted pointer, read through the kernel so that
// a bad address gives an error instead of a fault.
#include "manager/plugin_object_check.h"

#include "platform/os/module_info.h"
#include "plugin/zarixplugin.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace zarix {

namespace {

// Memory behind untrusted addresses. Inside the library just loaded, the loader mapped every
// span the check before loading listed as readable, and a plain copy does. Elsewhere
// process_vm_readv on our own process copies memory or fails with EFAULT, where a plain read of
// an unmapped address would end the process; each such call costs about a microsecond, and a
// check runs at every load, so the library's own spans spare two of the three reads.
class TOwnMemory {
public:
    explicit TOwnMemory(const TLoadedImage& Library) noexcept : FLibrary(Library) {}

    bool Read(const void* Address, void* Into, std::size_t Size) noexcept {
        if (InLibrary(Address, Size)) {
            std::memcpy(Into, Address, Size);
            return true;
        }
        iovec local{Into, Size};
        iovec remote{const_cast<void*>(Address), Size};
        return process_vm_readv(Self(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(Size);
    }

    // Writes back the bytes just read: a plugin component lives in the heap or in a library's
    // data, never in code or read-only data.
    bool Writable(const void* Address, const void* Same, std::size_t Size) noexcept {
        iovec local{const_cast<void*>(Same), Size};
        iovec remote{const_cast<void*>(Address), Size};
        return process_vm_writev(Self(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(Size);
    }

private:
    // Asked once per check: each asking is a system call too.
    pid_t Self() noexcept {
        if (FSelf == 0) FSelf = getpid();
        return FSelf;
    }

    // Offsets wrap as the loader's own address arithmetic does.
    bool InLibrary(const void* Address, std::size_t Size) const noexcept {
        const uint64_t offset = reinterpret_cast<uintptr_t>(Address) - FLibrary.Bias;
        for (const TReadableSpan& span : FLibrary.Readable)
            if (offset >= span.Begin && offset <= span.End && Size <= span.End - offset) return true;
        return false;
    }

    const TLoadedImage& FLibrary;
    pid_t FSelf = 0;
};

// The loader's own lookup for unwinders: no symbol search (dladdr walks a module's whole symbol
// table, tens of microseconds a call), only whether the address lies in a loaded module.
bool InLoadedModule(const void* Address) noexcept { return ModuleOfCode(Address) != nullptr; }

bool Aligned(const void* Address) noexcept { return reinterpret_cast<uintptr_t>(Address) % alignof(void*) == 0; }

std::string Hex(const void* Address) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", Address);
    return text;
}

// The virtual tables of the three kinds of class type_info the C++ run-time has (no base, one
// public base, anything else), taken from classes of each kind: a real class's type_info uses
// one of them, and no other object does.
struct TNoBase {
    virtual ~TNoBase() = default;
};
struct TOneBase : TNoBase {};
struct TOtherBase {
    virtual ~TOtherBase() = default;
};
struct TTwoBases : TNoBase, TOtherBase {};

const void* TypeInfoTable(const std::type_info& Type) noexcept {
    const void* table = nullptr;
    std::memcpy(&table, static_cast<const void*>(&Type), sizeof table);
    return table;
}

bool IsClassTypeInfoTable(const void* Table) noexcept {
    return Table == TypeInfoTable(typeid(TNoBase)) || Table == TypeInfoTable(typeid(TOneBase)) ||
           Table == TypeInfoTable(typeid(TTwoBases));
}

std::string Demangled(const char* Name) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> plain(abi::__cxa_demangle(Name, nullptr, nullptr, &status),
                                                            &std::free);
    return status == 0 && plain ? std::string(plain.get()) : std::string(Name);
}

}  // namespace

std::optional<std::string> WhyNotAPluginObject(const void* Candidate, const TLoadedImage& Library) {
    // The layout read here is the Itanium C++ ABI's: the object starts with its virtual table
    // pointer, and the word before the table's first slot is the class's type_info, the word
    // before that the offset to the whole object.
    TOwnMemory memory(Library);
    const void* table = nullptr;
    if (!Aligned(Candidate) || !memory.Read(Candidate, &table, sizeof table))
        return "the address " + Hex(Candidate) + ", where there is no object";
    const void* prefix[2] = {};
    const void* typeHeader[2] = {};  // the type_info's own virtual table and its name
    const bool classKnown = table != nullptr && Aligned(table) && InLoadedModule(table) &&
                            memory.Read(static_cast<const void* const*>(table) - 2, prefix, sizeof prefix) &&
                            prefix[0] == nullptr && prefix[1] != nullptr && Aligned(prefix[1]) &&
                            InLoadedModule(prefix[1]) && memory.Read(prefix[1], typeHeader, sizeof typeHeader) &&
                            IsClassTypeInfoTable(typeHeader[0]);
    if (!classKnown) {
        // Every live object sits in writable memory; saying so where it does not is the more
        // telling answer. Asked only on the way to a refusal, as it costs one more system call.
        if (!memory.Writable(Candidate, &table, sizeof table))
            return "the address " + Hex(Candidate) + ", which is not in writable memory";
        return "an object without run-time class information at " + Hex(Candidate);
    }
    // With the table and its class information known to be real, the language's own cast can
    // walk the class's ancestry safely.
    const auto* object = reinterpret_cast<const TObject*>(Candidate);
    if (dynamic_cast<const TZarixPlugin*>(object) != nullptr) return std::nullopt;
    const std::type_info& actual = *static_cast<const std::type_info*>(prefix[1]);
    return "an object of class " + Demangled(actual.name());
}

}  // namespace zarix
