// A plugin's end of life: the manager frees the component through the library's destroy entry
// before unmapping it, unloading survives whatever fails inside it, and a host whose manager
// lives in a global exits cleanly.
#include "allocation_countdown.h"
#include "loading_fixture.h"

#include "platform/os/library.h"
#include "platform/os/module_info.h"
#include "platform/ui/menus.h"
#include "platform/ui/ui_change.h"
#include "services/exception_handler.h"
#include "services/singleton.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

extern char** environ;

using namespace zarix;

namespace {

bool Has(const std::vector<std::string>& journal, const std::string& entry) {
    return std::find(journal.begin(), journal.end(), entry) != journal.end();
}

// A front-end that fails at every change it is told of.
class TFailingFrontEnd {
public:
    TFailingFrontEnd()
        : FPrevious(SetUIChangeHandler([](const TUIChange&) { throw std::runtime_error("front-end down"); })) {}
    ~TFailingFrontEnd() { SetUIChangeHandler(std::move(FPrevious)); }
    TFailingFrontEnd(const TFailingFrontEnd&) = delete;
    TFailingFrontEnd& operator=(const TFailingFrontEnd&) = delete;

private:
    TUIChangeHandler FPrevious;
};

// Runs the global-manager host on the arguments; its wait status.
int RunHost(std::vector<std::string> args) {
    args.insert(args.begin(), GLOBAL_HOST);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, GLOBAL_HOST, nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

}  // namespace

class LifetimeTest : public LoadingTest {
protected:
    /// Loads a fresh copy of a fixture and builds a menu of its commands into Menu, so that
    /// unloading has views to cut.
    std::string LoadWithMenu(const std::string& name, TMenu& Menu) {
        const std::string file = Install(name, name + std::to_string(++Copies));
        Manager->LoadPlugin(file, true);
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
        return file;
    }
    bool Reported(const std::string& text) const {
        return std::any_of(Sink.Reports().begin(), Sink.Reports().end(),
                           [&](const TExceptionReport& r) { return r.Message.find(text) != std::string::npos; });
    }

    TCapturingExceptionSink Sink;
    int Copies = 0;
};

TEST_F(LifetimeTest, TheManagerFreesTheComponentThroughTheDestroyEntryEvenWhenTheLibraryStaysMapped) {
    TMainMenu menu(nullptr);
    const std::string file = LoadWithMenu("lifetime", menu);
    TLibrary held = TLibrary::Load(file);  // keeps the library mapped past the manager's unload
    JournalTake();
    Manager->UnloadPlugin(0);
    const auto journal = JournalTake();
    EXPECT_TRUE(Has(journal, "destroy:Lifetime"));
    EXPECT_TRUE(Has(journal, "singleton-gone:Lifetime"));
    EXPECT_TRUE(IsLibraryLoaded(file));
    EXPECT_TRUE(Reported("\"" + file + "\" is still loaded after unloading"));
    held = TLibrary();
    EXPECT_FALSE(IsLibraryLoaded(file));
}

TEST_F(LifetimeTest, TheRegisterEntryMakesOneComponentUntilTheDestroyEntryFreesIt) {
    TLibrary library = TLibrary::Load(Install("lifetime"));
    const auto registerProc = reinterpret_cast<TPluginRegisterProc>(library.Resolve("PluginRegister"));
    const auto destroyProc = reinterpret_cast<TPluginDestroyProc>(library.Resolve("PluginDestroy"));
    ASSERT_NE(registerProc, nullptr);
    ASSERT_NE(destroyProc, nullptr);
    JournalTake();
    // Each step, and the components made and freed so far.
    struct TStep {
        TPluginRegisterProc Register;
        TPluginDestroyProc Destroy;
        std::size_t Made, Freed;
    };
    const TStep steps[] = {
        {registerProc, nullptr, 1, 0}, {registerProc, nullptr, 1, 0},  // one component, two users
        {nullptr, destroyProc, 1, 0},  {nullptr, destroyProc, 1, 1},   // freed with its last user
        {nullptr, destroyProc, 1, 1},                                    // nothing left to free
        {registerProc, nullptr, 2, 1}, {nullptr, destroyProc, 2, 2},   // a new one after that
    };
    std::size_t made = 0, freed = 0;
    TZarixPlugin* first = nullptr;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        if (steps[i].Register != nullptr) {
            TZarixPlugin* plugin = steps[i].Register();
            if (i == 1) {
                EXPECT_EQ(plugin, first);
            }
            first = first != nullptr ? first : plugin;
        } else {
            steps[i].Destroy();
        }
        const auto journal = JournalTake();
        made += Only(journal, "create:").size();
        freed += Only(journal, "destroy:").size();
        EXPECT_EQ(made, steps[i].Made);
        EXPECT_EQ(freed, steps[i].Freed);
    }
    ReleaseSingletonsOfModule(ModuleOfHandle(library.Handle()));
}

// Libraries built by hand, without the module helper and so with unique symbols allowed.
struct THandBuilt {
    const char* File;
    bool StaysMapped;  // its own static owns the component, and is a unique symbol
};

class HandBuiltTest : public LifetimeTest, public ::testing::WithParamInterface<THandBuilt> {};

TEST_P(HandBuiltTest, AreUnmappedOrReportedByName) {
    TMainMenu menu(nullptr);
    const std::string file = LoadWithMenu(GetParam().File, menu);
    Manager->UnloadPlugin(0);
    EXPECT_EQ(IsLibraryLoaded(file), GetParam().StaysMapped);
    EXPECT_EQ(Reported("\"" + file + "\" is still loaded after unloading"), GetParam().StaysMapped);
}

INSTANTIATE_TEST_SUITE_P(Lifetime, HandBuiltTest,
                         ::testing::Values(THandBuilt{"handmacro", false}, THandBuilt{"handstatic", true}),
                         [](const auto& info) { return std::string(info.param.File); });

TEST_F(LifetimeTest, AFailingFrontEndIsReportedAndTheUnloadCompletes) {
    TMainMenu menu(nullptr);
    const std::string file = LoadWithMenu("lifetime", menu);
    TMenuItem* item = Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef();
    ASSERT_NE(item, nullptr);
    JournalTake();
    {
        TFailingFrontEnd frontEnd;
        EXPECT_NO_THROW(Manager->UnloadPlugin(0));
    }
    const auto journal = JournalTake();
    EXPECT_TRUE(Has(journal, "destroy:Lifetime"));
    EXPECT_TRUE(Has(journal, "singleton-gone:Lifetime"));
    EXPECT_FALSE(IsLibraryLoaded(file));
    EXPECT_TRUE(Reported("front-end down"));
    EXPECT_EQ(Manager->PluginCount(), 0);
    EXPECT_FALSE(item->Enabled());
    EXPECT_FALSE(static_cast<bool>(item->OnClick()));
}

TEST_F(LifetimeTest, DestroyingTheManagerUnderAFailingFrontEndReportsInsteadOfEndingTheProcess) {
    EXPECT_EXIT(
        {
            TMainMenu menu(nullptr);
            LoadWithMenu("lifetime", menu);
            LoadWithMenu("alfa", menu);
            TFailingFrontEnd frontEnd;
            Manager.reset();
            std::_Exit(Reported("front-end down") ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LifetimeTest, AnAllocationFailingAnywhereInTheUnloadLeavesNoHalfUnloadedPlugin) {
    // Every allocation the unload makes fails in turn, until one unload makes no more.
    bool reached = true;
    std::size_t nth = 1;
    for (; reached && nth < 200; ++nth) {
        SCOPED_TRACE("allocation " + std::to_string(nth));
        TMainMenu menu(nullptr);
        const std::string file = LoadWithMenu("lifetime", menu);
        TMenuItem* item = Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef();
        JournalTake();
        Sink.Clear();
        lifetime_test::FailAllocation(nth);
        EXPECT_NO_THROW(Manager->UnloadPlugin(0));
        reached = lifetime_test::AllocationFailed();
        lifetime_test::FailAllocation(0);
        EXPECT_EQ(Manager->PluginCount(), 0);
        if (IsLibraryLoaded(file)) {
            // Kept whole, and said so: what was not cut still runs code that is there.
            EXPECT_TRUE(reached);
            EXPECT_TRUE(Reported("\"" + file + "\" stays loaded"));
        } else {
            // Gone whole: nothing shown can call into it.
            EXPECT_TRUE(item == nullptr || !item->OnClick());
            EXPECT_TRUE(reached || Has(JournalTake(), "destroy:Lifetime"));
        }
    }
    EXPECT_FALSE(reached) << "the unload allocates without end";
    EXPECT_GT(nth, 2u) << "no allocation of the unload was reached";
}

TEST_F(LifetimeTest, ALibraryLoadedTwiceStaysWholeUntilItsLastEntryGoes) {
    const std::string file = Install("lifetime");
    Manager->LoadPlugin(file, false);
    Manager->LoadPlugin(file, false);
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
    TMenuItem* item = Manager->GetPlugins(0)->Commands()->Items(0)->MenuItemRef();
    ASSERT_NE(item, nullptr);
    JournalTake();
    Manager->UnloadPlugin(1);
    item->Click();
    EXPECT_EQ(JournalTake(), std::vector<std::string>{"execute:Lifetime"});
    EXPECT_TRUE(IsLibraryLoaded(file));
    Manager->UnloadPlugin(0);
    EXPECT_EQ(Only(JournalTake(), "destroy:"), std::vector<std::string>{"Lifetime"});
    EXPECT_FALSE(IsLibraryLoaded(file));
}

TEST(LifetimeHost, AHostWithItsManagerInAGlobalExitsCleanly) {
    const std::string fixtures = FIXTURE_DIR;
    const std::vector<std::vector<std::string>> runs = {
        {fixtures + "alfa.bpl", fixtures + "beta.bpl", fixtures + "lifetime.bpl", fixtures + "handmacro.bpl"},
        {EXAMPLE_PLUGIN_DIR},
    };
    for (const auto& args : runs) {
        SCOPED_TRACE(args.front());
        const int status = RunHost(args);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}
