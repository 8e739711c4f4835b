// The window contract's home and the interface query the MDI container runs on its forms.
#include "sync/sync.h"

#include "platform/rtl/exceptions.h"

namespace zarix {

// The key function: it puts IMDIInterface's type information in this library only, which is
// what lets the host's dynamic_cast recognise a window made by a plugin.
IMDIInterface::~IMDIInterface() = default;

std::string GUIDToString(const TGUID& Guid) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(38);
    const auto put = [&](uint8_t b) {
        text += digits[b >> 4];
        text += digits[b & 0x0f];
    };
    const std::array<uint8_t, 16>& b = Guid.Bytes;
    text += '{';
    for (int i = 3; i >= 0; --i) put(b[i]);
    text += '-';
    put(b[5]);
    put(b[4]);
    text += '-';
    put(b[7]);
    put(b[6]);
    text += '-';
    put(b[8]);
    put(b[9]);
    text += '-';
    for (int i = 10; i < 16; ++i) put(b[i]);
    text += '}';
    return text;
}

IMDIInterface* QueryMDIInterface(TObject* Obj) noexcept { return dynamic_cast<IMDIInterface*>(Obj); }

IMDIInterface& GetMDIInterface(TObject* Obj) {
    IMDIInterface* intf = QueryMDIInterface(Obj);
    if (intf == nullptr) throw EIntfCastError("Interface not supported");
    return *intf;
}

}  // namespace zarix
