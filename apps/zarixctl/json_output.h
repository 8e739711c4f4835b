// The --json documents: one object per run, its "schema" first, keys in the order written.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace zarixctl {

using TJson = nlohmann::ordered_json;

/// An object whose first key is "schema": "zarixctl.Command/1".
TJson JsonDocument(std::string_view Command);

/// Sets Key to Path; when Path is not UTF-8, also KeyBytes to its bytes in hex, since the
/// text itself can only carry it with U+FFFD in place of the bad bytes.
void SetPath(TJson& Object, const std::string& Key, const std::string& Path);

/// Path as a JSON object of the same two keys, for lists of paths.
TJson PathJson(const std::string& Path);

/// Writes the document on standard output, valid JSON whatever bytes its texts hold.
void PrintJson(const TJson& Document);

}  // namespace zarixctl
