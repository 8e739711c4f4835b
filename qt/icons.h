// Images of the headless image lists as QIcons.
#pragma once

#include "platform/ui/forms.h"
#include "platform/ui/image_list.h"

#include <QIcon>

#include <string>

namespace zarix::qt {

/// The icon an image name stands for: an image file at that path, else one of the style's
/// standard icons named as QStyle names them ("SP_DirIcon"), else a tile drawn with the name's
/// initial in a colour of its own, so every distinct image still looks distinct.
QIcon IconOf(const std::string& ImageName, int Size = 16);
/// Image Index of List; an empty icon for no list or an index out of range.
QIcon IconOf(const TImageList* List, int Index);
QIcon IconOf(const TIcon& Icon);

}  // namespace zarix::qt
