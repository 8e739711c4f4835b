// Image lists.
#include "platform/ui/image_list.h"

#include "platform/rtl/strings.h"
#include "platform/ui/ui_change.h"

namespace zarix {

ZARIX_DEFINE_CLASS(TImageList)

TImageList::TImageList(TComponent* AOwner) : TComponent(AOwner) {}
TImageList::~TImageList() = default;

int TImageList::Add(const std::string& ImageName) {
    FImages.push_back(ImageName);
    NotifyUIChange(this, "Images");
    return Count() - 1;
}

const std::string& TImageList::Images(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
    return FImages[static_cast<std::size_t>(Index)];
}

void TImageList::Delete(int Index) {
    Images(Index);
    FImages.erase(FImages.begin() + Index);
    NotifyUIChange(this, "Images");
}

void TImageList::Clear() {
    FImages.clear();
    NotifyUIChange(this, "Images");
}

void TImageList::SetSize(int AWidth, int AHeight) {
    FWidth = AWidth;
    FHeight = AHeight;
    NotifyUIChange(this, "Size");
}

}  // namespace zarix
