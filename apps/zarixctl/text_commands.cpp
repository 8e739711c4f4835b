// parse, compare, name: the version and name utilities as the dependency check uses them.
#include "commands.h"

#include "json_output.h"
#include "platform/rtl/exceptions.h"
#include "plugin/plugin_utils.h"
#include "services/various.h"
#include "version_text.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

TJson ErrorJson(const Exception& e) { return {{"class", e.ClassName()}, {"message", e.Message()}}; }

}  // namespace

int ParseCommand(const TArgs& args) {
    std::size_t failed = 0;
    TJson document = JsonDocument("parse");
    document["texts"] = TJson::array();
    for (const std::string& text : args.Positional) {
        TJson row = {{"text", text}, {"version", nullptr}, {"error", nullptr}};
        try {
            const std::string version = VersionText(VersionParser(text));
            row["version"] = version;
            if (!args.Json) std::cout << '"' << text << "\" -> " << version << '\n';
        } catch (const Exception& e) {
            row["error"] = ErrorJson(e);
            std::cout.flush();
            std::cerr << "zarixctl: \"" << text << "\" -> " << e.ClassName() << ": " << e.Message() << '\n';
            ++failed;
        }
        document["texts"].push_back(std::move(row));
    }
    if (args.Json) PrintJson(document);
    if (failed == 0) return 0;
    std::cerr << "zarixctl: " << failed << " of " << args.Positional.size() << " texts are not versions\n";
    return 1;
}

int CompareCommand(const TArgs& args) {
    const std::string& a = args.Positional[0];
    const std::string& b = args.Positional[1];
    TJson document = JsonDocument("compare");
    document.update(TJson{{"a", a}, {"b", b}, {"versionA", nullptr}, {"versionB", nullptr}, {"relation", nullptr},
                          {"error", nullptr}});
    int status = 0;
    try {
        const TVersion va = VersionParser(a), vb = VersionParser(b);
        document["versionA"] = VersionText(va);
        document["versionB"] = VersionText(vb);
        const std::string relation = VersionCompare(va, vb);
        document["relation"] = relation;
        if (!args.Json) std::cout << VersionText(va) << ' ' << relation << ' ' << VersionText(vb) << '\n';
    } catch (const Exception& e) {
        document["error"] = ErrorJson(e);
        std::cerr << "zarixctl: " << a << " ? " << b << ": " << e.ClassName() << ": " << e.Message() << '\n';
        status = 1;
    }
    if (args.Json) PrintJson(document);
    return status;
}

int NameCommand(const TArgs& args) {
    TJson document = JsonDocument("name");
    document["names"] = TJson::array();
    for (const std::string& text : args.Positional) {
        const std::string normalised = StrStdSearch(text, 500);
        const std::string display = GetNicePluginName(normalised);
        document["names"].push_back({{"text", text}, {"pluginName", normalised}, {"displayName", display}});
        if (!args.Json) std::cout << '"' << text << "\" -> " << normalised << " -> \"" << display << "\"\n";
    }
    if (args.Json) PrintJson(document);
    return 0;
}

}  // namespace zarixctl
