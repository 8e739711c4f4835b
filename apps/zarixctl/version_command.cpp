// version FILE: a library file's version resource, read without loading the file.
#include "commands.h"

#include "json.h"
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

    if (args.Json) {
        std::cout << "{\"file\": " << JsonString(file) << ", \"translation\": " << JsonOptional(translation)
                  << ", \"FileVersion\": " << JsonOptional(fileVersion) << "}\n";
    } else {
        std::cout << file << '\n';
        std::cout << "  translation: " << translation.value_or("none") << '\n';
        if (fileVersion) std::cout << "  FileVersion: \"" << *fileVersion << "\"\n";
        else std::cout << "  FileVersion: none (" << reason << ")\n";
    }
    return fileVersion ? 0 : 1;
}

}  // namespace zarixctl
