// A plugin-like library: its own exception class, its own reflected component, a report and a
// singleton of its own.
#include "typeinfo_probe.h"

#include "platform/rtl/strings.h"
#include "platform/rtl/varrec.h"
#include "services/exception_handler.h"
#include "services/singleton.h"

namespace zarix {
class TForm;
}

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace zarix;

class EProbeError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EProbeError"; }
};

class TProbeDoc : public TComponent {
    ZARIX_CLASS(TProbeDoc, TComponent)
    explicit TProbeDoc(TComponent* owner) : TComponent(owner) {}
    Variant Hello(TConstArray args, TForm*) { return Variant("cześć " + std::to_string(args.size())); }
    int32_t FCount = 7;
};
ZARIX_DEFINE_CLASS(TProbeDoc, ZARIX_METHOD(Hello), ZARIX_PROPERTY(Count, FCount, FCount))

int gLiveSingletons = 0;

class TProbeSingleton : public TSingleton {
public:
    TProbeSingleton() { ++gLiveSingletons; }
    ~TProbeSingleton() override { --gLiveSingletons; }
};

}  // namespace

PROBE_EXPORT void ProbeThrowOwn() { throw EProbeError("błąd we wtyczce"); }
PROBE_EXPORT void ProbeThrowConvert() { (void)StrToInt("12a"); }
PROBE_EXPORT TComponent* ProbeCreate(TComponent* owner) { return new TProbeDoc(owner); }
PROBE_EXPORT void ProbeReport(const char* context) { ZarixExceptionHandler(Exception("z wtyczki"), context, Here()); }
PROBE_EXPORT int ProbeSingleton() {
    TSingleton::Instance<TProbeSingleton>();
    return gLiveSingletons;
}
PROBE_EXPORT int ProbeLiveSingletons() { return gLiveSingletons; }
