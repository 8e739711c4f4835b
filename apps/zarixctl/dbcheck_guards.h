// What dbcheck makes sure of before it writes: a sound database and a version that does not
// go backwards.
#pragma once

#include <string>
#include <vector>

namespace zarixctl {

/// Raises when --version Given would move the stored version backwards: it is older, or
/// empty (a new database) while a version is stored. A stored text that is no version at all
/// may be replaced; that is said on standard error.
void RequireNotBackwards(const std::string& Given, const std::string& Stored);

/// What SQLite's quick check finds wrong with the existing database File; empty when sound.
std::vector<std::string> ExistingDatabaseProblems(const std::string& File);

/// The quick check's first findings on one line.
std::string ProblemsText(const std::vector<std::string>& Problems);

}  // namespace zarixctl
