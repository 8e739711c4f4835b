// VS_VERSIONINFO tree walking with every offset checked against the block, and the bounded
// positioned reads the locators share.
#include "platform/os/version_block_parser.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace zarix::version_detail {
namespace {

// Real blocks nest four deep (root, StringFileInfo, table, string); anything much deeper is
// hostile, and recursion must not follow it.
constexpr int MaxDepth = 8;
// Every node takes at least a header, so a list can never hold more than this many; the cap
// keeps the loop bounded even if that reasoning is ever broken by a change.
constexpr std::size_t MaxChildren = MaxBlockSize / NodeHeaderSize + 1;
constexpr std::size_t MaxPathComponents = 16;
// A single read bigger than this is a corrupt size field, not a version block's surroundings.
constexpr uint64_t MaxReadSize = 64ull << 20;

constexpr std::size_t Align4(std::size_t value) { return (value + 3) & ~std::size_t{3}; }

// Simple case folding of one UTF-16 unit: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic,
// which covers every key and table name real blocks use, Polish letters included.
char16_t FoldCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0x80) return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs are upper-even/lower-odd, except in the ranges where the pairing shifts by one.
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x130 || c == 0x178) return c;
        if (shifted) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
        return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-8 to folded UTF-16 units one at a time, for comparing a query path component with node
// keys without building a string. A byte that starts no valid sequence becomes U+FFFD, so it
// can match nothing real.
class TFoldedUnits {
public:
    explicit TFoldedUnits(std::string_view text) : FText(text) {}

    std::optional<char16_t> Next() {
        if (FLowSurrogate != 0) return std::exchange(FLowSurrogate, char16_t{0});
        if (FPos >= FText.size()) return std::nullopt;
        const auto lead = static_cast<unsigned char>(FText[FPos]);
        std::size_t need = 1;
        char32_t cp = 0xFFFD;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            need = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 3;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 4;
            cp = lead & 0x07;
        }
        bool ok = need == 1 ? lead < 0x80 : FText.size() - FPos >= need;
        for (std::size_t k = 1; ok && k < need; ++k) {
            const auto next = static_cast<unsigned char>(FText[FPos + k]);
            ok = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!ok) {
            cp = 0xFFFD;
            need = 1;
        }
        FPos += need;
        if (cp < 0x10000) return FoldCase(static_cast<char16_t>(cp));
        FLowSurrogate = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        return static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    }

private:
    std::string_view FText;
    std::size_t FPos = 0;
    char16_t FLowSurrogate = 0;
};

template <class Units>
bool KeyEquals(TBytes block, const TVersionNode& node, Units units) {
    for (std::size_t i = 0; i < node.KeyUnits; ++i) {
        const auto unit = units.Next();
        if (!unit || FoldCase(LoadU16(block, node.KeyBegin + 2 * i)) != *unit) return false;
    }
    return !units.Next();
}

// Calls `visit` for each child until it returns false. Returns false when a child is damaged
// or the list is longer than any real one.
template <class Visit>
bool ForEachChild(TBytes block, const TVersionNode& parent, Visit&& visit, std::size_t* damagedAt = nullptr) {
    std::size_t pos = parent.ChildrenBegin;
    for (std::size_t count = 0; RangeFits(pos, NodeHeaderSize, parent.End); ++count) {
        // Some resource compilers pad a list with zeros; a zero length ends it.
        if (LoadU16(block, pos) == 0) return true;
        const auto child = count < MaxChildren ? ParseVersionNode(block, pos, parent.End) : std::nullopt;
        if (!child) {
            if (damagedAt != nullptr) *damagedAt = pos;
            return false;
        }
        if (!visit(*child)) return true;
        pos = Align4(child->End);  // End > pos, so every turn advances
    }
    return true;
}

std::optional<TVersionError> ValidateChildren(TBytes block, const TVersionNode& node, int depth) {
    if (depth > MaxDepth) return MakeError(TVersionErrorKind::DamagedBlock, "version block", "nodes nested too deep", node.Begin);
    std::optional<TVersionError> failure;
    std::size_t damagedAt = node.ChildrenBegin;
    const bool whole = ForEachChild(
        block, node,
        [&](const TVersionNode& child) {
            failure = ValidateChildren(block, child, depth + 1);
            return !failure;
        },
        &damagedAt);
    if (failure) return failure;
    if (!whole) return MakeError(TVersionErrorKind::DamagedBlock, "version block", "node runs past its parent", damagedAt);
    return std::nullopt;
}

std::optional<TVersionNode> ParseRoot(TBytes block) {
    if (block.size() < NodeHeaderSize) return std::nullopt;
    const std::size_t length = LoadU16(block, 0);
    if (length > block.size()) return std::nullopt;
    return ParseVersionNode(block, 0, length);
}

}  // namespace

uint16_t LoadU16(TBytes bytes, std::size_t offset) noexcept {
    assert(RangeFits(offset, 2, bytes.size()) && "unchecked 16-bit load");
    return static_cast<uint16_t>(std::to_integer<uint16_t>(bytes[offset]) |
                                 (std::to_integer<uint16_t>(bytes[offset + 1]) << 8));
}

uint32_t LoadU32(TBytes bytes, std::size_t offset) noexcept {
    return static_cast<uint32_t>(LoadU16(bytes, offset)) | (static_cast<uint32_t>(LoadU16(bytes, offset + 2)) << 16);
}

uint64_t LoadU64(TBytes bytes, std::size_t offset) noexcept {
    return static_cast<uint64_t>(LoadU32(bytes, offset)) | (static_cast<uint64_t>(LoadU32(bytes, offset + 4)) << 32);
}

std::optional<TVersionNode> ParseVersionNode(TBytes block, std::size_t offset, std::size_t limit) noexcept {
    limit = std::min(limit, block.size());
    if (!RangeFits(offset, NodeHeaderSize, limit)) return std::nullopt;
    const std::size_t length = LoadU16(block, offset);
    const std::size_t valueLength = LoadU16(block, offset + 2);
    const uint16_t type = LoadU16(block, offset + 4);
    if (length < NodeHeaderSize || !RangeFits(offset, length, limit) || type > 1) return std::nullopt;

    TVersionNode node;
    node.Begin = offset;
    node.End = offset + length;
    node.KeyBegin = offset + NodeHeaderSize;
    node.IsText = type == 1;
    std::size_t pos = node.KeyBegin;
    while (true) {
        if (!RangeFits(pos, 2, node.End)) return std::nullopt;  // key without its NUL
        if (LoadU16(block, pos) == 0) break;
        pos += 2;
    }
    node.KeyUnits = (pos - node.KeyBegin) / 2;
    node.ValueBegin = std::min(Align4(pos + 2), node.End);
    const std::size_t room = node.End - node.ValueBegin;
    if (node.IsText) {
        // Text lengths count characters, but some compilers wrote bytes; the node bounds it.
        node.ValueSize = std::min(valueLength * 2, room);
    } else {
        if (valueLength > room) return std::nullopt;
        node.ValueSize = valueLength;
    }
    node.ChildrenBegin = std::min(Align4(node.ValueBegin + node.ValueSize), node.End);
    return node;
}

TVersionResult<uint32_t> ValidateVersionBlock(TBytes bytes) {
    constexpr std::string_view what = "version block";
    if (bytes.size() < NodeHeaderSize)
        return MakeError(TVersionErrorKind::DamagedBlock, what, "shorter than a node header", 0);
    const std::size_t length = LoadU16(bytes, 0);
    if (length > bytes.size()) return MakeError(TVersionErrorKind::DamagedBlock, what, "root length runs past the data", 0);
    const auto root = ParseVersionNode(bytes, 0, length);
    if (!root) return MakeError(TVersionErrorKind::DamagedBlock, what, "root node is malformed", 0);
    if (!KeyEquals(bytes, *root, TFoldedUnits("VS_VERSION_INFO")))
        return MakeError(TVersionErrorKind::DamagedBlock, what, "root key is not VS_VERSION_INFO", root->KeyBegin);
    // The fixed file info may be absent, but when present it starts with its signature.
    if (root->ValueSize != 0 && (root->ValueSize < 4 || LoadU32(bytes, root->ValueBegin) != 0xFEEF04BDu))
        return MakeError(TVersionErrorKind::DamagedBlock, what, "fixed file info has no signature", root->ValueBegin);
    if (auto failure = ValidateChildren(bytes, *root, 1)) return std::move(*failure);
    return static_cast<uint32_t>(length);
}

std::optional<TVerValue> FindVersionValue(TBytes block, std::string_view path) noexcept {
    auto node = ParseRoot(block);
    if (!node) return std::nullopt;
    std::size_t components = 0;
    while (!path.empty()) {
        const std::size_t cut = path.find('\\');
        const std::string_view name = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
        if (name.empty()) continue;
        if (++components > MaxPathComponents) return std::nullopt;
        std::optional<TVersionNode> found;
        ForEachChild(block, *node, [&](const TVersionNode& child) {
            if (KeyEquals(block, child, TFoldedUnits(name))) found = child;
            return !found;
        });
        if (!found) return std::nullopt;
        node = found;
    }
    return TVerValue{block.subspan(node->ValueBegin, node->ValueSize), node->IsText};
}

std::string Utf16LeToUtf8(TBytes text) {
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 2 <= text.size(); i += 2) {
        const char16_t unit = LoadU16(text, i);
        if (unit == 0) break;
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 4 <= text.size()) {
            const char16_t low = LoadU16(text, i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

TVersionError MakeError(TVersionErrorKind kind, std::string_view what, std::string_view reason, uint64_t offset) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(offset));
    std::string text = "not a valid ";
    text.append(what).append(" (").append(reason).append(", offset ").append(hex).append(")");
    return {kind, std::move(text)};
}

TVersionResult<std::size_t> ReadAt(int fd, uint64_t offset, std::span<std::byte> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        // Nothing lies beyond what off_t can address; such an offset reads as end of file.
        const uint64_t at = offset + done;
        if (at < offset || at > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) break;
        const ssize_t got = ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(at));
        if (got < 0) {
            if (errno == EINTR) continue;
            return TVersionError{TVersionErrorKind::CannotRead, "cannot read: " + std::generic_category().message(errno)};
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

TVersionResult<uint64_t> TWindowedFile::FileSize() {
    if (FFileSize) return *FFileSize;
    struct stat status {};
    if (::fstat(FFd, &status) != 0)
        return TVersionError{TVersionErrorKind::CannotRead, "cannot read: " + std::generic_category().message(errno)};
    FFileSize = static_cast<uint64_t>(std::max<off_t>(status.st_size, 0));
    return *FFileSize;
}

std::optional<TVersionError> TWindowedFile::Prefetch(uint64_t offset, std::size_t size) {
    auto fileSize = FileSize();
    if (!fileSize) return fileSize.Error();
    if (offset >= fileSize.Value()) return std::nullopt;
    size = static_cast<std::size_t>(std::min<uint64_t>(size, fileSize.Value() - offset));
    TReadWindow window{offset, std::vector<std::byte>(size)};
    auto got = ReadAt(FFd, offset, window.Bytes);
    if (!got) return got.Error();
    window.Bytes.resize(got.Value());
    FMore.push_back(std::move(window));
    return std::nullopt;
}

std::optional<TBytes> TWindowedFile::Held(uint64_t offset, uint64_t size) const noexcept {
    if (RangeFits(offset, size, FHead.size())) return FHead.subspan(offset, size);
    for (const TReadWindow& w : FMore)
        if (offset >= w.Offset && RangeFits(offset - w.Offset, size, w.Bytes.size()))
            return TBytes(w.Bytes).subspan(offset - w.Offset, size);
    return std::nullopt;
}

bool TWindowedFile::Holds(uint64_t offset, uint64_t size) const noexcept { return Held(offset, size).has_value(); }

TVersionResult<TBytes> TWindowedFile::Bytes(uint64_t offset, uint64_t size, std::string_view purpose) {
    if (const auto held = Held(offset, size)) return *held;
    auto fileSize = FileSize();
    if (!fileSize) return fileSize.Error();
    if (!RangeFits(offset, size, fileSize.Value())) return Invalid(std::string(purpose) + " runs past the end of the file", offset);
    if (size > MaxReadSize) return Invalid(std::string(purpose) + " is implausibly large", offset);
    TReadWindow window{offset, std::vector<std::byte>(size)};
    auto got = ReadAt(FFd, offset, window.Bytes);
    if (!got) return got.Error();
    if (got.Value() < size) return Invalid(std::string(purpose) + " runs past the end of the file", offset);
    // The inner vector's storage does not move when FMore grows, so the span stays valid.
    FMore.push_back(std::move(window));
    return TBytes(FMore.back().Bytes);
}

TVersionError TWindowedFile::Invalid(std::string_view reason, uint64_t offset) const {
    return MakeError(TVersionErrorKind::NotValidObject, FWhat, reason, offset);
}

}  // namespace zarix::version_detail
