// The plugin the late-bound calls benchmark loads 50 times (and the broadcast benchmark 1,000
// times): 20 published methods, 20 routines callable by name and 5 exposed objects. Every copy
// names itself and its offer after its own file ("peer7.bpl" is plugin PEER7 with routines
// "peer7_Procedura0".. and objects "peer7_Obiekt0"..), so the copies are distinct plugins.
#include "bench_peer.h"

#include "plugin/plugin_entry.h"

#include <dlfcn.h>

#include <string>
#include <utility>

namespace {

using namespace zarix;

// This library's file name without folder and extension.
std::string OwnFileStem() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&OwnFileStem), &info) == 0 || info.dli_fname == nullptr) return "peer";
    std::string name = info.dli_fname;
    name.erase(0, name.rfind('/') + 1);
    return name.substr(0, name.find('.'));
}

template <int N>
void Procedura(uintptr_t a, uintptr_t b, uintptr_t c, TVarRec* result) {
    *result = TVarRec(static_cast<int32_t>(a + b + c + N));
}

class TPeerPlugin : public TZarixPlugin {
    ZARIX_CLASS(TPeerPlugin, TZarixPlugin)
    explicit TPeerPlugin(TComponent* owner) : TZarixPlugin(owner) {
        const std::string stem = OwnFileStem();
        SetName("PeerPlugin");
        SetPluginName(stem);
        SetPluginPriority(10);
        AddRoutines(stem, std::make_integer_sequence<int, kPeerRoutines>{});
        for (int i = 0; i < kPeerObjects; ++i) AddClass(stem + "_Obiekt" + std::to_string(i), &Objects[i]);
    }

    /// Published: "Metoda0" to "Metoda19".
    template <int N>
    Variant Metoda(TConstArray args, TForm*) {
        return Variant(static_cast<int32_t>(N + args.size()));
    }

    void OnMessage(TPluginMessagesTypes, const std::string&, TConstArray) override { ++Received; }

    TPeerObject Objects[kPeerObjects];
    int64_t Received = 0;

private:
    template <int... N>
    void AddRoutines(const std::string& stem, std::integer_sequence<int, N...>) {
        (AddMethod(stem + "_Procedura" + std::to_string(N), &Procedura<N>), ...);
    }
};

template <int... N>
const TClassInfo& PeerClass(std::integer_sequence<int, N...>) {
    using Self = TPeerPlugin;
    static const TClassInfo info("TPeerPlugin", &TZarixPlugin::StaticClass(),
                                 {PublishedMethod<&Self::Metoda<N>>("Metoda" + std::to_string(N))...}, &typeid(Self));
    return info;
}

}  // namespace

const TClassInfo& TPeerPlugin::StaticClass() { return PeerClass(std::make_integer_sequence<int, kPeerMethods>{}); }

ZARIX_DEFINE_CLASS(TPeerObject, ZARIX_PROPERTY(Count, Count, SetCount))

ZARIX_PLUGIN(TPeerPlugin)
