// What every version block must answer, whichever way it came: shared by the targets that read
// blocks from files and the one that makes them up directly.
#pragma once

#include <cstddef>
#include <span>

namespace zarix::fuzz {

/// Asks the block what hosts ask it and checks that every answer lies inside it, that the
/// bounded and the platform-shaped queries agree, and that texts come back as valid UTF-8.
void CheckBlockQueries(std::span<const std::byte> block);

}  // namespace zarix::fuzz
