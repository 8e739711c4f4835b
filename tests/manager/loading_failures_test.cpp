// Libraries that fail to load: the exact messages, and what stays loaded and recorded.
#include "leak_check.h"
#include "loading_fixture.h"

#include "platform/os/library.h"
#include "platform/rtl/strings.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

using namespace zarix;

TEST_F(LoadingTest, EachFailureRaisesItsOwnMessageAndRecordsNothing) {
    struct Case {
        const char* Fixture;
        std::function<std::string(const std::string& path)> Expected;
        std::size_t Components;  // the refused plugin's, kept with its library
    };
    const Case cases[] = {
        {"noregister", [](const std::string&) { return "\"noregister.bpl\" nie jest pluginem programu Zarix."; }, 0},
        {"priozero", [](const std::string&) { return "\"priozero.bpl\": nie ma określonego priorytetu ładowania."; }, 1},
        {"initfalse", [](const std::string& path) { return "\"" + path + "\" - inicjalizacja nie wykonana."; }, 1},
    };
    for (const Case& c : cases) {
        const std::string path = Install(c.Fixture);
        int after = 0;
        Manager->SetOnAfterLoading([&](TObject*) { ++after; });
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugin(path, true); }), c.Expected(path)) << c.Fixture;
        EXPECT_EQ(Manager->PluginCount(), 0) << c.Fixture;
        EXPECT_EQ(after, 0) << c.Fixture;
        // The failed library stays loaded, unrecorded: the manager will never unload it.
        EXPECT_TRUE(IsLibraryLoaded(path)) << c.Fixture;
        EXPECT_TRUE(Manager->ExceptionManager()->Modules().empty()) << c.Fixture;
        zarix_test::ExpectLibraryKept(path, c.Components);
        // A plugin that got as far as its priority leaves its name current.
        if (std::string(c.Fixture) == "priozero") {
            EXPECT_EQ(Manager->CurrentPluginName, "PRIOZERO");
        }
    }
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
}

TEST_F(LoadingTest, AVersionThatIsMissingOrNotDottedFailsWithTheConversionErrorNamingTheFile) {
    for (const char* name : {"noversion", "commaversion"}) zarix_test::ExpectLibraryKept((Folder / (name + std::string(".bpl"))).string(), 1);
    EXPECT_EQ(MessageOf<EConvertError>([&] { Manager->LoadPlugin(Install("noversion"), false); }),
              "noversion.bpl: the version resource is missing (no FileVersion)");
    EXPECT_EQ(MessageOf<EConvertError>([&] { Manager->LoadPlugin(Install("commaversion"), false); }),
              "commaversion.bpl: FileVersion \"1, 0, 0, 0\" is not a dotted version: '1, 0, 0, 0' is not a valid "
              "integer value");
    EXPECT_EQ(Manager->PluginCount(), 0);
}

TEST_F(LoadingTest, RegistrationThatRaisesPropagatesAndRecordsNothing) {
    const std::string path = Install("registerthrows");
    EXPECT_EQ(MessageOf<std::runtime_error>([&] { Manager->LoadPlugin(path, false); }), "rejestracja nie powiodła się");
    EXPECT_EQ(Manager->PluginCount(), 0);
    zarix_test::ExpectLibraryKept(path, 0);
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
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
    EXPECT_EQ(Manager->PluginPriorities()->Count(), 0);
}

TEST(ManagerDesignMode, AManagerInTheDesignerOnlyCarriesItsSettings) {
    TComponent form(nullptr);
    form.SetDesigning(true);
    auto* manager = new TZarixPluginManager(&form);
    EXPECT_EQ(manager->ExceptionManager(), nullptr);
    EXPECT_EQ(manager->PluginPriorities(), nullptr);
    manager->SetExtension("dll");
    EXPECT_EQ(manager->GetExtension(), "dll");
    EXPECT_THROW(manager->LoadPlugins(), EPluginError);
}

TEST(PluginForwards, APluginNotLoadedByAManagerSaysSo) {
    TZarixPlugin plugin(nullptr);
    plugin.SetPluginName("Luzem");
    EXPECT_EQ(MessageOf<EPluginError>([&] { plugin.isPluginAvailable("X"); }),
              "Plugin \"LUZEM\" is not loaded by a plugin manager");
}
