// parse, compare, name: the version and name utilities as the dependency check uses them.
#include "commands.h"

#include "platform/rtl/exceptions.h"
#include "plugin/plugin_utils.h"
#include "services/various.h"
#include "version_text.h"

#include <iostream>

namespace zarixctl {

using namespace zarix;

int ParseCommand(const TArgs& args) {
    std::size_t failed = 0;
    for (const std::string& text : args.Positional) {
        std::cout << '"' << text << "\" -> ";
        try {
            std::cout << VersionText(VersionParser(text)) << '\n';
        } catch (const Exception& e) {
            std::cout << e.ClassName() << ": " << e.Message() << '\n';
            ++failed;
        }
    }
    if (failed == 0) return 0;
    std::cerr << "zarixctl: " << failed << " of " << args.Positional.size() << " texts are not versions\n";
    return 1;
}

int CompareCommand(const TArgs& args) {
    const std::string& a = args.Positional[0];
    const std::string& b = args.Positional[1];
    try {
        const TVersion va = VersionParser(a), vb = VersionParser(b);
        const std::string relation = VersionCompare(va, vb);
        std::cout << VersionText(va) << ' ' << relation << ' ' << VersionText(vb) << '\n';
        return 0;
    } catch (const Exception& e) {
        std::cerr << "zarixctl: " << a << " ? " << b << ": " << e.ClassName() << ": " << e.Message() << '\n';
        return 1;
    }
}

int NameCommand(const TArgs& args) {
    for (const std::string& text : args.Positional) {
        const std::string normalised = StrStdSearch(text, 500);
        std::cout << '"' << text << "\" -> " << normalised << " -> \"" << GetNicePluginName(normalised) << "\"\n";
    }
    return 0;
}

}  // namespace zarixctl
