// Loading a folder of plugins: order, versions, events, lookups, libraries reached twice and
// unloading. Libraries that fail to load, or whose code throws what is not a std::exception or
// hands out something that is not a plugin: the exact messages, and what stays loaded and
// recorded. Libraries refused before any of their code runs (truncated, for another machine, not
// ELF, stamped for another ABI or not at all), with the library handles and export lookup the
// loader uses. Probing libraries in a child process: how far each got, what stopped it, and that
// the probing process itself never maps any of them.
#include "leak_check.h"
#include "loading_fixture.h"

#include "../os/version_test_files.h"
#include "mdi/ZarixMDIContainer.h"
#include "platform/os/file_enum.h"
#include "platform/os/library.h"
#include "platform/os/library_check.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "services/exception_manager.h"

#include <dlfcn.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <regex>

using namespace zarix;
using namespace std::chrono_literals;
using namespace zarix::test;

TEST_F(LoadingTest, FolderIsLoadedThenInitialisedByPriorityAfterDependencyChecks) {
    for (const char* name : {"alfa", "beta", "gamma", "delta", "epsilon", "noinit"}) Install(name);
    Manager->LoadPlugins();
    const auto journal = JournalTake();
    // Gamma needs Alfa 1.2.0.0 but Alfa's file says 1.1.9.9 (1199 < 1200): unloaded, never
    // initialised. Delta needs Beta 1.2.0.0 and Beta is 1.10.0.0 (11000): passes. Epsilon needs
    // a plugin nobody loaded: passes. "Bez inicjalizacji" (priority 4) exports no
    // PluginInitialize. Whatever order the folder lists them in, the rest go by priority.
    EXPECT_EQ(Only(journal, "PluginInitialize:"), (TNames{"Beta", "Delta", "Epsilon", "Alfa"}));
    EXPECT_EQ(Only(journal, "destroy:"), TNames{"Gamma"});
    EXPECT_FALSE(IsLibraryLoaded((Folder / "gamma.bpl").string()));

    EXPECT_EQ(Manager->getPluginByName("GAMMA"), nullptr);
    EXPECT_EQ(Priorities(), (TNames{"0000000003 BETA", "0000000004 BEZINICJALIZACJI",
                                                      "0000000005 DELTA", "0000000007 EPSILON", "0000000020 ALFA"}));

    // Looked up by the normalised name (whatever the letter case, as the late-bound tests show);
    // the argument is not normalised.
    EXPECT_EQ(Manager->getPluginByName("Bez inicjalizacji"), nullptr);
    EXPECT_EQ(Raised([&] { Manager->GetPlugins(Manager->PluginCount()); }), "Exception: Invalid index");
    TStringList names;
    names.Add("stale");
    Manager->GetLoadedPlugins(&names);
    names.Sort();  // in the folder's order, which varies
    EXPECT_EQ(names.Text(), "Fixture_Alfa\nFixture_Beta\nFixture_Bez_inicjalizacji\nFixture_Delta\nFixture_Epsilon\n");
}

// The windows a plugin declares join the container, when there is one, and leave with their plugin.
TEST_F(LoadingTest, EachLibraryIsAnnouncedCommandByCommandBetweenItsEventsAndItsWindowsJoinTheContainer) {
    TZarixMDIContainer container(nullptr);
    TTreeView tree(nullptr);
    container.SetActiveWindows(&tree);
    Manager->LoadPlugin(Install("beta"), false);  // no container yet: nothing registered
    Manager->SetMDIContainer(&container);
    const std::string path = Install("alfa");
    TNames events;
    Manager->SetOnBeforeLoading([&](TObject* sender, const std::string& name) {
        EXPECT_EQ(sender, Manager.get());
        events.push_back("before " + name);  // the folder kept, the extension gone
    });
    Manager->SetOnNewCommand([&](TObject* sender, const std::string& caption, const std::string& hint,
                                 const std::string& data, int32_t image, const TNotifyEvent& run) {
        EXPECT_EQ(sender, Manager.get());
        EXPECT_TRUE(static_cast<bool>(run));
        events.push_back("command " + caption + "/" + hint + "/" + data + "/" + std::to_string(image));
    });
    Manager->SetOnAfterLoading([&](TObject*) { events.push_back("after"); });
    Manager->LoadPlugin(path, false);
    EXPECT_EQ(events, (TNames{"before " + ChangeFileExt(path, ""), "command Alfa 1/hint 1/data 1/0",
                              "command Alfa 2/hint 2/data 2/1", "after"}));
    // Loaded alone: recorded, not initialised, and not yet in the priority order.
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
    EXPECT_TRUE(Priorities().empty());

    ASSERT_EQ(container.Items()->Count(), 1);
    const TZarixMDIContainerItem* entry = container.Items()->Items(0);
    // A top-level window without an icon, of its own size.
    EXPECT_EQ(std::make_tuple(entry->Name(), entry->ParentForm(), entry->OrigId(), entry->IconIdx, entry->Form()->Height(),
                              entry->Form()->Width()),
              std::make_tuple(std::string("Okno"), nullptr, 0, -1, 222, 333));
    EXPECT_EQ(tree.Items()->Count(), 1);
    // The plugin's library frees the window as it unloads: the registry keeps nothing of it.
    Manager->UnloadPlugin(1);
    EXPECT_EQ(container.Items()->Count(), 0);
    EXPECT_EQ(tree.Items()->Count(), 0);
}

TEST_F(LoadingTest, LoadingWithInitialiseChecksOnlyAgainstPluginsLoadedBefore) {
    Manager->LoadPlugin(Install("gamma"), true);  // its dependency Alfa is not there yet: passes
    Manager->LoadPlugin(Install("alfa"), true);
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), (TNames{"Gamma", "Alfa"}));
    EXPECT_EQ(Loaded(), (TNames{"GAMMA", "ALFA"}));
    // A later run of LoadPlugins rebuilds the order over everything and checks again: now
    // Alfa is loaded at too low a version and Gamma goes.
    Manager->RebuildPriorities();
    Manager->InitializePlugins();
    EXPECT_EQ(Loaded(), (TNames{"ALFA"}));
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
    EXPECT_EQ(IntToStr(static_cast<int64_t>(Manager->ExceptionManager()->Modules()[1].Handle)), betaHandle);
    JournalTake();

    Manager->UnloadPlugin(0);

    EXPECT_EQ(JournalTake(), TNames{"destroy:Alfa"});  // freed by its own library
    EXPECT_FALSE(IsLibraryLoaded(alfa));
    EXPECT_TRUE(IsLibraryLoaded(beta));
    EXPECT_EQ(Manager->GetPlugins(0), betaPlugin);
    EXPECT_EQ(Manager->PluginHandle(0), betaHandle);
    EXPECT_EQ(Priorities(), TNames{"0000000003 BETA"});
    ASSERT_EQ(Manager->ExceptionManager()->Modules().size(), 1u);
    EXPECT_EQ(Manager->ExceptionManager()->Modules()[0].MapFile, ChangeFileExt(beta, ".map"));

    EXPECT_THROW(Manager->UnloadPlugin(1), EListError);
    EXPECT_THROW(Manager->InitializePlugin(-1), EListError);
    EXPECT_EQ(Manager->PluginCount(), 1);

    const std::string delta = Install("delta");
    Manager->LoadPlugin(alfa, false);  // loaded again, now after Beta
    Manager->LoadPlugin(delta, false);
    Manager.reset();  // unloads the last loaded first
    EXPECT_EQ(Only(JournalTake(), "destroy:"), (TNames{"Delta", "Alfa", "Beta"}));
    for (const std::string& file : {alfa, beta, delta}) EXPECT_FALSE(IsLibraryLoaded(file)) << file;
}

// The default extension is "bpl": what the first listing finds, and what an empty one brings back.
// An empty or missing folder loads nothing and fires no event.
TEST_F(LoadingTest, ExtensionAndFolderDecideWhichFilesAreFound) {
    int events = 0;
    Manager->SetOnBeforeLoading([&](TObject*, const std::string&) { ++events; });
    Manager->SetOnAfterLoading([&](TObject*) { ++events; });
    for (const std::filesystem::path& folder : {Folder / "does-not-exist", Folder}) {
        Manager->SetPluginFolder(folder.string());
        Manager->LoadPlugins();
    }
    EXPECT_EQ(events + Manager->PluginCount(), 0);

    Install("alfa");
    Install("beta", "beta_copy");
    std::ofstream(Folder / "notes.txt") << "x";
    std::ofstream(Folder / ".hidden.bpl") << "x";
    std::filesystem::create_directory(Folder / "folder.bpl");
    auto files = Manager->FindPluginFiles();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (TNames{(Folder / "alfa.bpl").string(), (Folder / "beta_copy.bpl").string()}));

    Manager->SetPluginFolder(Folder.string() + "/");  // a final separator is not doubled
    EXPECT_EQ(Manager->FindPluginFiles().size(), 2u);
    Manager->SetExtension("txt");
    EXPECT_EQ(Manager->FindPluginFiles(), TNames{(Folder / "notes.txt").string()});
    Manager->SetExtension("");  // not "*."
    EXPECT_EQ(Manager->FindPluginFiles().size(), 2u);

    Manager->SetPluginFolder("");  // the executable's folder
    Manager->SetExtension("zarix-exe-folder-probe");
    const std::string probe = ExecutableFolder() + "probe.zarix-exe-folder-probe";
    std::ofstream(probe) << "x";
    EXPECT_EQ(Manager->FindPluginFiles(), TNames{probe});
    std::filesystem::remove(probe);
}

// A second run keeps one record per library and initialises again. A copy is another file, so
// another library: it loads beside the first although it declares the same name.
TEST_F(LoadingTest, ASecondRunKeepsOneRecordPerLibraryAndACopyIsAnotherLibrary) {
    Install("alfa");
    Install("alfa", "alfa-copy");
    Manager->LoadPlugins();
    Manager->LoadPlugins();
    EXPECT_EQ(Loaded(), (TNames{"ALFA", "ALFA"}));
    EXPECT_NE(Manager->GetPlugins(0), Manager->GetPlugins(1));
    EXPECT_EQ(Priorities(), (TNames{"0000000020 ALFA", "0000000020 ALFA"}));
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), (TNames{"Alfa", "Alfa", "Alfa", "Alfa"}));
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
        const TNames files = Manager->FindPluginFiles();
        const bool alfaFirst = std::find(files.begin(), files.end(), alfa) < std::find(files.begin(), files.end(), link);
        const std::string& first = alfaFirst ? alfa : link;
        const std::string& second = alfaFirst ? link : alfa;

        TNames loaded = Loaded();
        std::sort(loaded.begin(), loaded.end());
        EXPECT_EQ(loaded, (TNames{"ALFA", "BETA"}));
        EXPECT_EQ(ReportsOf(reports),
                  TNames{"TZarixPluginManager.LoadPlugins | EPluginError: " + second + ": the same library as " + first});
        EXPECT_EQ(Manager->getPluginByName("ALFA")->Filename(), ExtractFileName(first));
        EXPECT_EQ(Manager->LoadedAs(second), first);

        // LoadPlugin asked for the second name, or the first again, raises instead and records
        // nothing; the first record stays whole, its code still there.
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugin(second, false); }),
                  second + ": the same library as " + first);
        EXPECT_EQ(MessageOf<EPluginError>([&] { Manager->LoadPlugin(first, false); }),
                  first + ": this library is already loaded");
        EXPECT_EQ(Manager->PluginCount(), 2);
        EXPECT_EQ(Manager->methodByName("alfa", "Describe", {}, nullptr).AsString(), "Alfa:0");

        while (Manager->PluginCount() > 0) Manager->UnloadPlugin(Manager->PluginCount() - 1);
        EXPECT_FALSE(IsLibraryLoaded(alfa));
        EXPECT_FALSE(Manager->LoadedAs(alfa).has_value());
        StartOver();
    }
}

// A pointer to no object is refused without being followed: where it leads decides the words,
// the address itself varies between runs. Registration that returns nothing raises nothing and is
// reported instead.
TEST_F(LoadingTest, EachFailureRaisesItsOwnMessageAndRecordsNothing) {
    // Each fixture: recorded or not (PluginInitialize fails after that), its components kept with
    // its library, what it raised ("@" stands for the file's whole path) and what it reported.
    const std::tuple<const char*, bool, std::size_t, std::string, std::string> cases[] = {
        {"noregister", false, 0, "EPluginError: \"noregister.bpl\" nie jest pluginem programu Zarix.", ""},
        {"priozero", false, 1, "EPluginError: \"priozero.bpl\": nie ma określonego priorytetu ładowania.", ""},
        {"initfalse", false, 1, "EPluginError: \"@\" - inicjalizacja nie wykonana.", ""},
        {"registerthrows", false, 0, "std::runtime_error: rejestracja nie powiodła się", ""},
        {"noversion", false, 1, "EConvertError: noversion.bpl: the version resource is missing (no FileVersion)", ""},
        {"commaversion", false, 1, "EConvertError: commaversion.bpl: FileVersion \"1, 0, 0, 0\" is not a dotted version: "
                                   "'1, 0, 0, 0' is not a valid integer value", ""},
        {"registerint", false, 0,
         "EPluginError: registerint.bpl: PluginRegister raised an exception of type int, which is not a std::exception", ""},
        {"initint", true, 0, "EPluginError: initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, "
                             "which is not a std::exception", ""},
        {"notplugin1", false, 0, "EPluginError: notplugin1.bpl: PluginRegister returned an object of class "
                                 "(anonymous namespace)::TFixtureSettings, not a TZarixPlugin", ""},
        {"notplugin2", false, 0, "EPluginError: notplugin2.bpl: PluginRegister returned the address <address>, which is "
                                 "not in writable memory, not a TZarixPlugin", ""},
        {"notplugin3", false, 0, "EPluginError: notplugin3.bpl: PluginRegister returned the address <address>, where "
                                 "there is no object, not a TZarixPlugin", ""},
        {"notplugin4", false, 0, "EPluginError: notplugin4.bpl: PluginRegister returned an object without run-time class "
                                 "information at <address>, not a TZarixPlugin", ""},
        {"notplugin5", false, 0, "EPluginError: notplugin5.bpl: PluginRegister returned an object of class "
                                 "std::runtime_error, not a TZarixPlugin", ""},
        {"registernull", false, 0, "nothing raised", "TZarixPluginManager.LoadPlugin | EPluginError: registernull.bpl: "
                                   "PluginRegister returned no plugin; the library stays loaded, no plugin is recorded"},
    };
    for (const auto& [fixture, recorded, components, raisedText, reported] : cases) {
        SCOPED_TRACE(fixture);
        const std::string path = Install(fixture);
        int after = 0;
        Manager->SetOnAfterLoading([&](TObject*) { ++after; });
        std::string expected = raisedText;
        if (const auto at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, path);
        TCapturingExceptionSink reports;
        const std::string raised = Raised([&] { Manager->LoadPlugin(path, true); });
        EXPECT_EQ(std::regex_replace(raised, std::regex("0x[0-9a-f]+"), "<address>"), expected);
        EXPECT_EQ(ReportsOf(reports), reported.empty() ? TNames{} : TNames{reported});
        EXPECT_EQ(Manager->PluginCount(), recorded ? 1 : 0);
        EXPECT_TRUE(recorded || after == 0) << after;
        // The failed library stays loaded, unrecorded: the manager will never unload it.
        EXPECT_TRUE(IsLibraryLoaded(path));
        EXPECT_TRUE(recorded || Manager->ExceptionManager()->Modules().empty());
        while (Manager->PluginCount() > 0) Manager->UnloadPlugin(0);
        zarix_test::ExpectLibraryKept(path, components);
    }
    // Only the plugin that was recorded reached its library's initialisation.
    EXPECT_EQ(Only(JournalTake(), "PluginInitialize:"), TNames{"InitInt"});
}

TEST(ManagerDesignMode, AManagerInTheDesignerOnlyCarriesItsSettingsAndAPluginWithoutOneSaysSo) {
    TComponent form(nullptr);
    form.SetDesigning(true);
    auto* manager = new TZarixPluginManager(&form);
    EXPECT_EQ(manager->ExceptionManager(), nullptr);
    EXPECT_EQ(manager->PluginPriorities(), nullptr);
    EXPECT_THROW(manager->LoadPlugins(), EPluginError);

    TZarixPlugin plugin(nullptr);
    plugin.SetPluginName("Luzem");
    EXPECT_EQ(MessageOf<EPluginError>([&] { plugin.isPluginAvailable("X"); }),
              "Plugin \"LUZEM\" is not loaded by a plugin manager");
}

// The folder's libraries are probed in turn; one that ends the child does not end the probing.
TEST_F(LoadingTest, AProbeTellsTheStageAndTheCauseAndNeverLoadsTheLibraryHere) {
    // Each fixture: whether it passes, the stage it reached, the signal that ended it, the class and message.
    const std::tuple<const char*, bool, TProbeStage, int, const char*, const char*> cases[] = {
        {"alfa", true, TProbeStage::psDone, 0, "", ""},
        {"registercrashes", false, TProbeStage::psRegister, SIGSEGV, "", "registercrashes.bpl: SIGSEGV in PluginRegister"},
        {"startthrows", false, TProbeStage::psStartUp, SIGABRT, "",
         "startthrows.bpl: SIGABRT in the library's start-up code (an exception of type int, which is not a "
         "std::exception, escaped it)"},
        {"registernull", false, TProbeStage::psRegister, 0, "EPluginError",
         "registernull.bpl: PluginRegister returned no plugin; the library stays loaded, no plugin is recorded"},
        {"initint", false, TProbeStage::psPluginInitialize, 0, "EPluginError",
         "initint.bpl (plugin INITINT): PluginInitialize raised an exception of type int, which is not a "
         "std::exception"},
    };
    for (const auto& c : cases) Install(std::get<0>(c));
    const TNames files = Manager->FindPluginFiles();
    const std::vector<TProbeResult> results = Manager->ProbePluginFiles();
    ASSERT_EQ(results.size(), std::size(cases));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const TProbeResult& r = results[i];
        const auto& [fixture, passed, stage, signal, errorClass, message] = *std::ranges::find_if(
            cases, [&](const auto& c) { return ExtractFileName(files[i]) == std::get<0>(c) + std::string(".bpl"); });
        SCOPED_TRACE(fixture);
        EXPECT_EQ(std::make_tuple(r.File, r.Passed, ProbeStageName(r.Stage), r.Signal, r.TimedOut, r.ErrorClass, r.Message),
                  std::make_tuple(files[i], passed, ProbeStageName(stage), signal, false, std::string(errorClass),
                                  std::string(message)));
        EXPECT_FALSE(IsLibraryLoaded(files[i]));
    }
    EXPECT_EQ(Manager->PluginCount(), 0);
    EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());  // the child's calls stay in the child

    // A library that hangs is stopped at its deadline.
    const std::string path = Install("inithangs");
    const auto started = std::chrono::steady_clock::now();
    const TProbeResult hung = Manager->ProbePluginFile(path, 300ms);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(std::make_tuple(hung.TimedOut, hung.Passed, hung.Message),
              std::make_tuple(true, false, std::string("inithangs.bpl: no answer within 0.3 s in PluginInitialize; the probe was stopped")));
}

namespace {

class LibraryCheckTest : public LoadingTest {
protected:
    // The refusal's message; "" when LoadPlugin raised nothing, with the library recorded.
    std::string Refusal(const std::string& path) {
        const int before = Manager->PluginCount();
        try {
            Manager->LoadPlugin(path, false);
        } catch (const EPackageError& e) {
            EXPECT_EQ(Manager->PluginCount(), before) << path;
            EXPECT_FALSE(IsLibraryLoaded(path)) << path << " was mapped although it was refused";
            EXPECT_TRUE(Manager->ExceptionManager()->Modules().empty()) << path;
            return e.what();
        }
        EXPECT_EQ(Manager->PluginCount(), before + 1) << path;
        return "";
    }
    std::string Fixture(const std::string& name) const { return std::string(FIXTURE_DIR) + name + ".bpl"; }

    TTempDir Files;
};

std::string Truncation(const std::string& what, uint64_t end, uint64_t size) {
    return "truncated: " + what + " ends at byte " + std::to_string(end) + " of a " + std::to_string(size) + "-byte file";
}

}  // namespace

// Every cut up to the end of what the loader maps is refused, naming the first part the cut
// falls in; every cut past it loads whole. Without the check the loader dies of SIGBUS.
TEST_F(LibraryCheckTest, EveryCutBeforeTheSegmentsEndAndEveryFileThatIsNoLibraryIsRefused) {
    const TFileBytes whole = ReadFileBytes(Fixture("blank"));
    const TElfLandmarks at = FindElfLandmarks(whole);
    uint64_t mapped = 0;
    for (const auto& load : at.Loads) mapped = std::max(mapped, load.End);
    ASSERT_GT(mapped, 4096u);

    std::vector<uint64_t> lengths = {0, 3, 4, 17, 63, 64, at.ProgramHeaderEnd - 1, mapped - 1, mapped, mapped + 1, whole.size() - 1};
    for (uint64_t length = 256; length < mapped; length += 256) lengths.push_back(length);
    for (const uint64_t length : lengths) {
        SCOPED_TRACE("cut at " + std::to_string(length));
        const std::string path = Files.Write("cut" + std::to_string(length) + ".bpl",
                                             std::span(whole).first(static_cast<std::size_t>(length)));
        std::string reason;
        if (length < 4) reason = "not an ELF shared library";
        else if (length < 64) reason = Truncation("the ELF header", 64, length);
        else if (length < at.ProgramHeaderEnd) reason = Truncation("the program header table", at.ProgramHeaderEnd, length);
        else
            for (const auto& load : at.Loads)
                if (reason.empty() && load.End > length)
                    reason = Truncation("segment " + std::to_string(load.Index), load.End, length);

        const auto fromBytes = InspectLibraryBytes(std::as_bytes(std::span(whole).first(static_cast<std::size_t>(length))), false);
        EXPECT_EQ(fromBytes.value_or(""), reason);
        EXPECT_EQ(Refusal(path), reason.empty() ? "" : ExtractFileName(path) + ": " + reason);
        if (reason.empty()) Manager->UnloadPlugin(Manager->PluginCount() - 1);
    }

    // Files that are no library at all.
    const std::string text = Files.Write("tekst.bpl", TFileBytes{'n', 'o', 't', ' ', 'E', 'L', 'F'});
    const std::string folder = Files.Path() + "/katalog.bpl";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Refusal(text), "tekst.bpl: not an ELF shared library");
    EXPECT_EQ(Refusal(folder), "katalog.bpl: not a regular file");
    EXPECT_EQ(Refusal(Files.Path() + "/brak.bpl"), "brak.bpl: cannot open: No such file or directory");
}

// Fields of a real library changed one at a time: the header's machine, class, type and program
// headers, and each field of its framework ABI stamp, where each mismatch names both sides. A
// truncation's message goes on with the file's size, which the table leaves out. The framework
// ABI itself is the abimismatch fixture's, below.
TEST_F(LibraryCheckTest, ALibraryTheHostsLoaderCannotTakeOrOfAnotherBuildIsRefusedByWhatItIs) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "the messages name an x86-64 host";
#endif
    const TAbiStamp host = HostAbiStamp();
    if (host.StdLibCxx11Abi != 1) GTEST_SKIP() << "the messages name libstdc++ with the C++11 ABI";
    const std::string hostStdLib = "libstdc++ " + std::to_string(host.StdLibMajor) + " (C++11 ABI)";
    const TElfLandmarks at = FindElfLandmarks(ReadFileBytes(Fixture("blank")));
    ASSERT_NE(at.StampOffset, 0u);
    const auto field = [&](uint64_t word) { return at.StampOffset + 4 * word; };  // a word of the stamp's descriptor
    // Each case: its name, the bytes written at an offset, and the reason given ("" when the library loads).
    const std::tuple<const char*, uint64_t, TFileBytes, std::string> cases[] = {
        {"aarch64", 18, Le(183, 2), "built for AArch64, this host is x86-64"},
        {"s390x", 18, Le(22, 2), "built for s390x, this host is x86-64"},
        {"unknown", 18, Le(4321, 2), "built for machine 4321, this host is x86-64"},
        {"32-bit", 4, Le(1, 1), "a 32-bit library, this host is 64-bit"},
        {"class 7", 4, Le(7, 1), "not an ELF shared library (unknown class 7)"},
        {"executable", 16, Le(2, 2), "an executable, not a shared library"},
        {"object", 16, Le(1, 2), "an object file, not a shared library"},
        {"program header size", 0x36, Le(40, 2), "program header size 40, expected 56"},
        {"no program headers", 0x38, Le(0, 2), "no program headers"},
        {"program headers far away", 0x20, Le(~0ull - 8, 8), "truncated: the program header table of 504 bytes runs past the end"},
        {"not ELF", 0, Le(0x7F454C46, 4), "not an ELF shared library"},
        {"dynamic section unmapped", at.DynamicProgramHeader + 16, Le(1ull << 40, 8), "the dynamic section lies outside every loadable segment"},
        {"C++ ABI", field(2), Le(host.CxxAbi + 1, 4),
         "built with C++ ABI " + std::to_string(host.CxxAbi + 1) + ", this host has C++ ABI " + std::to_string(host.CxxAbi)},
        {"old strings", field(3), Le(0, 4),
         "built with libstdc++ " + std::to_string(host.StdLibMajor) + " (old ABI), this host has " + hostStdLib},
        {"newer libstdc++", field(4), Le(host.StdLibMajor + 1, 4),
         "built with libstdc++ " + std::to_string(host.StdLibMajor + 1) + " (C++11 ABI), this host has " + hostStdLib},
        {"older libstdc++", field(4), Le(host.StdLibMajor - 1, 4), ""},
        {"other framework version, same ABI", field(6), Le(host.FrameworkMinor + 1, 4), ""},
        {"stamp format", field(0), Le(9, 4), "framework ABI stamp of an unknown format 9"},
    };
    for (const auto& [name, offset, bytes, reason] : cases) {
        SCOPED_TRACE(name);
        const std::string path = Files.Overwritten(Fixture("blank"), offset, bytes);
        const std::string message = Refusal(path);
        EXPECT_EQ(message.substr(0, message.find(" of a ")), reason.empty() ? "" : ExtractFileName(path) + ": " + reason);
        if (reason.empty()) Manager->UnloadPlugin(Manager->PluginCount() - 1);
    }
}

// What the loader maps readable spares the object check its system calls. A segment it maps
// without access may cover pages of another, and then nothing counts as readable.
TEST_F(LibraryCheckTest, WhatTheLoaderMapsReadableIsKnownBeforeLoading) {
    const TElfLandmarks at = FindElfLandmarks(ReadFileBytes(Fixture("blank")));
    EXPECT_EQ(CheckLibraryBeforeLoad(Fixture("blank"), false).Readable.size(), at.Loads.size());
    const std::string hidden = Files.Overwritten(Fixture("blank"), at.ProgramHeaders + 56 * at.Loads.back().Index + 4, Le(0, 4));
    EXPECT_TRUE(CheckLibraryBeforeLoad(hidden, false).Readable.empty());
}

TEST_F(LibraryCheckTest, APluginStampedForAnotherAbiIsRefusedAndAnUnstampedOneLoadsOnlyWhenAllowed) {
    const uint32_t abi = HostAbiStamp().FrameworkAbi;
    EXPECT_EQ(Refusal(Install("abimismatch")), "abimismatch.bpl: built for framework ABI " + std::to_string(abi + 1) +
                                                   ", this host has ABI " + std::to_string(abi));
    EXPECT_EQ(ReadAbiStamp(Fixture("blank")).Value(), HostAbiStamp());
    const std::string path = Install("unstamped");
    EXPECT_EQ(Refusal(path),
              "unstamped.bpl: no framework ABI stamp; rebuild it with zarix_add_module or allow unstamped plugins");
    Manager->SetAllowUnstampedPlugins(true);
    EXPECT_EQ(Refusal(path), "");
    EXPECT_EQ(Loaded(), TNames{"UNSTAMPED"});
    EXPECT_FALSE(ReadAbiStamp(path).Value().has_value());
}

// A library refused before it is mapped, or one whose plugin fails its registration, ends
// LoadPlugins: what was found before it stays loaded, nothing is initialised, and nothing found
// after it is even mapped.
TEST_F(LibraryCheckTest, TheFirstFailureEndsTheRunBeforeAnythingIsInitialised) {
    // Each case: the library put in the folder, and how the message begins.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"refused", Files.Truncated(Fixture("gamma"), 20000), "EPackageError: zepsuty.bpl: truncated: "},
        {"failed", Fixture("priozero"), "EPluginError: \"zepsuty.bpl\": nie ma określonego priorytetu ładowania."},
    };
    for (const auto& [kind, library, begins] : cases) {
        SCOPED_TRACE(kind);
        StartOver();
        for (const char* name : {"alfa", "beta", "delta", "epsilon"}) Install(name);
        std::filesystem::copy_file(library, Folder / "zepsuty.bpl");
        const TNames files = Manager->FindPluginFiles();
        const std::string raised = Raised([&] { Manager->LoadPlugins(); });
        EXPECT_EQ(raised.rfind(begins, 0), 0u) << raised;
        const bool keptLoaded = std::string(kind) == "failed";
        TNames expected;
        bool failedSeen = false;
        for (const std::string& file : files) {
            const std::string name = ChangeFileExt(ExtractFileName(file), "");
            failedSeen = failedSeen || name == "zepsuty";
            EXPECT_EQ(IsLibraryLoaded(file), name == "zepsuty" ? keptLoaded : !failedSeen) << name;
            if (!failedSeen) expected.push_back(UpperCase(name));
        }
        EXPECT_EQ(Loaded(), expected);
        EXPECT_TRUE(Only(JournalTake(), "PluginInitialize:").empty());
        EXPECT_TRUE(Priorities().empty());
        if (keptLoaded) {
            zarix_test::ExpectLibraryKept((Folder / "zepsuty.bpl").string(), 1);
            EXPECT_EQ(Manager->CurrentPluginName, "PRIOZERO");  // it got as far as its priority
        }
    }
}

TEST_F(LibraryCheckTest, AFileTheLoaderRefusesQuotesTheLoader) {
    // A sound library whose dependency cannot be found: only the loader itself can tell.
    TFileBytes bytes = ReadFileBytes(Fixture("blank"));
    const std::string_view dependency = "libzarix_test_journal.so";
    const auto at = std::search(bytes.begin(), bytes.end(), dependency.begin(), dependency.end());
    ASSERT_NE(at, bytes.end());
    at[3] = 'X';
    const std::string path = Files.Write("broken.bpl", bytes);
    const std::string message = MessageOf<EPackageError>([&] { Manager->LoadPlugin(path, false); });
    EXPECT_EQ(message.rfind("cannot load library " + path + ": (", 0), 0u) << message;
    EXPECT_EQ(message.back(), ')');
}

namespace {
// Library handles, export lookup and the folder listing the manager relies on.
const std::string kAlfa = std::string(FIXTURE_DIR) + "alfa.bpl";
}  // namespace

// A name the library does not export (noinit's PluginInitialize) is left to the folder test,
// whose journal would show the call.
TEST(Library, ExportLookupFindsTheLibrarysOwnExportsOnly) {
    TLibrary library = TLibrary::Load(kAlfa);
    void* raw = dlopen(kAlfa.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(library.Resolve("PluginRegister"), dlsym(raw, "PluginRegister"));
    EXPECT_EQ(library.Resolve("PluginRegisterX"), nullptr);
    EXPECT_EQ(library.Resolve(""), nullptr);
    EXPECT_NE(dlsym(raw, "malloc"), nullptr);       // the loader would hand out a dependency's symbol
    EXPECT_EQ(library.Resolve("malloc"), nullptr);  // an export lookup does not
    dlclose(raw);
    EXPECT_EQ(GetProcAddress(0, "PluginRegister"), nullptr);
}

TEST(Library, HandlesAreMovedNotCopiedAndUnloadOnce) {
    ASSERT_FALSE(IsLibraryLoaded(kAlfa));
    TLibrary first = TLibrary::Load(kAlfa);
    TLibrary second = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
    EXPECT_TRUE(IsLibraryLoaded(kAlfa));
    second = TLibrary();
    EXPECT_FALSE(IsLibraryLoaded(kAlfa));
    const uintptr_t handle = LoadPackage(kAlfa);
    EXPECT_NE(GetProcAddress(handle, "PluginRegister"), nullptr);
    UnloadPackage(handle);
    EXPECT_FALSE(IsLibraryLoaded(kAlfa));
}

TEST(FileMask, MatchesLikeThePlatformWithoutRegardToCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"*.bpl", "klient.bpl", true},    {"*.bpl", "KLIENT.BPL", true},       {"*.bpl", "klient.bplx", false},
        {"*.bpl", "klient.bp", false},    {"*.bpl", ".bpl", true},             {"k?ient*.b*", "klient_v2.bpl", true},
        {"*", "", true},                  {"", "x", false},                    {"*a*b*c", "xxaxxbxxbxc", true},
        {"*a*b*c", "xxaxxbxxbx", false}};
    for (const auto& [mask, name, matches] : cases) EXPECT_EQ(MatchesMask(mask, name), matches) << mask << " on " << name;
}
