// zarixctl's command line as people type it: help for the tool and each command on standard
// output, usage errors with exit code 2 that touch nothing, and a --json document from every
// command that parses and names its schema, whatever bytes the paths hold.
#include "zarix/version.h"
#include "zarixctl_run.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

namespace command_line_test {

using namespace zarixctl_test;
using ::testing::HasSubstr;
using nlohmann::json;

const std::string kPlugins = PLUGIN_DIR;
const std::vector<std::string> kCommands = {"plugins", "version", "menu", "toolbar", "session", "dbcheck", "calls",
                                            "demo-db", "parse", "compare", "name", "palette", "form", "help"};

class CommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder = fs::path(::testing::TempDir()) / ("zarixctl-cli-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        // A folder whose name is not UTF-8, as an old file system may hand one over.
        fs::create_directories(Folder / "wtyczki-\xff\xfe");
        fs::copy_file(kPlugins + "/klient.bpl", Folder / "wtyczki-\xff\xfe" / "klient.bpl");
    }
    static void TearDownTestSuite() { fs::remove_all(Folder); }

    static std::vector<std::string> Args(std::vector<std::string> args) { return ArgsIn(Folder, std::move(args)); }

    static inline fs::path Folder;
};

TEST_F(CommandLine, HelpAndVersionAnswerOnStandardOutput) {
    std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"--help"}, "Usage: zarixctl [OPTIONS] SUBCOMMAND"},
        {{"-h"}, "2 wrong usage"},
        {{"help"}, "fileBytes"},
        {{"--version"}, std::string("zarixctl ") + ZARIX_VERSION_STRING + " (framework ABI " +
                            std::to_string(ZARIX_ABI_NUMBER) + ")"},
        {{"demo-db", "-h"}, "Usage: zarixctl demo-db [OPTIONS] FILE"},
        {{"dbcheck", "--db", "@never.db", "--help"}, "--version X"},
    };
    for (const std::string& command : kCommands) {
        rows.push_back({{command, "--help"}, "Usage: zarixctl " + command});
        rows.push_back({{"help", command}, "Usage: zarixctl " + command});
    }
    for (const auto& [args, text] : rows) {
        const TRun run = Zarixctl(Args(args));
        EXPECT_EQ(run.Exit, 0) << Shown(args) << run.Errors;
        EXPECT_THAT(run.Output, HasSubstr(text)) << Shown(args);
        EXPECT_EQ(run.Errors, "") << Shown(args);
    }
    EXPECT_FALSE(fs::exists("-h")) << "demo-db -h made a database";
    EXPECT_FALSE(fs::exists(Folder / "never.db"));
}

TEST_F(CommandLine, BadCommandLinesExitTwoSayWhyAndTouchNothing) {
    const struct {
        std::vector<std::string> Args;
        std::string Error;
    } rows[] = {
        {{}, "zarixctl: a command is required\nRun \"zarixctl --help\""},
        {{"frobnicate"}, "frobnicate"},
        {{"help", "frobnicate"}, "zarixctl help: no command frobnicate"},
        {{"plugins", "--folder"}, "zarixctl plugins: --folder needs a value (DIR)"},
        {{"plugins", "--isolatd"}, "zarixctl plugins: The following argument was not expected: --isolatd"},
        {{"menu", "--isolated"}, "not expected: --isolated"},
        {{"form", "--folder", "@x"}, "zarixctl form: The following arguments were not expected"},
        {{"session", "--ext", "so"}, "not expected: so --ext"},
        {{"toolbar", "--db", "@new.db"}, "zarixctl toolbar: --user is required"},
        {{"calls", "--folder", kPlugins}, "zarixctl calls: --db is required"},
        {{"dbcheck"}, "--db is required"},
        {{"version"}, "zarixctl version: FILE is required"},
        {{"compare", "1.0"}, "zarixctl compare: B is required"},
        {{"demo-db"}, "zarixctl demo-db: FILE|URL is required"},
        {{"demo-db", "@a.db", "@b.db"}, "not expected: "},
        {{"demo-db", "@a.db", "--force=@b.db"}, "--force"},
        {{"parse"}, "TEXT is required"},
        {{"dbcheck", "--db", "@new.db", "--version", "1.x"}, "--version \"1.x\" is not a version"},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> args = Args(row.Args);
        const std::string before = PathState(Folder);
        const TRun run = Zarixctl(args);
        EXPECT_EQ(run.Exit, 2) << Shown(args) << run.Errors;
        EXPECT_THAT(run.Errors, HasSubstr(Args({row.Error})[0])) << Shown(args);
        EXPECT_EQ(run.Output, "") << Shown(args);
        EXPECT_EQ(PathState(Folder), before) << Shown(args);
    }
}

// Run in order: the database each later command needs is made and checked by the rows before.
TEST_F(CommandLine, EveryJsonDocumentParsesAndNamesItsSchema) {
    const std::string odd = (Folder / "wtyczki-\xff\xfe").string();
    std::string oddHex;
    for (const unsigned char c : odd) oddHex += "0123456789abcdef"[c >> 4], oddHex += "0123456789abcdef"[c & 15];
    const struct {
        std::vector<std::string> Args;
        int Exit;
        std::string Pointer;
        json Expected;
    } rows[] = {
        {{"plugins", "--folder=" + kPlugins, "--json"}, 0, "/plugins/3/dependencies/0/loadedVersion", "1.4.2.0"},
        {{"version", kPlugins + "/dokmag.bpl", "--json"}, 0, "/fileVersion", "1.4.2.0"},
        {{"version", kPlugins + "/dokmag.bpl", "--json"}, 0, "/translation", "041504E2"},
        {{"version", __FILE__, "--json"}, 1, "/fileVersion", nullptr},
        {{"menu", "--folder", kPlugins, "--json"}, 0, "/items/0/caption", "Kartoteki"},
        {{"session", "--folder", kPlugins, "--json"}, 0, "/steps/7/windows/1/text", "Karta: Kowalski Jan"},
        {{"demo-db", "@demo.db", "--json"}, 0, "/done", "created"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@demo.db", "--json"}, 0, "/versionAfter", "1.4.0.0"},
        {{"dbcheck", "--folder", kPlugins, "--db", "@demo.db", "--version=1.0", "--json"}, 1, "/error",
         "the check stopped: --version \"1.0\" is older than the database's version 1.4.0.0, which never moves backwards"},
        {{"calls", "--folder", kPlugins, "--db", "@demo.db", "--json"}, 0, "/sections/0/calls/0/result",
         "\"Kowalski Jan\""},
        {{"toolbar", "--folder", kPlugins, "--db", "@demo.db", "--user=1", "--json"}, 0, "/buttons/2/caption",
         "Cenniki ..."},
        {{"parse", "1.2", "abc", "--json"}, 1, "/texts/1/error/class", "EConvertError"},
        {{"compare", "1.10.0.0", "2.0.0.0", "--json"}, 0, "/relation", ">"},
        {{"name", "Kopia danych", "--json"}, 0, "/names/0/pluginName", "KOPIADANYCH"},
        {{"palette", "--json"}, 0, "/pages/0/name", "Zarix"},
        {{"form", "--json"}, 0, "/properties/0/name", "Caption"},
        {{"plugins", "--folder", odd, "--json"}, 0, "/folderBytes", oddHex},
        {{"plugins", "--folder", odd, "--json"}, 0, "/plugins/0/name", "KLIENT"},
        {{"version", odd + "/klient.bpl", "--json"}, 0, "/fileBytes", oddHex + "2f6b6c69656e742e62706c"},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> args = Args(row.Args);
        const TRun run = Zarixctl(args);
        EXPECT_EQ(run.Exit, row.Exit) << Shown(args) << run.Errors;
        const json document = json::parse(run.Output, nullptr, false);
        ASSERT_TRUE(document.is_object()) << Shown(args) << run.Output;
        EXPECT_EQ(document.value("schema", ""), "zarixctl." + args[0] + "/1") << Shown(args);
        const json::json_pointer pointer(row.Pointer);
        ASSERT_TRUE(document.contains(pointer)) << Shown(args) << run.Output;
        EXPECT_EQ(document.at(pointer), row.Expected) << Shown(args);
    }
}

}  // namespace command_line_test
