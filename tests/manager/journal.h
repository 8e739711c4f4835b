// A journal that fixture plugins and the tests share: the plugins write what happened to them,
// the tests read it back. It lives in a small shared library both link.
#pragma once

#include <string>
#include <vector>

#define JOURNAL_API __attribute__((visibility("default")))

JOURNAL_API void JournalAdd(const std::string& entry);
/// Everything written since the last call, in order; the journal is empty afterwards.
JOURNAL_API std::vector<std::string> JournalTake();
