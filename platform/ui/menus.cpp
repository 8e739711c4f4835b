// Menus and menu items.
#include "platform/ui/menus.h"

#include "platform/rtl/case_fold.h"
#include "platform/rtl/strings.h"
#include "platform/ui/image_list.h"
#include "platform/ui/ui_change.h"

#include <algorithm>
#include <cstring>

namespace zarix {

std::string StripHotkey(std::string_view Caption) {
    std::string out;
    for (char c : Caption)
        if (c != '&') out += c;
    return out;
}

namespace {

// Captions read eight bytes at a time, by the comparison and by TCaptionHash below.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x80 * kOnes;
bool HasByte(uint64_t word, unsigned char byte) noexcept {
    const uint64_t x = word ^ (byte * kOnes);
    return ((x - kOnes) & ~x & kHigh) != 0;
}
// Eight bytes that hold neither "&" nor a byte of a longer character: compared folded as they
// stand.
bool Plain(uint64_t word) noexcept { return (word & kHigh) == 0 && !HasByte(word, '&'); }
// Eight ASCII bytes with A to Z made lower case: a byte's top bit tells, once 0x3F is added,
// whether it is at least 'A', and once 0x25 is added, whether it is above 'Z'.
uint64_t FoldAscii8(uint64_t word) noexcept {
    const uint64_t atLeastA = word + (0x80 - 'A') * kOnes;
    const uint64_t aboveZ = word + (0x80 - 'Z' - 1) * kOnes;
    return word | ((atLeastA & ~aboveZ & kHigh) >> 2);
}
// Up to eight bytes from p as one word, the missing ones zero.
uint64_t Word(const char* p, std::size_t n) noexcept {
    uint64_t word = 0;
    std::memcpy(&word, p, std::min<std::size_t>(n, 8));
    return word;
}

bool SameCaptionSlowly(std::string_view a, std::string_view b);

// Equality of two captions with "&" skipped and letter case folded in every script, without
// building stripped copies: menus are searched for every element of every path. ASCII pairs,
// nearly every caption, are compared without the folding table.
bool SameCaption(std::string_view a, std::string_view b) {
    // Two captions of the same length, plain ASCII without "&", nearly every pair a search
    // compares: eight bytes at a time. A plain start that differs decides; anything else is
    // compared character by character.
    if (a.size() == b.size()) {
        const std::size_t n = a.size();
        std::size_t at = 0;
        for (; at + 8 <= n; at += 8) {
            const uint64_t x = Word(a.data() + at, 8), y = Word(b.data() + at, 8);
            if (!Plain(x) || !Plain(y)) return SameCaptionSlowly(a, b);
            if (FoldAscii8(x) != FoldAscii8(y)) return false;
        }
        if (at == n) return true;
        const uint64_t x = Word(a.data() + at, n - at), y = Word(b.data() + at, n - at);
        if (Plain(x) && Plain(y)) return FoldAscii8(x) == FoldAscii8(y);
    }
    return SameCaptionSlowly(a, b);
}

bool SameCaptionSlowly(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && a[i] == '&') ++i;
        while (j < b.size() && b[j] == '&') ++j;
        if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[j]);
        if ((x | y) < 0x80) {
            if (FoldAscii(x) != FoldAscii(y)) return false;
            ++i;
            ++j;
        } else if (NextFoldedCodePoint(a, i) != NextFoldedCodePoint(b, j)) {
            return false;
        }
    }
}

// Hash of a caption as Find compares it: "&" skipped, each code point case folded. The folded
// code points are hashed as a stream of bytes (an ASCII one as itself, any other as three bytes
// with the top bit set), eight at a time: a byte at a time, the multiplications in a row would
// cost more than the rest of a menu search. Runs of eight plain ASCII bytes are folded at once.
class TCaptionHash {
public:
    std::size_t operator()(std::string_view caption) noexcept {
        std::size_t i = 0;
        while (i < caption.size()) {
            if (FCount == 0) {
                // Up to eight bytes, the missing ones zero, which fold to themselves. The last
                // few of a longer caption are the top of its last eight.
                const std::size_t n = std::min<std::size_t>(caption.size() - i, 8);
                uint64_t word = 0;
                if (n == 8) {
                    std::memcpy(&word, caption.data() + i, 8);
                } else if (caption.size() >= 8) {
                    std::memcpy(&word, caption.data() + caption.size() - 8, 8);
                    word >>= 8 * (8 - n);
                } else {
                    for (std::size_t k = 0; k < n; ++k)
                        word |= static_cast<uint64_t>(static_cast<unsigned char>(caption[i + k])) << (8 * k);
                }
                if ((word & kHigh) == 0 && !HasByte(word, '&')) {
                    if (n == 8) {
                        Mix(FoldAscii8(word));
                    } else {
                        FWord = FoldAscii8(word);
                        FCount = static_cast<unsigned>(n);
                    }
                    i += n;
                    continue;
                }
            }
            const auto c = static_cast<unsigned char>(caption[i]);
            if (c == '&') {
                ++i;
            } else if (c < 0x80) {
                Push(FoldAscii(c));
                ++i;
            } else {
                const uint32_t folded = NextFoldedCodePoint(caption, i);
                if (folded < 0x80) {
                    Push(folded);
                } else {
                    Push(0x80 | (folded & 0x7F));
                    Push(0x80 | ((folded >> 7) & 0x7F));
                    Push(0x80 | (folded >> 14));
                }
            }
        }
        if (FCount != 0) Mix(FWord);
        uint64_t h = FHash;
        h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;  // the index takes the low bits
        return static_cast<std::size_t>(h ^ (h >> 33));
    }

private:
    void Push(uint32_t byte) noexcept {
        FWord |= static_cast<uint64_t>(byte) << (8 * FCount);
        if (++FCount == 8) Mix(FWord);
    }
    void Mix(uint64_t word) noexcept {
        FHash = (FHash ^ word) * 0x9E3779B97F4A7C15ull;
        FWord = 0;
        FCount = 0;
    }
    uint64_t FHash = 1469598103934665603ull;
    uint64_t FWord = 0;
    unsigned FCount = 0;
};

std::size_t CaptionHash(std::string_view caption) { return TCaptionHash{}(caption); }

}  // namespace

std::size_t TMenuCaption::Hash() const noexcept {
    if (!FHashed) {
        FHash = CaptionHash(FText);
        FHashed = true;
    }
    return FHash;
}

ZARIX_DEFINE_CLASS(TMenuItem, ZARIX_PROPERTY(Caption, Caption, SetCaption), ZARIX_PROPERTY(Hint, Hint, SetHint),
                   ZARIX_PROPERTY(ImageIndex, ImageIndex, SetImageIndex),
                   ZARIX_PROPERTY(Enabled, Enabled, SetEnabled), ZARIX_PROPERTY(Visible, Visible, SetVisible),
                   ZARIX_PROPERTY(Checked, Checked, SetChecked))

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    // A child's destructor takes it out of FItems; free from the end, one at a time.
    while (!FItems.empty()) delete FItems.back();
    if (FParent != nullptr) FParent->Remove(this);
}

void TMenuItem::SetCaption(const std::string& Value) {
    if (Value == FCaption) return;
    if (FParent != nullptr) {
        FParent->DropFindIndex();
        FParent->ChildrenChanged();
    }
    ChangeProperty(this, FCaption, Value, "Caption");
}

void TMenuItem::SetHint(const std::string& Value) { ChangeProperty(this, FHint, Value, "Hint"); }

void TMenuItem::SetImageIndex(int Value) { ChangeProperty(this, FImageIndex, Value, "ImageIndex"); }

void TMenuItem::SetEnabled(bool Value) { ChangeProperty(this, FEnabled, Value, "Enabled"); }

void TMenuItem::SetVisible(bool Value) { ChangeProperty(this, FVisible, Value, "Visible"); }

void TMenuItem::SetChecked(bool Value) { ChangeProperty(this, FChecked, Value, "Checked"); }

void TMenuItem::SetShortCut(TShortCut Value) { ChangeProperty(this, FShortCut, Value, "ShortCut"); }

void TMenuItem::SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }

void TMenuItem::Click() {
    if (!FEnabled || !FVisible || !FOnClick) return;
    // A copy: the handler may replace itself or free the item.
    TNotifyEvent handler = FOnClick;
    handler(this);
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FItems[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const noexcept {
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { InsertAt(Count(), Item, nullptr); }

void TMenuItem::Add(TMenuItem* Item, const TMenuCaption& ItemCaption) { InsertAt(Count(), Item, &ItemCaption); }

void TMenuItem::Insert(int Index, TMenuItem* Item) { InsertAt(Index, Item, nullptr); }

void TMenuItem::InsertAt(int Index, TMenuItem* Item, const TMenuCaption* Known) {
    if (Item == nullptr) return;
    for (const TMenuItem* up = this; up != nullptr; up = up->FParent)
        if (up == Item) throw EComponentError("A menu item cannot contain itself");
    if (Item->FParent != nullptr) Item->FParent->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    const bool appended = Index == Count();
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    ChildrenChanged();
    // An appended child is found only when no earlier one has its caption: the index keeps.
    if (!FFindIndex.empty()) {
        if (!appended) DropFindIndex();
        else if (Known != nullptr && Known->Text() == Item->FCaption) IndexChild(Item, Known->Hash());
        else IndexChild(Item);
    }
    NotifyUIChange(this, "Items");
}

void TMenuItem::Remove(TMenuItem* Item) {
    const int index = IndexOf(Item);
    if (index < 0) return;
    FItems.erase(FItems.begin() + index);
    Item->FParent = nullptr;
    DropFindIndex();
    ChildrenChanged();
    NotifyUIChange(this, "Items");
}


TMenuItem* TMenuItem::Find(std::string_view ACaption) const { return Find(TMenuCaption(ACaption)); }

TMenuItem* TMenuItem::Find(const TMenuCaption& ACaption) const {
    // Small submenus are searched in order; larger ones through the index, built on demand.
    constexpr std::size_t kIndexFrom = 4;
    const std::string_view text = ACaption.Text();
    if (FItems.size() < kIndexFrom) {
        for (TMenuItem* item : FItems)
            if (SameCaption(item->FCaption, text)) return item;
        return nullptr;
    }
    if (FFindIndex.empty()) BuildFindIndex();
    const std::size_t mask = FFindIndex.size() - 1;
    const std::size_t hash = ACaption.Hash();
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const TFindSlot& entry = FFindIndex[slot];
        if (entry.Item == nullptr) return nullptr;
        if (entry.Hash == hash && SameCaption(entry.Item->FCaption, text)) return entry.Item;
    }
}

void TMenuItem::BuildFindIndex() const {
    std::size_t slots = 16;
    while (slots < 2 * FItems.size() + 2) slots *= 2;
    FFindIndex.assign(slots, TFindSlot{});
    for (TMenuItem* item : FItems) IndexChild(item);
}

void TMenuItem::IndexChild(TMenuItem* Child) const { IndexChild(Child, CaptionHash(Child->FCaption)); }

void TMenuItem::IndexChild(TMenuItem* Child, std::size_t hash) const {
    // Kept at most half full, so every probe ends at an empty slot.
    const std::size_t used = FItems.size();
    if (2 * used + 2 > FFindIndex.size()) {
        // Grown from the hashes it holds: every caption in it is there once, so only the
        // places change.
        std::size_t slots = FFindIndex.size();
        while (slots < 2 * used + 2) slots *= 2;
        std::vector<TFindSlot> grown(slots);
        for (const TFindSlot& entry : FFindIndex) {
            if (entry.Item == nullptr) continue;
            std::size_t slot = entry.Hash & (slots - 1);
            while (grown[slot].Item != nullptr) slot = (slot + 1) & (slots - 1);
            grown[slot] = entry;
        }
        FFindIndex.swap(grown);
    }
    const std::size_t mask = FFindIndex.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        TFindSlot& entry = FFindIndex[slot];
        if (entry.Item == nullptr) {
            entry = TFindSlot{hash, Child};
            return;
        }
        if (entry.Item == Child || (entry.Hash == hash && SameCaption(entry.Item->FCaption, Child->FCaption)))
            return;  // the first one stays
    }
}

int TMenuItem::MenuIndex() const noexcept { return FParent == nullptr ? -1 : FParent->IndexOf(this); }

void TMenuItem::SetMenuIndex(int Value) {
    if (FParent == nullptr) return;
    auto& siblings = FParent->FItems;
    Value = std::clamp(Value, 0, static_cast<int>(siblings.size()) - 1);
    if (siblings[static_cast<std::size_t>(Value)] == this) return;  // already there: no search
    const int current = MenuIndex();
    siblings.erase(siblings.begin() + current);
    siblings.insert(siblings.begin() + Value, this);
    FParent->DropFindIndex();
    FParent->ChildrenChanged();
    NotifyUIChange(FParent, "Items");
}

ZARIX_DEFINE_CLASS(TMenu)

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {}

TMenu::~TMenu() = default;  // FItems is owned as a component and freed with the others

void TMenu::SetImages(TImageList* Value) { ChangeProperty(this, FImages, Value, "Images"); }

ZARIX_DEFINE_CLASS(TMainMenu)
TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
TMainMenu::~TMainMenu() = default;

ZARIX_DEFINE_CLASS(TPopupMenu)
TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int, int) {
    ++FPopupCount;
    NotifyUIChange(this, "Popup");
}

}  // namespace zarix
