// A plugin's end of life: the manager frees the component through the library's destroy entry
// before unmapping it, unloading survives whatever fails inside it, and a host whose manager
// lives in a global exits cleanly.
#include "allocation_hooks.h"
#include "leak_check.h"
#include "loading_fixture.h"
#include "ui_change_scope.h"

#include "platform/os/library.h"
#include "platform/os/module_unload.h"
#include "platform/ui/application.h"
#include "platform/ui/menus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace zarix;

namespace {

// A front-end that fails at every change it is told of.
struct TFailingFrontEnd : TUIChangeScope {
    TFailingFrontEnd() : TUIChangeScope([](const TUIChange&) { throw std::runtime_error("front-end down"); }) {}
};

// Made before a host's manager, so destroyed after it: it sees the manager's whole end, and ends
// the process with 3 when anything was reported on the way out.
class TReportWatch {
public:
    TReportWatch() {
        SetExceptionSink([this](const TExceptionReport& r) {
            std::fprintf(stderr, "%s\n", FormatExceptionReport(r).c_str());
            ++FReports;
        });
    }
    ~TReportWatch() {
        if (FReports != 0) std::_Exit(3);
    }

private:
    int FReports = 0;
};

}  // namespace

class LifetimeTest : public LoadingTest {
protected:
    // Libraries built by hand, without the helper's ABI stamp, are part of the subject here.
    void SetUp() override {
        LoadingTest::SetUp();
        Manager->SetAllowUnstampedPlugins(true);
    }

    /// Loads a fresh copy of a fixture and builds a menu of the commands loaded into Menu, so
    /// that unloading has views to cut.
    std::string LoadWithMenu(const std::string& name) {
        const std::string file = Install(name, name + std::to_string(++Copies));
        Manager->LoadPlugin(file, true);
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        return file;
    }
    TMenuItem* FirstItem() const { return Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef(); }
    bool Reported(const std::string& text) const {
        return std::any_of(Sink.Reports().begin(), Sink.Reports().end(),
                           [&](const TExceptionReport& r) { return r.Message.find(text) != std::string::npos; });
    }

    TCapturingExceptionSink Sink;
    TMainMenu Menu{nullptr};
    int Copies = 0;
};

// How a library's component goes and whether the library goes with it. "handmacro" and
// "handstatic" are built by hand, without the module helper, so unique symbols are allowed: the
// first declares its entries with ZARIX_PLUGIN, the second owns its component in a
// function-local static and exports no destroy entry.
TEST_F(LifetimeTest, TheComponentGoesThroughTheDestroyEntryAndAMappedLibraryIsReported) {
    // Each fixture: whether a handle of the test's own keeps it mapped, whether the unload itself
    // destroys the component, and whether the library stays mapped, and so is reported by file name.
    const std::tuple<const char*, bool, bool, bool> cases[] = {
        {"lifetime", true, true, true}, {"handmacro", false, true, false}, {"handstatic", false, false, true}};
    for (const auto& [fixture, heldByTheTest, destroyed, staysMapped] : cases) {
        SCOPED_TRACE(fixture);
        const std::string file = LoadWithMenu(fixture);
        TLibrary held = heldByTheTest ? TLibrary::Load(file) : TLibrary();
        JournalTake();
        Manager->UnloadPlugin(0);
        const auto journal = JournalTake();
        EXPECT_EQ(Only(journal, "destroy:").size(), destroyed ? 1u : 0u);
        EXPECT_EQ(Only(journal, "singleton-gone:").size(), 1u);
        EXPECT_EQ(IsLibraryLoaded(file), staysMapped);
        EXPECT_EQ(Reported("\"" + file + "\" is still loaded after unloading"), staysMapped);
        // The one the test held goes with the test's handle; the other is mapped for good.
        if (staysMapped && !heldByTheTest) zarix_test::ExpectLibraryKept(file, 1);
    }
}

TEST_F(LifetimeTest, AFailingFrontEndIsReportedAndTheUnloadCompletes) {
    const std::string file = LoadWithMenu("lifetime");
    TMenuItem* item = FirstItem();
    {
        TFailingFrontEnd frontEnd;
        EXPECT_NO_THROW(Manager->UnloadPlugin(0));
    }
    EXPECT_EQ(Only(JournalTake(), "destroy:").size(), 1u);
    EXPECT_FALSE(IsLibraryLoaded(file));
    EXPECT_TRUE(Reported("front-end down"));
    EXPECT_FALSE(item->Enabled() || item->OnClick());
}

TEST_F(LifetimeTest, DestroyingTheManagerUnderAFailingFrontEndReportsInsteadOfEndingTheProcess) {
    EXPECT_EXIT(
        {
            LoadWithMenu("lifetime");
            LoadWithMenu("alfa");
            TFailingFrontEnd frontEnd;
            Manager.reset();
            std::_Exit(Reported("front-end down") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LifetimeTest, AnUnloadThatCannotCutTheViewsKeepsTheLibraryWholeAndSaysSo) {
    const std::string file = LoadWithMenu("lifetime");
    TMenuItem* item = FirstItem();
    zarix::test::FailNextAllocation(true);
    EXPECT_NO_THROW(Manager->UnloadPlugin(0));
    zarix::test::FailNextAllocation(false);
    EXPECT_EQ(Manager->PluginCount(), 0);
    EXPECT_TRUE(IsLibraryLoaded(file));
    EXPECT_TRUE(Reported("\"" + file + "\" stays loaded"));
    zarix_test::ExpectLibraryKept(file, 1);
    JournalTake();
    item->Click();  // what was not cut still runs code that is still there
    EXPECT_EQ(JournalTake(), TNames{"execute:Lifetime"});
}

TEST_F(LifetimeTest, CallbacksALibraryLeftInstalledGoWithItAndTheHostIsToldOnce) {
    TNames told;
    const uint64_t key = AddModuleUnloadObserver([&](const TModuleUnload& unload) { told.push_back(unload.Path); });
    const std::string file = Install("callbacks");
    Manager->LoadPlugin(file, true);
    Manager->UnloadPlugin(0);
    RemoveModuleUnloadObserver(key);
    EXPECT_EQ(told, TNames{file});
    EXPECT_FALSE(IsLibraryLoaded(file));
    JournalTake();
    // Each place falls back to what was there before the library installed its own.
    ZarixExceptionHandler(Exception("po wyładowaniu"), "test", Here());
    {
        TFailingFrontEnd frontEnd;
        NotifyUIChange(nullptr, "Caption");
    }
    Application().ProcessMessages();
    for (const TNotifyEvent* refresh :
         {&Manager->OnMenuMustRefresh, &Manager->OnToolBarMustRefresh, &Manager->OnMainCaptionRefresh})
        EXPECT_FALSE(*refresh);
    EXPECT_EQ(JournalTake(), TNames{});
    EXPECT_TRUE(Reported("po wyładowaniu"));
    EXPECT_TRUE(Reported("front-end down"));
}

#ifndef NDEBUG
TEST_F(LifetimeTest, DebugBuildsStopAManagerOrContainerCallFromAnotherThread) {
    TZarixMDIContainer container(nullptr);
    const std::function<void()> calls[] = {[&] { Manager->LoadPlugins(); }, [&] { container.RefreshMDI(nullptr); }};
    for (const std::function<void()>& call : calls) EXPECT_DEATH(std::thread(call).join(), "UI-thread-only");
}
#endif

// A host keeps its manager in a global, as hosts do: the manager is destroyed as the process
// exits, among the plugin libraries' own static objects. Each child process plays such a host,
// with a manager made, like a global, before any plugin library is loaded; the hand-built
// fixtures carry no stamp.
TEST(LifetimeHost, AHostWithItsManagerInAGlobalExitsCleanly) {
    for (const std::string& arg : {std::string(FIXTURE_DIR) + "alfa.bpl", std::string(FIXTURE_DIR) + "lifetime.bpl",
                                   std::string(FIXTURE_DIR) + "handmacro.bpl", std::string(EXAMPLE_PLUGIN_DIR)}) {
        EXPECT_EXIT(
            {
                static TReportWatch watch;
                static TZarixPluginManager manager(nullptr);
                manager.SetAllowUnstampedPlugins(true);
                manager.SetPluginFolder(arg);
                if (arg.ends_with('/')) manager.LoadPlugins();
                else manager.LoadPlugin(arg, true);
                manager.SetCommandsBasedMenu(nullptr, nullptr, nullptr);
                std::exit(manager.PluginCount() > 0 ? 0 : 2);
            },
            ::testing::ExitedWithCode(0), "")
            << arg;
    }
}
