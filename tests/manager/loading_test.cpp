// Loading a folder of plugins: order, versions, events, lookups, libraries reached twice and
// unloading.
#include "loading_fixture.h"

#include "platform/os/file_enum.h"
#include "platform/os/library.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "mdi/ZarixMDIContainer.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"

#include <algorithm>
#include <fstream>
#include <map>

using namespace zarix;

namespace {

// The expected initialisation order: ascending priority, load order among equals.
std::vector<std::string> ByPriority(const std::vector<std::pair<std::string, int>>& loadOrder) {
    auto sorted = loadOrder;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    std::vector<std::string> names;
    for (const auto& [name, priority] : sorted) names.push_back(name);
    return names;
}

}  // namespace

TEST_F(LoadingTest, FolderIsLoadedThenInitialisedByPriorityAfterDependencyChecks) {
    const std::map<std::string, std::pair<std::string, int>> fixtures = {
        {"alfa", {"Alfa", 20}}, {"beta", {"Beta", 3}},       {"gamma", {"Gamma", 3}},
        {"delta", {"Delta", 5}}, {"epsilon", {"Epsilon", 7}}, {"noinit", {"Bez inicjalizacji", 4}}};
    for (const auto& [file, _] : fixtures) Install(file);
    std::vector<std::string> before;
    Manager->SetOnBeforeLoading([&](TObject* sender, const std::string& name) {
        EXPECT_EQ(sender, Manager.get());
        before.push_back(name);
    });
    const std::vector<std::string> files = Manager->FindPluginFiles();
    ASSERT_EQ(files.size(), fixtures.size());

    Manager->LoadPlugins();

    std::vector<std::pair<std::string, int>> loadOrder;
    for (const std::string& file : files) {
        EXPECT_EQ(before[loadOrder.size()], ChangeFileExt(file, ""));  // folder kept, extension gone
        loadOrder.push_back(fixtures.at(ChangeFileExt(ExtractFileName(file), "")));
    }
    const auto journal = JournalTake();
    // Gamma needs Alfa 1.2.0.0 but Alfa's file says 1.1.9.9 (1199 < 1200): unloaded, never
    // initialised. Delta needs Beta 1.2.0.0 and Beta is 1.10.0.0 (11000): passes. Epsilon needs
    // a plugin nobody loaded: passes. "Bez inicjalizacji" exports no PluginInitialize.
    std::vector<std::string> expected;
    for (const std::string& name : ByPriority(loadOrder))
        if (name != "Gamma" && name != "Bez inicjalizacji") expected.push_back(name);
    EXPECT_EQ(Only(journal, "PluginInitialize:"), expected);
    EXPECT_EQ(Only(journal, "destroy:"), std::vector<std::string>{"Gamma"});
    EXPECT_FALSE(IsLibraryLoaded((Folder / "gamma.bpl").string()));

    EXPECT_EQ(Manager->PluginCount(), 5);
    EXPECT_EQ(Manager->getPluginByName("GAMMA"), nullptr);
    EXPECT_EQ(Manager->getPluginByName("alfa")->Version(), (TVersion{1, 1, 9, 9}));  // from the file
    EXPECT_EQ(Manager->getPluginByName("Beta")->Filename(), "beta.bpl");
    TStringList* priorities = Manager->PluginPriorities();
    ASSERT_EQ(priorities->Count(), 5);
    EXPECT_EQ(priorities->Strings(0), "0000000003");
    EXPECT_EQ(priorities->Objects(0), Manager->getPluginByName("BETA"));
    EXPECT_EQ(priorities->Strings(4), "0000000020");
    EXPECT_EQ(priorities->Objects(4), Manager->getPluginByName("ALFA"));
}

TEST_F(LoadingTest, EachLibraryIsAnnouncedCommandByCommandBetweenItsEvents) {
    const std::string path = Install("alfa");
    std::vector<std::string> events;
    Manager->SetOnBeforeLoading([&](TObject*, const std::string& name) { events.push_back("before " + name); });
    Manager->SetOnNewCommand([&](TObject* sender, const std::string& caption, const std::string& hint,
                                 const std::string& data, int32_t image, const TNotifyEvent& run) {
        EXPECT_EQ(sender, Manager.get());
        EXPECT_TRUE(static_cast<bool>(run));
        events.push_back("command " + caption + "/" + hint + "/" + data + "/" + std::to_string(image));
    });
    Manager->SetOnAfterLoading([&](TObject*) { events.push_back("after"); });
    Manager->LoadPlugin(path, false);
    EXPECT_EQ(events, (std::vector<std::string>{"before " + ChangeFileExt(path, ""), "command Alfa 1/hint 1/data 1/0",
                                                "command Alfa 2/hint 2/data 2/1", "after"}));
    // Loaded alone: recorded, not initialised, and not yet in the priority order.
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
    EXPECT_EQ(Manager->PluginPriorities()->Count(), 0);
    EXPECT_EQ(Manager->CurrentPluginName, "ALFA");
}

TEST_F(LoadingTest, LoadingWithInitialiseChecksOnlyAgainstPluginsLoadedBefore) {
    Manager->LoadPlugin(Install("gamma"), true);  // its dependency Alfa is not there yet: passes
    Manager->LoadPlugin(Install("alfa"), true);
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), (std::vector<std::string>{"Gamma", "Alfa"}));
    EXPECT_EQ(Loaded(), (std::vector<std::string>{"GAMMA", "ALFA"}));
    // A later run of LoadPlugins rebuilds the order over everything and checks again: now
    // Alfa is loaded at too low a version and Gamma goes.
    Manager->RebuildPriorities();
    Manager->InitializePlugins();
    EXPECT_EQ(Loaded(), (std::vector<std::string>{"ALFA"}));
}

TEST_F(LoadingTest, UnloadingLeavesNothingThatPointsAtThePluginOrItsLibrary) {
    const std::string alfa = Install("alfa");
    const std::string beta = Install("beta");
    Manager->LoadPlugin(alfa, false);
    Manager->LoadPlugin(beta, false);
    Manager->RebuildPriorities();
    TZarixPlugin* betaPlugin = Manager->GetPlugins(1);
    const std::string betaHandle = Manager->PluginHandle(1);
    ASSERT_EQ(Manager->ExceptionManager()->Modules().size(), 2u);
    EXPECT_EQ(Manager->ExceptionManager()->Modules()[0].MapFile, ChangeFileExt(alfa, ".map"));
    EXPECT_EQ(IntToStr(static_cast<int64_t>(Manager->ExceptionManager()->Modules()[1].Handle)), betaHandle);
    JournalTake();

    Manager->UnloadPlugin(0);

    EXPECT_EQ(JournalTake(), std::vector<std::string>{"destroy:Alfa"});  // freed by its own library
    EXPECT_FALSE(IsLibraryLoaded(alfa));
    EXPECT_TRUE(IsLibraryLoaded(beta));
    EXPECT_EQ(Manager->PluginCount(), 1);
    EXPECT_EQ(Manager->GetPlugins(0), betaPlugin);
    EXPECT_EQ(Manager->PluginHandle(0), betaHandle);
    ASSERT_EQ(Manager->PluginPriorities()->Count(), 1);
    EXPECT_EQ(Manager->PluginPriorities()->Objects(0), betaPlugin);
    ASSERT_EQ(Manager->ExceptionManager()->Modules().size(), 1u);
    EXPECT_EQ(Manager->ExceptionManager()->Modules()[0].MapFile, ChangeFileExt(beta, ".map"));

    EXPECT_THROW(Manager->UnloadPlugin(1), EListError);
    EXPECT_THROW(Manager->InitializePlugin(-1), EListError);
    EXPECT_EQ(Manager->PluginCount(), 1);
}

TEST_F(LoadingTest, DestroyingTheManagerUnloadsLastLoadedFirst) {
    for (const char* name : {"alfa", "beta", "delta"}) Manager->LoadPlugin(Install(name), false);
    JournalTake();
    Manager.reset();
    EXPECT_EQ(Only(JournalTake(), "destroy:"), (std::vector<std::string>{"Delta", "Beta", "Alfa"}));
    for (const char* name : {"alfa", "beta", "delta"})
        EXPECT_FALSE(IsLibraryLoaded((Folder / (std::string(name) + ".bpl")).string()));
}

TEST_F(LoadingTest, LookupsByPositionAndByName) {
    Manager->LoadPlugin(Install("noinit"), false);
    Manager->LoadPlugin(Install("beta"), false);
    EXPECT_EQ(Manager->getPluginByName("bezinicjalizacji"), Manager->GetPlugins(0));
    EXPECT_EQ(Manager->getPluginByName("Bez inicjalizacji"), nullptr);  // the argument is not normalised
    EXPECT_EQ(Manager->getPluginByName("BETA "), nullptr);
    EXPECT_EQ(Raised([&] { Manager->GetPlugins(Manager->PluginCount()); }), "Exception: Invalid index");
    TStringList names;
    names.Add("stale");
    Manager->GetLoadedPlugins(&names);
    EXPECT_EQ(names.Text(), "Fixture_Bez_inicjalizacji\nFixture_Beta\n");
    TZarixPlugin* beta = Manager->GetPlugins(1);
    EXPECT_TRUE(beta->isPluginAvailable("BezInicjalizacji"));
    EXPECT_FALSE(beta->isPluginAvailable("Alfa"));
}

TEST_F(LoadingTest, ExtensionAndFolderDecideWhichFilesAreFound) {
    EXPECT_EQ(Manager->GetExtension(), "bpl");
    Install("alfa");
    Install("beta", "beta_copy");
    std::ofstream(Folder / "notes.txt") << "x";
    std::ofstream(Folder / ".hidden.bpl") << "x";
    std::filesystem::create_directory(Folder / "folder.bpl");
    auto files = Manager->FindPluginFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{(Folder / "alfa.bpl").string(), (Folder / "beta_copy.bpl").string()}));

    Manager->SetPluginFolder(Folder.string() + "/");  // a final separator is not doubled
    EXPECT_EQ(Manager->FindPluginFiles().size(), 2u);
    Manager->SetExtension("txt");
    EXPECT_EQ(Manager->FindPluginFiles(), std::vector<std::string>{(Folder / "notes.txt").string()});
    Manager->SetExtension("");  // empty is the default again, not "*."
    EXPECT_EQ(Manager->GetExtension(), "bpl");
    EXPECT_EQ(Manager->FindPluginFiles().size(), 2u);

    Manager->SetPluginFolder("");  // the executable's folder
    Manager->SetExtension("zarix-exe-folder-probe");
    const std::string probe = ExecutableFolder() + "probe.zarix-exe-folder-probe";
    std::ofstream(probe) << "x";
    EXPECT_EQ(Manager->FindPluginFiles(), std::vector<std::string>{probe});
    std::filesystem::remove(probe);
}

TEST_F(LoadingTest, AnEmptyOrMissingFolderLoadsNothingAndFiresNothing) {
    int events = 0;
    Manager->SetOnBeforeLoading([&](TObject*, const std::string&) { ++events; });
    Manager->SetOnAfterLoading([&](TObject*) { ++events; });
    for (const std::filesystem::path& folder : {Folder, Folder / "does-not-exist"}) {
        Manager->SetPluginFolder(folder.string());
        Manager->LoadPlugins();
    }
    EXPECT_EQ(events + Manager->PluginCount(), 0);
}

TEST_F(LoadingTest, ASecondRunKeepsOneRecordPerLibraryAndInitialisesAgain) {
    const std::string alfa = Install("alfa");
    Manager->LoadPlugins();
    Manager->LoadPlugins();
    ASSERT_EQ(Manager->PluginCount(), 1);
    EXPECT_EQ(Manager->PluginPriorities()->Count(), 1);
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), (std::vector<std::string>{"Alfa", "Alfa"}));
    Manager->UnloadPlugin(0);
    EXPECT_FALSE(IsLibraryLoaded(alfa));
}

TEST_F(LoadingTest, DeclaredWindowsJoinTheContainerAndLeaveWithTheirPlugin) {
    TZarixMDIContainer container(nullptr);
    TTreeView tree(nullptr);
    container.SetActiveWindows(&tree);
    Manager->LoadPlugin(Install("beta"), false);  // no container yet: nothing registered
    Manager->SetMDIContainer(&container);
    Manager->LoadPlugin(Install("alfa"), false);
    ASSERT_EQ(container.Items()->Count(), 1);
    const TZarixMDIContainerItem* entry = container.Items()->Items(0);
    EXPECT_EQ(entry->Name(), "Okno");
    EXPECT_EQ(entry->ParentForm(), nullptr);
    EXPECT_EQ(entry->OrigId(), 0);
    EXPECT_EQ(entry->IconIdx, -1);
    EXPECT_EQ(entry->Form()->Height(), 222);  // its own size, height first
    EXPECT_EQ(entry->Form()->Width(), 333);
    EXPECT_EQ(tree.Items()->Count(), 1);
    // The plugin's library frees the window as it unloads: the registry keeps nothing of it.
    Manager->UnloadPlugin(1);
    EXPECT_EQ(container.Items()->Count(), 0);
    EXPECT_EQ(tree.Items()->Count(), 0);
}

// One library reached under two names is loaded once: the second name is refused by LoadPlugin
// and reported and passed over by LoadPlugins.
TEST_F(LoadingTest, ALinkToALoadedLibraryIsReportedAndPassedOverByLoadPlugins) {
    for (const bool hard : {false, true}) {
        SCOPED_TRACE(hard ? "hard link" : "symbolic link");
        const std::string alfa = Install("alfa");
        const std::string link = (Folder / "alfa-link.bpl").string();
        if (hard) std::filesystem::create_hard_link(alfa, link);
        else std::filesystem::create_symlink(alfa, link);
        Install("beta");

        TCapturingExceptionSink reports;
        Manager->LoadPlugins();
        const std::vector<std::string> files = Manager->FindPluginFiles();
        const bool alfaFirst = std::find(files.begin(), files.end(), alfa) < std::find(files.begin(), files.end(), link);
        const std::string& first = alfaFirst ? alfa : link;
        const std::string& second = alfaFirst ? link : alfa;

        std::vector<std::string> loaded = Loaded();
        std::sort(loaded.begin(), loaded.end());
        EXPECT_EQ(loaded, (std::vector<std::string>{"ALFA", "BETA"}));
        ASSERT_EQ(reports.Reports().size(), 1u);
        EXPECT_EQ(reports.Reports()[0].Message, second + ": the same library as " + first);
        EXPECT_EQ(Manager->getPluginByName("ALFA")->Filename(), ExtractFileName(first));
        EXPECT_EQ(Manager->LoadedAs(second), first);

        // LoadPlugin asked for the second name raises instead, and records nothing.
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugin(second, false); }),
                  second + ": the same library as " + first);
        EXPECT_EQ(Manager->PluginCount(), 2);

        while (Manager->PluginCount() > 0) Manager->UnloadPlugin(Manager->PluginCount() - 1);
        EXPECT_FALSE(IsLibraryLoaded(alfa));
        EXPECT_FALSE(Manager->LoadedAs(alfa).has_value());
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
    }
}

TEST_F(LoadingTest, TwoLibrariesDeclaringOneNameBothLoad) {
    Install("alfa");
    Install("alfa", "alfa-copy");  // a copy is another file, so another library
    Manager->LoadPlugins();
    EXPECT_EQ(Loaded(), (std::vector<std::string>{"ALFA", "ALFA"}));
    EXPECT_NE(Manager->GetPlugins(0), Manager->GetPlugins(1));
}
