// The check a library passes before the loader may map it, on arbitrary bytes given the ELF
// magic. From memory and from a file it must give the same answer, allowing unstamped
// libraries may only let more through, and a refusal reaches the caller as the loading error
// naming the file and the reason.
#include "fuzz_target.h"
#include "memory_file.h"

#include "platform/os/library_check.h"
#include "platform/rtl/exceptions.h"
#include "platform/os/library.h"
#include "platform/rtl/strings.h"

#include <optional>
#include <string>

namespace zarix::fuzz {

void FuzzLibraryCheck(TInput input) {
    const std::vector<uint8_t> bytes = WithMagic(input, "\x7F" "ELF");
    const TMemoryFile file(bytes);
    std::optional<std::string> refusals[2];
    for (const bool allowUnstamped : {false, true}) {
        const auto fromMemory = InspectLibraryBytes(std::as_bytes(std::span(bytes)), allowUnstamped);
        const auto fromFile = InspectLibraryFile(file.Path(), allowUnstamped);
        Expect(fromMemory == fromFile, "the check from memory and from the file disagree");
        if (fromFile) Expect(!fromFile->empty(), "a refusal without a reason");
        try {
            CheckLibraryBeforeLoad(file.Path(), allowUnstamped);
            Expect(!fromFile, "a refused library passed the check before loading");
        } catch (const EPackageError& e) {
            Expect(fromFile && e.Message() == ExtractFileName(file.Path()) + ": " + *fromFile,
                   "the loading error does not name the file and the reason");
        }
        refusals[allowUnstamped ? 1 : 0] = fromFile;
    }
    Expect(!refusals[1] || refusals[0], "a library refused only when unstamped ones are allowed");
}

}  // namespace zarix::fuzz
