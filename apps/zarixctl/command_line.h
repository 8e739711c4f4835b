// The command line: every command with its options, operands and help.
#pragma once

namespace zarixctl {

/// Parses the command line and runs the command it names. The exit code: 0 success, 1 a
/// failure the command reported, 2 wrong usage (said on standard error).
int RunCommandLine(int argc, char** argv);

}  // namespace zarixctl
