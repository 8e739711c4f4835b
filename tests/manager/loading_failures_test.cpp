// Libraries that fail to load, or whose code throws what is not a std::exception or hands out
// something that is not a plugin: the exact messages, and what stays loaded and recorded.
#include "leak_check.h"
#include "loading_fixture.h"

#include "platform/os/library.h"
#include "platform/rtl/strings.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"

#include <fstream>
#include <iterator>

using namespace zarix;

TEST_F(LoadingTest, EachFailureRaisesItsOwnMessageAndRecordsNothing) {
    const struct {
        const char* Fixture;
        std::string Expected;   // "@" stands for the file's whole path
        bool Recorded;          // PluginInitialize failures come after the plugin was recorded
        std::size_t Components;  // the refused plugin's, kept with its library
    } cases[] = {
        {"noregister", "EPluginError: \"noregister.bpl\" nie jest pluginem programu Zarix.", false, 0},
        {"priozero", "EPluginError: \"priozero.bpl\": nie ma określonego priorytetu ładowania.", false, 1},
        {"initfalse", "EPluginError: \"@\" - inicjalizacja nie wykonana.", false, 1},
        {"registerthrows", "std::runtime_error: rejestracja nie powiodła się", false, 0},
        {"noversion", "EConvertError: noversion.bpl: the version resource is missing (no FileVersion)", false, 1},
        {"commaversion",
         "EConvertError: commaversion.bpl: FileVersion \"1, 0, 0, 0\" is not a dotted version: '1, 0, 0, 0' is not a "
         "valid integer value",
         false, 1},
        {"registerint",
         "EPluginError: registerint.bpl: PluginRegister raised an exception of type int, which is not a std::exception",
         false, 0},
        {"initint",
         "EPluginError: initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not "
         "a std::exception",
         true, 0},
        {"notplugin1",
         "EPluginError: notplugin1.bpl: PluginRegister returned an object of class "
         "(anonymous namespace)::TFixtureSettings, not a TZarixPlugin",
         false, 0},
        {"notplugin5",
         "EPluginError: notplugin5.bpl: PluginRegister returned an object of class std::runtime_error, not a "
         "TZarixPlugin",
         false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fixture);
        const std::string path = Install(c.Fixture);
        int after = 0;
        Manager->SetOnAfterLoading([&](TObject*) { ++after; });
        std::string expected = c.Expected;
        if (const auto at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, path);
        EXPECT_EQ(Raised([&] { Manager->LoadPlugin(path, true); }), expected);
        EXPECT_EQ(Manager->PluginCount(), c.Recorded ? 1 : 0);
        EXPECT_TRUE(c.Recorded || after == 0) << after;
        // The failed library stays loaded, unrecorded: the manager will never unload it.
        EXPECT_TRUE(IsLibraryLoaded(path));
        EXPECT_TRUE(c.Recorded || Manager->ExceptionManager()->Modules().empty());
        while (Manager->PluginCount() > 0) Manager->UnloadPlugin(0);
        zarix_test::ExpectLibraryKept(path, c.Components);
    }
    // Only the plugin that was recorded reached its library's initialisation.
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), std::vector<std::string>{"InitInt"});
}

TEST_F(LoadingTest, APointerToNoObjectIsRefusedWithoutBeingFollowed) {
    // Where the pointer leads decides the words; the address itself varies between runs.
    const std::pair<const char*, const char*> cases[] = {
        {"notplugin2", ", which is not in writable memory, not a TZarixPlugin"},
        {"notplugin3", ", where there is no object, not a TZarixPlugin"},
        {"notplugin4", "an object without run-time class information at "},
    };
    for (const auto& [fixture, says] : cases) {
        const std::string path = Install(fixture);
        zarix_test::ExpectLibraryKept(path, 0);
        const std::string message = MessageOf<EPluginError>([&] { Manager->LoadPlugin(path, false); });
        EXPECT_EQ(message.rfind(std::string(fixture) + ".bpl: PluginRegister returned ", 0), 0u) << message;
        EXPECT_NE(message.find(says), std::string::npos) << message;
    }
    EXPECT_EQ(Manager->PluginCount(), 0);
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

TEST_F(LoadingTest, AFileTheLoaderRefusesQuotesTheLoader) {
    // A sound library whose dependency cannot be found: only the loader itself can tell.
    const std::string path = Install("blank", "broken");
    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    in.close();
    const auto at = bytes.find("libzarix_test_journal.so");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 3] = 'X';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const std::string message = MessageOf<EPackageError>([&] { Manager->LoadPlugin(path, false); });
    EXPECT_EQ(message.rfind("cannot load library " + path + ": (", 0), 0u) << message;
    EXPECT_EQ(message.back(), ')');
}

TEST_F(LoadingTest, TheFirstFailureEndsTheRunBeforeAnythingIsInitialised) {
    for (const char* name : {"alfa", "beta", "priozero", "delta", "epsilon"}) Install(name);
    const std::vector<std::string> files = Manager->FindPluginFiles();
    EXPECT_THROW(Manager->LoadPlugins(), EPluginError);

    std::vector<std::string> expected;
    bool failedSeen = false;
    for (const std::string& file : files) {
        const std::string name = ChangeFileExt(ExtractFileName(file), "");
        if (name == "priozero") failedSeen = true;
        if (name == "priozero") zarix_test::ExpectLibraryKept(file, 1);
        else if (!failedSeen) expected.push_back(UpperCase(name));
        else EXPECT_FALSE(IsLibraryLoaded(file)) << name << " was found after the failure and must not be loaded";
    }
    EXPECT_EQ(Loaded(), expected);
    EXPECT_EQ(Manager->CurrentPluginName, "PRIOZERO");  // it got as far as its priority
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
    EXPECT_EQ(Manager->PluginPriorities()->Count(), 0);

    // A foreign exception in the initialisation walk ends it as an EPluginError.
    Manager.reset();
    std::filesystem::remove_all(Folder);
    std::filesystem::create_directories(Folder);
    Manager = std::make_unique<TZarixPluginManager>(nullptr);
    Manager->SetPluginFolder(Folder.string());
    Install("initint");
    EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugins(); }),
              "initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not a "
              "std::exception");
    EXPECT_EQ(Loaded(), std::vector<std::string>{"INITINT"});
}

TEST(ManagerDesignMode, AManagerInTheDesignerOnlyCarriesItsSettingsAndAPluginWithoutOneSaysSo) {
    TComponent form(nullptr);
    form.SetDesigning(true);
    auto* manager = new TZarixPluginManager(&form);
    EXPECT_EQ(manager->ExceptionManager(), nullptr);
    EXPECT_EQ(manager->PluginPriorities(), nullptr);
    manager->SetExtension("dll");
    EXPECT_EQ(manager->GetExtension(), "dll");
    EXPECT_THROW(manager->LoadPlugins(), EPluginError);

    TZarixPlugin plugin(nullptr);
    plugin.SetPluginName("Luzem");
    EXPECT_EQ(MessageOf<EPluginError>([&] { plugin.isPluginAvailable("X"); }),
              "Plugin \"LUZEM\" is not loaded by a plugin manager");
}
