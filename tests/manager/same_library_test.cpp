// One library reached under two names is loaded once: the second name is refused by LoadPlugin
// and reported and passed over by LoadPlugins.
#include "loading_fixture.h"

#include "platform/os/library.h"
#include "platform/rtl/strings.h"
#include "services/exception_handler.h"

#include <algorithm>

using namespace zarix;

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
