// What probing a plugin library in a child process found: how far the load got and what
// stopped it.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <string>

namespace zarix {

/// The steps of loading one library, in order; a probe reports the last one it reached.
enum class TProbeStage : uint8_t {
    psCheck,             // before the library is mapped
    psStartUp,           // mapping it and running its start-up code
    psRegister,          // its "PluginRegister" and the check of what that returned
    psInitialize,        // the plugin's Initialize and the announcing of its commands
    psPluginInitialize,  // the dependency check and its "PluginInitialize"
    psDone               // loaded and initialised
};

/// "the pre-load check", "the library's start-up code", "PluginRegister", "Initialize",
/// "PluginInitialize", "done".
ZARIX_API std::string ProbeStageName(TProbeStage Stage);

/// The outcome of loading one library in a child process.
struct TProbeResult {
    std::string File;                         // the path probed
    bool Passed = false;                      // the child loaded and initialised it and ended normally
    TProbeStage Stage = TProbeStage::psCheck; // the last stage the child reached
    int Signal = 0;                           // the signal that ended the child, 0 for none
    bool TimedOut = false;                    // the child gave no answer in time and was killed
    std::string ErrorClass;                   // the class of the error that ended the load, when one did
    /// Empty when Passed; otherwise one line that names the file without its folder and says
    /// what happened: "dokmag.bpl: SIGSEGV in PluginRegister", or the load's own error message.
    std::string Message;
};

}  // namespace zarix
