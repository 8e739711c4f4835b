// Libraries refused before any of their code runs: truncated, for another machine, not ELF,
// stamped for another ABI or not at all. Each is refused with its file name and reason, and
// nothing is loaded or recorded. Also the library handles and export lookup the loader uses.
#include "loading_fixture.h"

#include "../os/version_test_files.h"

#include "platform/os/file_enum.h"
#include "platform/os/library.h"
#include "platform/os/library_check.h"
#include "services/exception_manager.h"

#include <dlfcn.h>

#include <functional>

using namespace zarix;
using namespace zarix::test;

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
    std::string Name(const std::string& path) const { return path.substr(path.find_last_of('/') + 1); }

    TTempDir Files;
};

std::string Truncation(const std::string& what, uint64_t end, uint64_t size) {
    return "truncated: " + what + " ends at byte " + std::to_string(end) + " of a " + std::to_string(size) + "-byte file";
}

}  // namespace

// Every cut up to the end of what the loader maps is refused, naming the first part the cut
// falls in; every cut past it loads whole. Without the check the loader dies of SIGBUS.
TEST_F(LibraryCheckTest, ATruncatedPluginIsRefusedAtEveryCutUntilItsSegmentsAreWhole) {
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
        EXPECT_EQ(Refusal(path), reason.empty() ? "" : Name(path) + ": " + reason);
        if (reason.empty()) Manager->UnloadPlugin(Manager->PluginCount() - 1);
    }
}

TEST_F(LibraryCheckTest, ALibraryTheHostsLoaderCannotTakeIsRefusedByWhatItIs) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "the messages name an x86-64 host";
#endif
    const struct {
        const char* Name;
        uint64_t Offset;
        TFileBytes Bytes;
        const char* Reason;
    } cases[] = {
        {"aarch64", 18, Le(183, 2), "built for AArch64, this host is x86-64"},
        {"i386", 18, Le(3, 2), "built for i386, this host is x86-64"},
        {"arm", 18, Le(40, 2), "built for ARM, this host is x86-64"},
        {"riscv", 18, Le(243, 2), "built for RISC-V, this host is x86-64"},
        {"ppc64", 18, Le(21, 2), "built for PowerPC64, this host is x86-64"},
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Files.Overwritten(Fixture("blank"), c.Offset, c.Bytes);
        const std::string message = Refusal(path);
        EXPECT_EQ(message.substr(0, message.find(" of a ")), Name(path) + ": " + c.Reason);
    }
}

TEST_F(LibraryCheckTest, AFileThatIsNoLibraryIsRefusedWithoutTheLoader) {
    const std::string text = Files.Write("tekst.bpl", TFileBytes{'n', 'o', 't', ' ', 'E', 'L', 'F'});
    const std::string empty = Files.Write("pusty.bpl", TFileBytes{});
    const std::string folder = Files.Path() + "/katalog.bpl";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Refusal(text), "tekst.bpl: not an ELF shared library");
    EXPECT_EQ(Refusal(empty), "pusty.bpl: not an ELF shared library");
    EXPECT_EQ(Refusal(folder), "katalog.bpl: not a regular file");
    EXPECT_EQ(Refusal(Files.Path() + "/brak.bpl"), "brak.bpl: cannot open: No such file or directory");
}

// The fields of a real stamp changed one at a time: each mismatch names both sides.
TEST_F(LibraryCheckTest, AStampOfAnotherBuildIsRefusedWithBothValues) {
    const TFileBytes whole = ReadFileBytes(Fixture("blank"));
    const uint64_t stamp = FindElfLandmarks(whole).StampOffset;
    ASSERT_NE(stamp, 0u);
    const TAbiStamp host = HostAbiStamp();
    const std::string hostStdLib = "libstdc++ " + std::to_string(host.StdLibMajor) + " (C++11 ABI)";
    if (host.StdLibCxx11Abi != 1) GTEST_SKIP() << "the messages name libstdc++ with the C++11 ABI";
    const struct {
        const char* Name;
        uint64_t Field;  // word of the descriptor
        uint64_t Value;
        std::string Reason;  // "" when the library loads
    } cases[] = {
        {"framework ABI", 1, host.FrameworkAbi + 7,
         "built for framework ABI " + std::to_string(host.FrameworkAbi + 7) + ", this host has ABI " + std::to_string(host.FrameworkAbi)},
        {"C++ ABI", 2, host.CxxAbi + 1,
         "built with C++ ABI " + std::to_string(host.CxxAbi + 1) + ", this host has C++ ABI " + std::to_string(host.CxxAbi)},
        {"old strings", 3, 0, "built with libstdc++ " + std::to_string(host.StdLibMajor) + " (old ABI), this host has " + hostStdLib},
        {"newer libstdc++", 4, host.StdLibMajor + 1,
         "built with libstdc++ " + std::to_string(host.StdLibMajor + 1) + " (C++11 ABI), this host has " + hostStdLib},
        {"older libstdc++", 4, host.StdLibMajor - 1, ""},
        {"other framework version, same ABI", 6, host.FrameworkMinor + 1, ""},
        {"format", 0, 9, "framework ABI stamp of an unknown format 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Files.Overwritten(Fixture("blank"), stamp + 4 * c.Field, Le(c.Value, 4));
        const std::string copy = Folder / (std::string("stamp") + std::to_string(&c - cases) + ".bpl");
        std::filesystem::copy_file(path, copy);
        EXPECT_EQ(Refusal(copy), c.Reason.empty() ? "" : Name(copy) + ": " + c.Reason);
        if (c.Reason.empty()) Manager->UnloadPlugin(Manager->PluginCount() - 1);
    }
}

TEST_F(LibraryCheckTest, APluginStampedForAnotherAbiIsRefusedAndAnUnstampedOneLoadsOnlyWhenAllowed) {
    const uint32_t abi = HostAbiStamp().FrameworkAbi;
    EXPECT_EQ(Refusal(Install("abimismatch")), "abimismatch.bpl: built for framework ABI " + std::to_string(abi + 1) +
                                                   ", this host has ABI " + std::to_string(abi));
    EXPECT_EQ(ReadAbiStamp(Fixture("blank")).Value(), HostAbiStamp());
    EXPECT_FALSE(Manager->AllowUnstampedPlugins());
    const std::string path = Install("unstamped");
    EXPECT_EQ(Refusal(path),
              "unstamped.bpl: no framework ABI stamp; rebuild it with zarix_add_module or allow unstamped plugins");
    Manager->SetAllowUnstampedPlugins(true);
    EXPECT_EQ(Refusal(path), "");
    EXPECT_EQ(Loaded(), std::vector<std::string>{"UNSTAMPED"});
    EXPECT_FALSE(ReadAbiStamp(path).Value().has_value());
}

TEST_F(LibraryCheckTest, LoadPluginsEndsAtTheFirstRefusedLibrary) {
    for (const char* name : {"alfa", "beta", "delta"}) Install(name);
    const TFileBytes whole = ReadFileBytes(Fixture("gamma"));
    Files.Write("x", whole);
    std::filesystem::copy_file(Files.Truncated(Files.Path() + "/x", 20000), Folder / "gamma.bpl");
    const std::vector<std::string> files = Manager->FindPluginFiles();
    EXPECT_THROW(Manager->LoadPlugins(), EPackageError);
    bool refusedSeen = false;
    for (const std::string& file : files) {
        if (Name(file) == "gamma.bpl") refusedSeen = true;
        EXPECT_EQ(IsLibraryLoaded(file), !refusedSeen) << file;
    }
    EXPECT_EQ(Manager->PluginCount() + 1, static_cast<int>(std::find_if(files.begin(), files.end(), [&](const std::string& f) {
                                                               return Name(f) == "gamma.bpl";
                                                           }) - files.begin()) + 1);
}

namespace {
// Library handles, export lookup and the folder listing the manager relies on.
const std::string kAlfa = std::string(FIXTURE_DIR) + "alfa.bpl";
const std::string kNoInit = std::string(FIXTURE_DIR) + "noinit.bpl";
}  // namespace

TEST(Library, ExportLookupFindsTheLibrarysOwnExportsOnly) {
    TLibrary library = TLibrary::Load(kAlfa);
    void* raw = dlopen(kAlfa.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(library.Resolve("PluginRegister"), dlsym(raw, "PluginRegister"));
    EXPECT_EQ(library.Resolve("PluginInitialize"), dlsym(raw, "PluginInitialize"));
    EXPECT_NE(library.Resolve("PluginRegister"), nullptr);
    EXPECT_EQ(library.Resolve("PluginRegisterX"), nullptr);
    EXPECT_EQ(library.Resolve(""), nullptr);
    EXPECT_NE(dlsym(raw, "malloc"), nullptr);       // the loader would hand out a dependency's symbol
    EXPECT_EQ(library.Resolve("malloc"), nullptr);  // an export lookup does not
    dlclose(raw);
    TLibrary other = TLibrary::Load(kNoInit);
    EXPECT_EQ(other.Resolve("PluginInitialize"), nullptr);
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
    EXPECT_THROW(LoadPackage(std::string(FIXTURE_DIR) + "missing.bpl"), EPackageError);
}

TEST(FileMask, MatchesLikeThePlatformWithoutRegardToCase) {
    EXPECT_TRUE(MatchesMask("*.bpl", "klient.bpl"));
    EXPECT_TRUE(MatchesMask("*.bpl", "KLIENT.BPL"));
    EXPECT_FALSE(MatchesMask("*.bpl", "klient.bplx"));
    EXPECT_FALSE(MatchesMask("*.bpl", "klient.bp"));
    EXPECT_TRUE(MatchesMask("*.bpl", ".bpl"));
    EXPECT_TRUE(MatchesMask("k?ient*.b*", "klient_v2.bpl"));
    EXPECT_TRUE(MatchesMask("*", ""));
    EXPECT_FALSE(MatchesMask("", "x"));
    EXPECT_TRUE(MatchesMask("*a*b*c", "xxaxxbxxbxc"));
    EXPECT_FALSE(MatchesMask("*a*b*c", "xxaxxbxxbx"));
}
