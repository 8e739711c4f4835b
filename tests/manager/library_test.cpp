// Library handles, export lookup and the folder listing the manager relies on.
#include "platform/os/file_enum.h"
#include "platform/os/library.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace zarix;

namespace {
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
