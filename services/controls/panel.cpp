// The panel and its grid layout.
#include "services/controls/panel.h"

#include "platform/ui/ui_change.h"

#include <algorithm>

namespace zarix {

ZARIX_DEFINE_CLASS(TZarixPanel, ZARIX_PROPERTY(KeyPreview, KeyPreview, SetKeyPreview),
                   ZARIX_PROPERTY(LayoutRowCount, LayoutRowCount, SetLayoutRowCount),
                   ZARIX_PROPERTY(LayoutColCount, LayoutColCount, SetLayoutColCount),
                   ZARIX_PROPERTY(BevelWidth, BevelWidth, SetBevelWidth),
                   PublishedValue<&Self::Color, &Self::SetColor>("Color"))

TZarixPanel::TZarixPanel(TComponent* AOwner) : TControl(AOwner) { SetBounds(0, 0, 185, 41); }
TZarixPanel::~TZarixPanel() = default;

void TZarixPanel::SetKeyPreview(bool Value) { ChangeProperty(this, FKeyPreview, Value, "KeyPreview"); }

void TZarixPanel::SetLayoutRowCount(int Value) {
    if (Value == FLayoutRowCount) return;
    ChangeProperty(this, FLayoutRowCount, std::max(Value, 0), "LayoutRowCount");
    Realign();
}

void TZarixPanel::SetLayoutColCount(int Value) {
    if (Value == FLayoutColCount) return;
    ChangeProperty(this, FLayoutColCount, std::max(Value, 0), "LayoutColCount");
    Realign();
}

void TZarixPanel::SetBevelWidth(int Value) {
    if (Value == FBevelWidth) return;
    ChangeProperty(this, FBevelWidth, std::max(Value, 0), "BevelWidth");
    Realign();
}

void TZarixPanel::SetColor(TColor Value) { ChangeProperty(this, FColor, Value, "Color"); }

TBounds TZarixPanel::ClientRect() const {
    const int inset = std::min({FBevelWidth, Width() / 2, Height() / 2});
    return TBounds{inset, inset, Width() - 2 * inset, Height() - 2 * inset};
}

void TZarixPanel::ArrangeUndocked(const TBounds& Rest) {
    if (FLayoutRowCount == 0 || FLayoutColCount == 0) return;
    std::vector<TControl*> cells;
    for (int i = 0; i < ControlCount(); ++i)
        if (TControl* c = Controls(i); c->Visible() && c->Align() == alNone) cells.push_back(c);
    std::sort(cells.begin(), cells.end(), [](const TControl* a, const TControl* b) { return a->TabOrder() < b->TabOrder(); });
    // Cell edges are rounded from the exact fractions, so the cells cover the area without gaps
    // whatever its size. Controls beyond the last cell keep their own rectangles.
    const std::size_t count = std::min(cells.size(), static_cast<std::size_t>(FLayoutRowCount) * FLayoutColCount);
    const auto edge = [](int start, int length, int index, int parts) {
        return start + static_cast<int>(static_cast<int64_t>(length) * index / parts);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const int row = static_cast<int>(i) / FLayoutColCount, col = static_cast<int>(i) % FLayoutColCount;
        const int left = edge(Rest.Left, Rest.Width, col, FLayoutColCount);
        const int top = edge(Rest.Top, Rest.Height, row, FLayoutRowCount);
        Place(cells[i], TBounds{left, top, edge(Rest.Left, Rest.Width, col + 1, FLayoutColCount) - left,
                                edge(Rest.Top, Rest.Height, row + 1, FLayoutRowCount) - top});
    }
}

}  // namespace zarix
