// The unit table, Initialize and Finalize, and the library's exports by name.
#include "package/zarixplugins.h"

#include "package/PluginManagerForm.h"
#include "sync/sync.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

using namespace zarix;

namespace {

std::vector<std::string> Journal;
void InitA() { Journal.push_back("init A"); }
void InitB() { Journal.push_back("init B"); }
void FiniA() { Journal.push_back("fini A"); }
void FiniC() { Journal.push_back("fini C"); }
void InitFails() { throw std::runtime_error("start-up failed"); }

}  // namespace

TEST(PackageInfo, TheUnitTableListsTheUnitsInOrderWithNoWorkOfTheirOwn) {
    const TPackageInfoTable* table = GetPackageInfoTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table, GetPackageInfoTable());
    std::vector<std::string> names;
    for (int32_t i = 0; i < table->UnitCount; ++i) {
        names.emplace_back(table->Units[i].Name);
        EXPECT_EQ(table->Units[i].Init, nullptr);
        EXPECT_EQ(table->Units[i].FInit, nullptr);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"zarixplugins", "sync", "zarixplugin", "plugin_utils",
                                               "ZarixPluginManager", "ZarixMDIContainer", "result_type",
                                               "PluginManagerForm"}));
    ASSERT_EQ(table->RequiresCount, 4);
    EXPECT_STREQ(table->Requires[0], "ZarixControls");
}

TEST(PackageInfo, LoadingRanInitializeAndHostCallsOnlyCount) {
    EXPECT_EQ(PackageInitCount(), 1) << "the load hook ran Initialize once";
    Initialize();
    EXPECT_EQ(PackageInitCount(), 2);
    Finalize();
    EXPECT_EQ(PackageInitCount(), 1);
    EXPECT_EQ(GlobalPluginManager, nullptr) << "the library never assigns it";
    EXPECT_EQ(frmPluginManager, nullptr) << "the library never assigns it";
}

TEST(UnitRunner, StartsInOrderStopsInReverseAndOnlyTheOutermostCallsAct) {
    const TPackageUnitEntry units[] = {{"A", InitA, FiniA}, {"B", InitB, nullptr}, {"C", nullptr, FiniC}};
    const TPackageInfoTable table{3, units, 0, nullptr};
    TUnitRunner runner(table);
    Journal.clear();
    runner.Initialize();
    runner.Initialize();
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "init B"}));
    runner.Finalize();
    EXPECT_EQ(Journal.size(), 2u) << "one Initialize is still open";
    runner.Finalize();
    runner.Finalize();  // one too many: nothing happens
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "init B", "fini C", "fini A"}));
    EXPECT_EQ(runner.Count(), 0);
}

TEST(UnitRunner, AFailedStartUpStopsTheUnitsAlreadyStarted) {
    const TPackageUnitEntry units[] = {{"A", InitA, FiniA}, {"X", InitFails, FiniC}, {"B", InitB, nullptr}};
    const TPackageInfoTable table{3, units, 0, nullptr};
    TUnitRunner runner(table);
    Journal.clear();
    EXPECT_THROW(runner.Initialize(), std::runtime_error);
    EXPECT_EQ(Journal, (std::vector<std::string>{"init A", "fini A"}));
    EXPECT_EQ(runner.Count(), 0);
}

TEST(PackageExports, EachEntryPointAndVariableIsFoundByItsPlainName) {
    void* library = dlopen(ZARIX_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr) << dlerror();
    // The library exports each name itself. The process-wide lookup must give what this program
    // uses: a program linked with the library works on its own copy of the variables (copy
    // relocations), and the library's code is bound to that copy too.
    const std::pair<const char*, const void*> exports[] = {
        {"GetPackageInfoTable", reinterpret_cast<const void*>(&GetPackageInfoTable)},
        {"Initialize", reinterpret_cast<const void*>(&Initialize)},
        {"Finalize", reinterpret_cast<const void*>(&Finalize)},
        {"GlobalPluginManager", &GlobalPluginManager},
        {"frmPluginManager", &frmPluginManager},
        {"fMDIResult", &fMDIResult},
        {"fModifiedObject", &fModifiedObject},
    };
    for (const auto& [name, address] : exports) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
        EXPECT_EQ(dlsym(RTLD_DEFAULT, name), address) << name;
    }
    dlclose(library);
}
