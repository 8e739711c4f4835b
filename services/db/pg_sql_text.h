// Reading SQL text the way the PostgreSQL server will: splitting a script into statements, and
// turning the parameters the queries are written with ("?", "?NNN", ":Name", "@Name",
// "$Name") into the server's own "$n".
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zarix {

/// One statement ready for the server: its text with "$n" parameters, how many it takes, the
/// names of the named ones (as written, prefix included) with their numbers, and the
/// identifiers it spells, from which the columns get back the case the server folded away.
struct TPgStatementText {
    std::string Sql;
    int ParamCount = 0;
    std::vector<std::pair<std::string, int>> Names;
    std::vector<std::string> Identifiers;
};

/// The statements of Script, split at the semicolons outside quotes, dollar quotes and
/// comments; statements of only blanks and comments are left out.
std::vector<std::string> SplitStatements(const std::string& Script);

/// Translates the parameters of one statement; numbers follow SQLite's rules ("?" takes the
/// next number, "?NNN" that number, a name its number from its first appearance).
TPgStatementText TranslateStatement(const std::string& Sql);

/// The first words of Sql in upper case, at most Count of them, quotes and comments skipped.
std::vector<std::string> LeadingWords(const std::string& Sql, std::size_t Count);

}  // namespace zarix
