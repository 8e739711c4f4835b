// Probing libraries in a child process: how far each got, what stopped it, and that the
// probing process itself never maps any of them.
#include "loading_fixture.h"

#include "platform/os/library.h"

#include <csignal>

using namespace zarix;
using namespace std::chrono_literals;

TEST_F(LoadingTest, AProbeTellsTheStageAndTheCauseAndNeverLoadsTheLibraryHere) {
    const struct {
        const char* Fixture;
        bool Passed;
        TProbeStage Stage;
        int Signal;
        const char* ErrorClass;
        const char* Message;
    } cases[] = {
        {"alfa", true, TProbeStage::psDone, 0, "", ""},
        {"registercrashes", false, TProbeStage::psRegister, SIGSEGV, "", "registercrashes.bpl: SIGSEGV in PluginRegister"},
        {"startthrows", false, TProbeStage::psStartUp, SIGABRT, "",
         "startthrows.bpl: SIGABRT in the library's start-up code (an exception of type int, which is not a "
         "std::exception, escaped it)"},
        {"registerint", false, TProbeStage::psRegister, 0, "EPluginError",
         "registerint.bpl: PluginRegister raised an exception of type int, which is not a std::exception"},
        {"priozero", false, TProbeStage::psRegister, 0, "EPluginError",
         "\"priozero.bpl\": nie ma określonego priorytetu ładowania."},
        {"registernull", false, TProbeStage::psRegister, 0, "EPluginError",
         "registernull.bpl: PluginRegister returned no plugin; the library stays loaded, no plugin is recorded"},
        {"noversion", false, TProbeStage::psRegister, 0, "EConvertError",
         "noversion.bpl: the version resource is missing (no FileVersion)"},
        {"initint", false, TProbeStage::psPluginInitialize, 0, "EPluginError",
         "initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not a "
         "std::exception"},
    };
    for (const auto& c : cases) {
        const std::string path = Install(c.Fixture);
        const TProbeResult result = Manager->ProbePluginFile(path);
        EXPECT_EQ(result.File, path);
        EXPECT_EQ(result.Passed, c.Passed) << c.Fixture;
        EXPECT_EQ(ProbeStageName(result.Stage), ProbeStageName(c.Stage)) << c.Fixture;
        EXPECT_EQ(result.Signal, c.Signal) << c.Fixture;
        EXPECT_FALSE(result.TimedOut) << c.Fixture;
        EXPECT_EQ(result.ErrorClass, c.ErrorClass) << c.Fixture;
        EXPECT_EQ(result.Message, c.Message) << c.Fixture;
        EXPECT_FALSE(IsLibraryLoaded(path)) << c.Fixture;
    }
    EXPECT_EQ(Manager->PluginCount(), 0);
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());  // the child's calls stay in the child
}

TEST_F(LoadingTest, AProbeThatHangsIsStoppedAtItsDeadline) {
    const std::string path = Install("inithangs");
    const auto started = std::chrono::steady_clock::now();
    const TProbeResult result = Manager->ProbePluginFile(path, 300ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(result.TimedOut);
    EXPECT_FALSE(result.Passed);
    EXPECT_EQ(result.Message, "inithangs.bpl: no answer within 0.3 s in PluginInitialize; the probe was stopped");
}

TEST_F(LoadingTest, ProbingAFolderGoesOnPastALibraryThatEndsTheChild) {
    for (const char* name : {"beta", "registercrashes", "alfa", "startthrows", "gamma"}) Install(name);
    const std::vector<TProbeResult> results = Manager->ProbePluginFiles();
    const std::vector<std::string> files = Manager->FindPluginFiles();
    ASSERT_EQ(results.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(results[i].File, files[i]);
        const bool hostile = files[i].find("registercrashes") != std::string::npos ||
                             files[i].find("startthrows") != std::string::npos;
        EXPECT_EQ(results[i].Passed, !hostile) << files[i];
        EXPECT_EQ(results[i].Signal != 0, hostile) << files[i];
    }
    EXPECT_EQ(Manager->PluginCount(), 0);
}
