// Plugin code that throws what is not a std::exception, or hands out something that is not a
// plugin: each becomes an EPluginError naming the file, and nothing is recorded.
#include "leak_check.h"
#include "loading_fixture.h"

#include "platform/os/library.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"

using namespace zarix;

TEST_F(LoadingTest, ForeignExceptionsAndNonPluginsAreRefusedWithTheFileNamed) {
    const struct {
        const char* Fixture;
        const char* Expected;
        bool Recorded;  // PluginInitialize failures come after the plugin was recorded
    } cases[] = {
        {"registerint", "registerint.bpl: PluginRegister raised an exception of type int, which is not a std::exception",
         false},
        {"initint",
         "initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not a "
         "std::exception",
         true},
        {"notplugin1",
         "notplugin1.bpl: PluginRegister returned an object of class (anonymous namespace)::TFixtureSettings, not a "
         "TZarixPlugin",
         false},
        {"notplugin5", "notplugin5.bpl: PluginRegister returned an object of class std::runtime_error, not a TZarixPlugin",
         false},
    };
    for (const auto& c : cases) {
        const std::string path = Install(c.Fixture);
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugin(path, true); }), c.Expected) << c.Fixture;
        EXPECT_EQ(Manager->PluginCount(), c.Recorded ? 1 : 0) << c.Fixture;
        EXPECT_TRUE(IsLibraryLoaded(path)) << c.Fixture;  // kept, as after every failure once mapped
        while (Manager->PluginCount() > 0) Manager->UnloadPlugin(0);
        zarix_test::ExpectLibraryKept(path, 0);
    }
}

TEST_F(LoadingTest, APointerToNoObjectIsRefusedWithoutBeingFollowed) {
    // Where the pointer leads decides the words; the address itself varies between runs.
    const struct {
        const char* Fixture;
        const char* Says;
    } cases[] = {
        {"notplugin2", ", which is not in writable memory, not a TZarixPlugin"},
        {"notplugin3", ", where there is no object, not a TZarixPlugin"},
        {"notplugin4", "an object without run-time class information at "},
    };
    for (const auto& c : cases) {
        const std::string path = Install(c.Fixture);
        zarix_test::ExpectLibraryKept(path, 0);
        const std::string message = MessageOf<EPluginError>([&] { Manager->LoadPlugin(path, false); });
        EXPECT_EQ(message.rfind(std::string(c.Fixture) + ".bpl: PluginRegister returned ", 0), 0u) << message;
        EXPECT_NE(message.find(c.Says), std::string::npos) << message;
        EXPECT_EQ(Manager->PluginCount(), 0) << c.Fixture;
    }
}

TEST_F(LoadingTest, AForeignExceptionInTheInitialisationWalkEndsLoadPluginsAsAnEPluginError) {
    Install("initint");
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugins(); }),
              "initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not a "
              "std::exception");
    EXPECT_EQ(Loaded(), std::vector<std::string>{"INITINT"});
}

TEST_F(LoadingTest, RegistrationThatReturnsNothingIsReportedNamingTheFileAndNotRaised) {
    TCapturingExceptionSink reports;
    int after = 0;
    Manager->SetOnAfterLoading([&](TObject*) { ++after; });
    const std::string path = Install("registernull");
    EXPECT_NO_THROW(Manager->LoadPlugin(path, true));
    EXPECT_EQ(after, 0);
    EXPECT_EQ(Manager->PluginCount(), 0);
    EXPECT_TRUE(IsLibraryLoaded(path));
    zarix_test::ExpectLibraryKept(path, 0);
    ASSERT_EQ(reports.Reports().size(), 1u);
    EXPECT_EQ(reports.Reports()[0].ExceptionClass, "EPluginError");
    EXPECT_EQ(reports.Reports()[0].Message,
              "registernull.bpl: PluginRegister returned no plugin; the library stays loaded, no plugin is recorded");
}
