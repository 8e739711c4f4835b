// version FILE: a library file's version resource and framework ABI stamp, read without loading
// the file.
#include "commands.h"

#include "json_output.h"
#include "platform/os/library_check.h"
#include "platform/os/version_resource.h"

#include <cstdio>
#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

std::string TranslationText(const TVerTranslation& t) {
    char text[9];
    std::snprintf(text, sizeof text, "%04X%04X", t.Language, t.CodePage);
    return text;
}

std::string FrameworkVersionText(const TAbiStamp& s) {
    return std::to_string(s.FrameworkMajor) + "." + std::to_string(s.FrameworkMinor) + "." + std::to_string(s.FrameworkPatch);
}

// The stamp, or why there is none; and whether this host would load a library with it.
struct TStampReport {
    std::optional<TAbiStamp> Stamp;
    std::string Missing;   // why there is no stamp: "none", "none (not an ELF shared library)"
    std::string Mismatch;  // empty when the stamp fits this host
};

TStampReport ReportStamp(const std::string& file) {
    TStampReport report;
    auto stamp = ReadAbiStamp(file);
    if (!stamp) report.Missing = "none (" + stamp.Error().Message + ")";
    else if (!stamp.Value()) report.Missing = "none";
    else report.Stamp = *stamp.Value();
    if (report.Stamp) report.Mismatch = AbiStampMismatch(*report.Stamp).value_or("");
    return report;
}

TJson StampJson(const TStampReport& r) {
    if (!r.Stamp) return nullptr;
    const TAbiStamp& s = *r.Stamp;
    return {{"frameworkVersion", FrameworkVersionText(s)}, {"frameworkAbi", s.FrameworkAbi}, {"cxxAbi", s.CxxAbi},
            {"standardLibrary", StandardLibraryText(s)}, {"fitsThisHost", r.Mismatch.empty()},
            {"mismatch", r.Mismatch.empty() ? TJson(nullptr) : TJson(r.Mismatch)}};
}

TJson Optional(const std::optional<std::string>& text) { return text ? TJson(*text) : TJson(nullptr); }

}  // namespace

int VersionCommand(const TArgs& args) {
    const std::string& file = args.Positional[0];
    std::optional<std::string> translation, fileVersion;
    std::string reason;
    auto block = ReadVersionBlock(file);
    if (block) {
        std::vector<std::byte>& bytes = block.Value();
        const auto size = static_cast<uint32_t>(bytes.size());
        const std::vector<TVerTranslation> translations = VerQueryTranslations(bytes.data(), size);
        if (!translations.empty()) {
            translation = TranslationText(translations.front());
            fileVersion = VerQueryString(bytes.data(), size, VerStringPath(translations.front(), "FileVersion"));
            if (!fileVersion) reason = "no \"FileVersion\" in translation " + *translation;
        } else {
            reason = "the version block has no translation";
        }
    } else {
        reason = block.Error().Message;
    }

    const TStampReport stamp = ReportStamp(file);

    if (args.Json) {
        TJson document = JsonDocument("version");
        SetPath(document, "file", file);
        document["translation"] = Optional(translation);
        document["fileVersion"] = Optional(fileVersion);
        document["fileVersionProblem"] = fileVersion ? TJson(nullptr) : TJson(reason);
        document["abiStamp"] = StampJson(stamp);
        document["abiStampProblem"] = stamp.Stamp ? TJson(nullptr) : TJson(stamp.Missing);
        PrintJson(document);
    } else {
        std::cout << file << '\n';
        std::cout << "  translation: " << translation.value_or("none") << '\n';
        if (fileVersion) std::cout << "  FileVersion: \"" << *fileVersion << "\"\n";
        else std::cout << "  FileVersion: none (" << reason << ")\n";
        if (stamp.Stamp) {
            const TAbiStamp& s = *stamp.Stamp;
            std::cout << "  ABI stamp: framework " << FrameworkVersionText(s) << ", framework ABI " << s.FrameworkAbi
                      << ", C++ ABI " << s.CxxAbi << ", " << StandardLibraryText(s) << '\n';
            std::cout << "  this host: " << (stamp.Mismatch.empty() ? "fits" : "refuses it, " + stamp.Mismatch) << '\n';
        } else {
            std::cout << "  ABI stamp: " << stamp.Missing << '\n';
        }
    }
    return fileVersion ? 0 : 1;
}

}  // namespace zarixctl
