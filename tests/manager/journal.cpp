// The shared journal of the loading tests.
#include "journal.h"

namespace {
// Never destroyed: fixture plugins that stay loaded write to it while the process exits.
std::vector<std::string>& Entries() {
    static auto* entries = new std::vector<std::string>();
    return *entries;
}
}  // namespace

void JournalAdd(const std::string& entry) { Entries().push_back(entry); }

std::vector<std::string> JournalTake() {
    std::vector<std::string> taken;
    taken.swap(Entries());
    return taken;
}
