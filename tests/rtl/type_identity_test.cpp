// Exceptions, classes and reports keep one identity across a real library boundary.
#include "platform/os/module_info.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/varrec.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"
#include "services/singleton.h"
#include "typeinfo_probe.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <stdexcept>
#include <tuple>

namespace zarix {
class TForm;
}

namespace type_identity_test {

using namespace zarix;

// The probe library, loaded for one test and let go at its end.
class TypeIdentity : public ::testing::Test {
protected:
    template <class F>
    F Symbol(const char* name) {
        if (!Handle) throw std::runtime_error(dlerror());
        void* sym = dlsym(Handle.get(), name);
        EXPECT_NE(sym, nullptr) << name;
        return reinterpret_cast<F>(sym);
    }
    std::unique_ptr<void, int (*)(void*)> Handle{dlopen(TYPEINFO_PROBE_PATH, RTLD_NOW | RTLD_LOCAL), dlclose};
};

TEST_F(TypeIdentity, PluginExceptionsAreCaughtByTheHostsHandlers) {
    try {
        Symbol<ProbeThrowFn>("ProbeThrowOwn")();
        FAIL();
    } catch (const Exception& e) {
        // The class name is the plugin's own, read through the host's view of its exceptions.
        EXPECT_EQ(std::pair(ExceptionClassName(e), e.Message()), std::pair(std::string("EProbeError"), std::string("błąd we wtyczce")));
    }
    EXPECT_THROW(Symbol<ProbeThrowFn>("ProbeThrowConvert")(), EConvertError);
}

TEST_F(TypeIdentity, PluginObjectsCastAndReflectInTheHost) {
    TComponent owner(nullptr);
    TComponent* doc = Symbol<ProbeCreateFn>("ProbeCreate")(&owner);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(std::tuple(doc->ClassName(), doc->InheritsFrom(TComponent::StaticClass()), GetPropValue(*doc, "count").AsInteger()),
              std::tuple("TProbeDoc", true, 7));
    EXPECT_NE(dynamic_cast<TPersistent*>(static_cast<TObject*>(doc)), nullptr);
    const auto args = Args(1, 2);
    auto hello = doc->MethodAddress<Variant(TConstArray, TForm*)>("HELLO");
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello(args, nullptr).AsString(), "cześć 2");
}  // the owner frees the plugin's component before the library goes

TEST_F(TypeIdentity, ReportsNameTheReportingLibraryAndItsMapFileWhileRecorded) {
    TCapturingExceptionSink sink;
    TExceptionManager manager;
    manager.SetActive(true);
    const auto handle = reinterpret_cast<uintptr_t>(Handle.get());
    manager.AddModuleInfo("/plugins/probe.map", handle);
    Symbol<ProbeReportFn>("ProbeReport")("TProbe.Report");
    manager.RemoveModuleInfo(handle);
    Symbol<ProbeReportFn>("ProbeReport")("again");
    ASSERT_EQ(sink.Reports().size(), 2u);
    const TExceptionReport& first = sink.Reports()[0];
    EXPECT_EQ(std::pair(first.Message, ExtractFileName(first.Location.File)), std::pair(std::string("z wtyczki"), std::string("typeinfo_probe.cpp")));
    EXPECT_NE(first.Module.find("zarix_typeinfo_probe"), std::string::npos) << first.Module;
    EXPECT_NE(first.Module.find("(map /plugins/probe.map)"), std::string::npos) << first.Module;
    EXPECT_EQ(sink.Reports()[1].Module.find("map"), std::string::npos);
}

TEST_F(TypeIdentity, SingletonsOfALibraryAreReleasedBeforeItGoes) {
    EXPECT_EQ(Symbol<ProbeSingletonFn>("ProbeSingleton")(), 1);
    EXPECT_EQ(Symbol<ProbeSingletonFn>("ProbeSingleton")(), 1);  // the same instance again
    const void* module = ModuleOfHandle(reinterpret_cast<uintptr_t>(Handle.get()));
    ASSERT_NE(module, nullptr);
    ReleaseSingletonsOfModule(module);
    EXPECT_EQ(Symbol<ProbeSingletonFn>("ProbeLiveSingletons")(), 0);
}

}  // namespace type_identity_test
