// Image lists: the numbered images menus, toolbars and forms draw from.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include <string>
#include <vector>

namespace zarix {

/// A headless image list: each image is known by the name of the resource it was made from,
/// which a front-end turns into pixels.
class ZARIX_API TImageList : public TComponent {
    ZARIX_CLASS(TImageList, TComponent)
    explicit TImageList(TComponent* AOwner);
    ~TImageList() override;

    int Count() const noexcept { return static_cast<int>(FImages.size()); }
    /// Appends an image and returns its index.
    int Add(const std::string& ImageName);
    /// The name of image Index; raises EListError when out of range.
    const std::string& Images(int Index) const;
    void Delete(int Index);
    void Clear();
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void SetSize(int AWidth, int AHeight);

private:
    std::vector<std::string> FImages;
    int FWidth = 16;
    int FHeight = 16;
};

}  // namespace zarix
