// A small lexer of PostgreSQL's SQL: enough to find where strings, quoted names, dollar-quoted
// bodies and comments begin and end, so that neither a split nor a parameter lands inside one.
#include "services/db/pg_sql_text.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace zarix {

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80); }
bool IsIdentChar(char c) { return IsIdentStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Where the quoted text or comment starting at i ends (one past it), or i when none starts there.
std::size_t SkipQuoted(const std::string& s, std::size_t i) {
    const std::size_t n = s.size();
    const char c = s[i];
    if (c == '\'' || c == '"') {
        // E'...' strings take backslash escapes; in every other kind a doubled quote is one quote.
        const bool escapes = c == '\'' && i > 0 && (s[i - 1] == 'E' || s[i - 1] == 'e') &&
                             (i < 2 || !IsIdentChar(s[i - 2]));
        for (std::size_t j = i + 1; j < n; ++j) {
            if (escapes && s[j] == '\\') {
                ++j;
                continue;
            }
            if (s[j] == c) {
                if (j + 1 < n && s[j + 1] == c) {
                    ++j;
                    continue;
                }
                return j + 1;
            }
        }
        return n;
    }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
        const std::size_t end = s.find('\n', i);
        return end == std::string::npos ? n : end + 1;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
        // Block comments nest on this server.
        int depth = 0;
        for (std::size_t j = i; j + 1 < n; ++j) {
            if (s[j] == '/' && s[j + 1] == '*') {
                ++depth;
                ++j;
            } else if (s[j] == '*' && s[j + 1] == '/') {
                ++j;
                if (--depth == 0) return j + 1;
            }
        }
        return n;
    }
    if (c == '$' && (i == 0 || !IsIdentChar(s[i - 1]))) {
        // $tag$ ... $tag$, the tag possibly empty.
        std::size_t j = i + 1;
        if (j < n && IsIdentStart(s[j]))
            while (j < n && IsIdentChar(s[j]) && s[j] != '$') ++j;
        if (j < n && s[j] == '$') {
            const std::string tag = s.substr(i, j - i + 1);
            const std::size_t end = s.find(tag, j + 1);
            return end == std::string::npos ? n : end + tag.size();
        }
    }
    return i;
}

// Calls Visit for every stretch of plain SQL (outside quotes and comments) with its start.
void ForEachPlain(const std::string& s, const std::function<void(std::size_t, std::size_t)>& Visit) {
    std::size_t start = 0, i = 0;
    while (i < s.size()) {
        const std::size_t end = SkipQuoted(s, i);
        if (end == i) {
            ++i;
            continue;
        }
        if (i > start) Visit(start, i);
        i = start = end;
    }
    if (start < s.size()) Visit(start, s.size());
}

bool OnlyBlanksAndComments(const std::string& s) {
    bool blank = true;
    std::size_t i = 0;
    while (i < s.size() && blank) {
        const std::size_t end = SkipQuoted(s, i);
        const bool comment = end != i && (s[i] == '-' || s[i] == '/');
        if (comment) {
            i = end;
        } else {
            blank = std::isspace(static_cast<unsigned char>(s[i])) != 0;
            ++i;
        }
    }
    return blank;
}

}  // namespace

std::vector<std::string> SplitStatements(const std::string& Script) {
    std::vector<std::string> statements;
    std::size_t from = 0;
    const auto add = [&](std::size_t end) {
        std::string statement = Script.substr(from, end - from);
        if (!OnlyBlanksAndComments(statement)) statements.push_back(std::move(statement));
        from = end + 1;
    };
    std::vector<std::size_t> semicolons;
    ForEachPlain(Script, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            if (Script[i] == ';') semicolons.push_back(i);
    });
    for (const std::size_t at : semicolons) add(at);
    add(Script.size());
    return statements;
}

TPgStatementText TranslateStatement(const std::string& Sql) {
    TPgStatementText out;
    std::size_t copied = 0;
    const auto number = [&](const std::string& name) {
        for (const auto& [known, index] : out.Names)
            if (known == name) return index;
        out.Names.emplace_back(name, ++out.ParamCount);
        return out.ParamCount;
    };
    ForEachPlain(Sql, [&](std::size_t begin, std::size_t end) {
        std::size_t i = begin;
        while (i < end) {
            const char c = Sql[i];
            if (IsIdentStart(c)) {
                std::size_t j = i;
                while (j < end && IsIdentChar(Sql[j])) ++j;
                out.Identifiers.push_back(Sql.substr(i, j - i));
                i = j;
                continue;
            }
            if (IsDigit(c)) {
                while (i < end && (IsIdentChar(Sql[i]) || Sql[i] == '.')) ++i;
                continue;
            }
            if (c == ':' && i + 1 < end && Sql[i + 1] == ':') {  // a cast, "::type"
                i += 2;
                continue;
            }
            int index = 0;
            std::size_t j = i + 1;
            if (c == '?') {
                while (j < end && IsDigit(Sql[j])) ++j;
                if (j == i + 1) {
                    index = ++out.ParamCount;
                } else {
                    index = std::stoi(Sql.substr(i + 1, std::min<std::size_t>(j - i - 1, 9)));
                    out.ParamCount = std::max(out.ParamCount, index);
                }
            } else if (c == '$' && j < end && IsDigit(Sql[j])) {
                while (j < end && IsDigit(Sql[j])) ++j;
                index = std::stoi(Sql.substr(i + 1, std::min<std::size_t>(j - i - 1, 9)));
                out.ParamCount = std::max(out.ParamCount, index);
            } else if ((c == ':' || c == '@' || c == '$') && j < end && IsIdentStart(Sql[j])) {
                while (j < end && IsIdentChar(Sql[j]) && Sql[j] != '$') ++j;
                index = number(Sql.substr(i, j - i));
            }
            if (index == 0) {
                ++i;
                continue;
            }
            out.Sql += Sql.substr(copied, i - copied) + "$" + std::to_string(index);
            copied = i = j;
        }
    });
    out.Sql += Sql.substr(copied);
    return out;
}

std::vector<std::string> LeadingWords(const std::string& Sql, std::size_t Count) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < Sql.size() && words.size() < Count) {
        const std::size_t skipped = SkipQuoted(Sql, i);
        if (skipped != i) {
            // A quoted name is a word too, kept as written.
            if (Sql[i] == '"') words.push_back(Sql.substr(i + 1, skipped - i - 2));
            else if (Sql[i] == '\'') break;
            i = skipped;
            continue;
        }
        if (IsIdentStart(Sql[i])) {
            std::size_t j = i;
            std::string word;
            while (j < Sql.size() && IsIdentChar(Sql[j])) word += static_cast<char>(std::toupper(static_cast<unsigned char>(Sql[j++])));
            words.push_back(std::move(word));
            i = j;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(Sql[i]))) break;
        ++i;
    }
    return words;
}

}  // namespace zarix
