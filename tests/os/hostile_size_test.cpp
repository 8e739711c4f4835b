// Sizes a header claims are bounded by the file before anything is allocated: a 22 KB file
// whose section name table claims 64 MiB costs no 64 MiB.
#include "allocation_hooks.h"
#include "version_test_files.h"

#include "platform/os/library_check.h"
#include "platform/os/version_block.h"
#include "platform/os/version_resource.h"

#include <gtest/gtest.h>

using namespace zarix;
using namespace zarix::test;

TEST(HostileSizes, ASizeBeyondTheFileIsRefusedWithoutAllocatingIt) {
    static constexpr auto note = MakeVersionNote<"1.2.3.4">();
    TFileBytes base = MakeElf(true, note);
    const uint64_t table = base[0x28] | (uint64_t{base[0x29]} << 8);  // e_shoff, small here
    base.resize(22 * 1024);
    TTempDir dir;
    const std::string whole = dir.Write("whole.bpl", base);
    ASSERT_NE(GetFileVersionInfoSizeW(whole), 0u);

    const struct {
        const char* Name;
        uint64_t Offset;
        uint64_t Claim;
        const char* Says;
    } cases[] = {
        {"section name table", table + 2 * 64 + 32, 64ull << 20, "section name table runs past the end of the file"},
        {"version section", table + 64 + 32, 900u << 10, "version section runs past the end of the file"},
        {"section name table past 2^64", table + 2 * 64 + 24, ~0ull - 16, "section name table runs past the end of the file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir.Overwritten(whole, c.Offset, Le(c.Claim, 8));
        std::optional<TVersionResult<std::vector<std::byte>>> read;
        const std::size_t largest = LargestAllocationDuring([&] { read = ReadVersionBlock(path); });
        ASSERT_TRUE(read && !*read);
        EXPECT_NE(read->Error().Message.find(c.Says), std::string::npos) << read->Error().Message;
        EXPECT_LT(largest, base.size());
        EXPECT_LT(LargestAllocationDuring([&] { EXPECT_EQ(GetFileVersionInfoSizeW(path), 0u); }), base.size());
    }
}

// The check before loading reads a note segment only when the file holds it; a claimed size
// is never allocated.
TEST(HostileSizes, TheCheckBeforeLoadingAllocatesNothingAHeaderClaims) {
    const TFileBytes plugin = ReadFileBytes(FIXTURE_VERSION_PL);
    const TElfLandmarks at = FindElfLandmarks(plugin);
    TTempDir dir;
    const std::string path = dir.Overwritten(FIXTURE_VERSION_PL, at.NoteProgramHeader + 32, Le(900u << 10, 8));
    std::optional<std::string> refusal;
    EXPECT_LT(LargestAllocationDuring([&] { refusal = InspectLibraryFile(path, false); }), 64u << 10);
    EXPECT_EQ(refusal.value_or(""), "no framework ABI stamp; rebuild it with zarix_add_module or allow unstamped plugins");
}
