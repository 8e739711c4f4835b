// zarixctl: the command-line tool for people who run or package a plugin application.
#include "command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    // Whatever a command or a plugin raises ends here as a message and exit code 1, never as
    // std::terminate.
    try {
        return zarixctl::RunCommandLine(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "zarixctl: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "zarixctl: unknown error\n";
    }
    return 1;
}
