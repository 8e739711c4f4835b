// zarixctl: the command-line tool for people who run or package a plugin application.
#include "platform/rtl/exceptions.h"
#include "plugin/plugin_utils.h"
#include "services/various.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace zarix;

std::string VersionText(const TVersion& v) {
    return std::to_string(v.Major) + "." + std::to_string(v.Minor) + "." + std::to_string(v.Release) + "." +
           std::to_string(v.Build);
}

int Usage() {
    std::cerr << "usage:\n"
                 "  zarixctl parse TEXT...      parse version texts as the dependency check reads them\n"
                 "  zarixctl compare A B        compare two version texts the way the dependency check does\n"
                 "  zarixctl name TEXT...       the normalised plugin name and its display name\n";
    return 2;
}

int Parse(const std::vector<std::string>& texts) {
    int status = 0;
    for (const std::string& text : texts) {
        std::cout << '"' << text << "\" -> ";
        try {
            std::cout << VersionText(VersionParser(text)) << '\n';
        } catch (const Exception& e) {
            std::cout << e.ClassName() << ": " << e.Message() << '\n';
            status = 1;
        }
    }
    return status;
}

int Compare(const std::string& a, const std::string& b) {
    try {
        const TVersion va = VersionParser(a), vb = VersionParser(b);
        const std::string relation = VersionCompare(va, vb);
        std::cout << VersionText(va) << ' ' << relation << ' ' << VersionText(vb) << '\n';
        return 0;
    } catch (const Exception& e) {
        std::cout << a << " ? " << b << ": " << e.ClassName() << ": " << e.Message() << '\n';
        return 1;
    }
}

int Names(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        const std::string normalised = StrStdSearch(text, 500);
        std::cout << '"' << text << "\" -> " << normalised << " -> \"" << GetNicePluginName(normalised) << "\"\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "parse" && !rest.empty()) return Parse(rest);
    if (command == "compare" && rest.size() == 2) return Compare(rest[0], rest[1]);
    if (command == "name" && !rest.empty()) return Names(rest);
    return Usage();
}
