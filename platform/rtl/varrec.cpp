// Factories for the argument kinds that share a C++ type with another kind.
#include "platform/rtl/varrec.h"

namespace zarix {

TVarRec TVarRec::ShortString(const std::string& v) {
    TVarRec rec;
    rec.Kind = TVarRecKind::vtString;
    rec.VString = &v;
    return rec;
}

TVarRec TVarRec::WideString(const std::u16string& v) {
    TVarRec rec;
    rec.Kind = TVarRecKind::vtWideString;
    rec.VWideString = &v;
    return rec;
}

}  // namespace zarix
