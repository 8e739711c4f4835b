// The layouts of the classes a plugin and its host share, recorded with the framework ABI number
// they belong to. Changing one without bumping the number would let old plugins load into a
// host whose objects they misread; this test fails first.
#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/controls.h"
#include "platform/ui/forms.h"
#include "platform/os/framework_abi.h"
#include "plugin/plugin_collections.h"
#include "plugin/zarixplugin.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

using namespace zarix;

namespace {

struct TLayout {
    std::string Name;
    std::size_t Size = 0;
    std::size_t Align = 0;
    std::size_t VTableWords = 0;  // the size of the class's virtual table symbol, in pointers; 0 without one
    bool Polymorphic = false;
};

// The virtual table as the compiler laid it out: the size of its symbol, "_ZTV" followed by the
// class's mangled name, as the framework library exports it. Every virtual function added,
// removed or moved to another base changes it.
std::size_t VTableWords(const std::type_info& type) {
    const std::string symbol = std::string("_ZTV") + type.name();
    void* address = dlsym(RTLD_DEFAULT, symbol.c_str());
    if (address == nullptr) return 0;
    Dl_info info{};
    void* entry = nullptr;
    if (dladdr1(address, &info, &entry, RTLD_DL_SYMENT) == 0 || entry == nullptr) return 0;
    return static_cast<const ElfW(Sym)*>(entry)->st_size / sizeof(void*);
}

template <class T>
TLayout LayoutOf(const char* name) {
    return {name, sizeof(T), alignof(T), std::is_polymorphic_v<T> ? VTableWords(typeid(T)) : 0, std::is_polymorphic_v<T>};
}

std::string Table(const std::vector<TLayout>& layouts) {
    std::ostringstream out;
    for (const TLayout& l : layouts)
        out << "    SHARED(" << l.Name << ", " << l.Size << ", " << l.Align << ", " << l.VTableWords << "),\n";
    return out.str();
}

// Recorded on x86-64 with libstdc++'s C++11 ABI, the build plugins are stamped for: the class as
// it is now beside its size, alignment and virtual table words then.
constexpr uint32_t RecordedAbi = 2;
#define SHARED(T, size, align, vtable) {LayoutOf<T>(#T), TLayout{#T, size, align, vtable}}
const std::pair<TLayout, TLayout> Layouts[] = {
    SHARED(TObject, 8, 8, 5), SHARED(TPersistent, 8, 8, 8), SHARED(TComponent, 120, 8, 10),
    SHARED(TCollectionItem, 24, 8, 9), SHARED(TCollection, 80, 8, 9), SHARED(TZarixPlugin, 424, 8, 20),
    SHARED(TZarixPluginCommand, 384, 8, 9), SHARED(TZarixPluginMethod, 88, 8, 9), SHARED(TZarixPluginClass, 96, 8, 9),
    SHARED(TZarixPluginMDIForm, 128, 8, 9), SHARED(TZarixPluginCommands, 96, 8, 9), SHARED(TZarixPluginMethods, 96, 8, 9),
    SHARED(TZarixPluginClasses, 96, 8, 9), SHARED(TZarixPluginMDIForms, 96, 8, 9), SHARED(TZarixPluginManager, 832, 8, 22),
    // What a plugin's windows derive from and register with.
    SHARED(TControl, 192, 8, 14), SHARED(TForm, 400, 8, 15), SHARED(TZarixMDIContainer, 176, 8, 10),
    SHARED(TVersion, 8, 2, 0), SHARED(TPluginDependency, 40, 8, 0),
};
#undef SHARED

}  // namespace

TEST(FrameworkAbi, TheSharedClassesKeepTheLayoutsRecordedForThisAbiNumber) {
#if !defined(__x86_64__) || !defined(__GLIBCXX__) || !_GLIBCXX_USE_CXX11_ABI
    GTEST_SKIP() << "the layouts are recorded for x86-64 and libstdc++'s C++11 ABI";
#endif
    std::vector<TLayout> current, recorded;
    for (const auto& [now, then] : Layouts) {
        EXPECT_EQ(now.VTableWords != 0, now.Polymorphic) << now.Name << ": no virtual table symbol found";
        current.push_back(now);
        recorded.push_back(then);
    }
    ASSERT_EQ(ZARIX_FRAMEWORK_ABI, RecordedAbi)
        << "the ABI number was bumped: record the layouts for it here\n" << Table(current);
    EXPECT_EQ(Table(current), Table(recorded))
        << "a shared class changed its layout: bump ZARIX_FRAMEWORK_ABI in platform/os/framework_abi.h and record the new "
           "layouts here";
}
