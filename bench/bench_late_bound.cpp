// Late-bound calls between plugins and broadcasts, against direct calls in the same run.
//
// 50 copies of the peer plugin are loaded, each with 20 published methods, 20 routines and 5
// exposed objects, all named after the plugin's file; every call targets the plugin loaded last,
// the worst case of the walks in load order. The broadcast goes to 1,000 copies.
#include "bench_pairs.h"
#include "bench_peer.h"
#include "bench_ratio.h"

#include "manager/ZarixPluginManager.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zarix;

// A manager with `count` copies of the peer plugin loaded and initialised.
class TPeerHost {
public:
    explicit TPeerHost(int count) {
        Folder = std::filesystem::temp_directory_path() /
                 ("zarix_bench_lb_" + std::to_string(getpid()) + "_" + std::to_string(count));
        std::filesystem::create_directories(Folder);
        for (int i = 0; i < count; ++i)
            std::filesystem::copy_file(PEER_PLUGIN_PATH, Folder / ("peer" + std::to_string(i) + ".bpl"),
                                       std::filesystem::copy_options::overwrite_existing);
        Manager = std::make_unique<TZarixPluginManager>(nullptr);
        Manager->SetPluginFolder(Folder.string());
        Manager->LoadPlugins();
        Last = Manager->GetPlugins(Manager->PluginCount() - 1);
        // The names of the last plugin's offer, made as the plugin makes them from its file.
        Stem = Last->Filename().substr(0, Last->Filename().find('.'));
    }
    ~TPeerHost() {
        Manager.reset();
        std::filesystem::remove_all(Folder);
    }
    std::string Routine(int i) const { return Stem + "_Procedura" + std::to_string(i); }
    std::string Object(int i) const { return Stem + "_Obiekt" + std::to_string(i); }

    std::filesystem::path Folder;
    std::unique_ptr<TZarixPluginManager> Manager;
    TZarixPlugin* Last = nullptr;
    std::string Stem;
};

TPeerHost& Calls() {
    static TPeerHost host(50);
    return host;
}

TPeerHost& Broadcasts() {
    static TPeerHost host(1000);
    return host;
}

const auto kArgs = Args(1, 2, 3);

// Each comparison runs its baseline and the call under test in turns, `calls` times each per
// iteration, and keeps the two costs per call.
std::map<std::string, TPairSamples> gPairs;

template <class Base, class Subject>
void RunPair(benchmark::State& state, const std::string& name, int calls, Base&& base, Subject&& subject) {
    TPairSamples& samples = gPairs[name];
    for (auto _ : state) {
        double start = CpuNs();
        for (int i = 0; i < calls; ++i) base();
        const double baseNs = (CpuNs() - start) / calls;
        start = CpuNs();
        for (int i = 0; i < calls; ++i) subject();
        samples.Base.push_back(baseNs);
        samples.Subject.push_back((CpuNs() - start) / calls);
    }
}

constexpr int kCalls = 20000;

void BM_methodByName(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string plugin = host.Last->GetPluginName();
    const std::string name = "metoda" + std::to_string(kPeerMethods - 1);  // found whatever the case
    std::function<Variant(TConstArray, TForm*)> method = host.Last->MethodAddress<Variant(TConstArray, TForm*)>(name);
    if (host.Manager->methodByName(plugin, name, kArgs, nullptr).AsInteger() != kPeerMethods - 1 + 3)
        state.SkipWithError("methodByName did not reach the method");
    RunPair(
        state, "methodByName", kCalls, [&] { benchmark::DoNotOptimize(method(kArgs, nullptr)); },
        [&] { benchmark::DoNotOptimize(host.Manager->methodByName(plugin, name, kArgs, nullptr)); });
}
BENCHMARK(BM_methodByName)->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_ExecuteMethod(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string name = host.Routine(kPeerRoutines - 1);
    TZarixPluginMethods* methods = host.Last->Methods();
    auto routine = reinterpret_cast<TPeerRoutine>(methods->Items(methods->Count() - 1)->Address);
    if (host.Manager->ExecuteMethod(name, kArgs)->value.VInteger != 6 + kPeerRoutines - 1)
        state.SkipWithError("ExecuteMethod did not reach the routine");
    RunPair(
        state, "ExecuteMethod", kCalls,
        [&] {
            benchmark::DoNotOptimize(routine);
            TVarRec result;
            routine(1, 2, 3, &result);
            benchmark::DoNotOptimize(result);
        },
        [&] { benchmark::DoNotOptimize(host.Manager->ExecuteMethod(name, kArgs)->value); });
}
BENCHMARK(BM_ExecuteMethod)->Iterations(200)->Unit(benchmark::kMicrosecond);

TPeerObject* LastObject(TPeerHost& host) {
    TZarixPluginClasses* classes = host.Last->Classes();
    return static_cast<TPeerObject*>(classes->Items(classes->Count() - 1)->Class_Object());
}

void BM_getClassValue(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string name = host.Object(kPeerObjects - 1);
    const std::string property = "Count";  // made once, as the names of the other calls are
    TPeerObject* object = LastObject(host);
    object->SetCount(42);
    if (host.Manager->getClassValue(name, property).AsInteger() != 42)
        state.SkipWithError("getClassValue did not read the object");
    RunPair(
        state, "getClassValue", kCalls,
        [&] {
            benchmark::DoNotOptimize(object);
            benchmark::DoNotOptimize(object->Count());
        },
        [&] { benchmark::DoNotOptimize(host.Manager->getClassValue(name, property)); });
}
BENCHMARK(BM_getClassValue)->Iterations(200)->Unit(benchmark::kMicrosecond);

// For reference only: against a read of the field itself, the least any property read can cost.
void BM_getClassValueVsField(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string name = host.Object(kPeerObjects - 1);
    TPeerObject* object = LastObject(host);
    RunPair(
        state, "getClassValue_vs_field", kCalls,
        [&] {
            benchmark::DoNotOptimize(object);
            benchmark::DoNotOptimize(object->CountField());
        },
        [&] { benchmark::DoNotOptimize(host.Manager->getClassValue(name, "Count")); });
}
BENCHMARK(BM_getClassValueVsField)->Iterations(50)->Unit(benchmark::kMicrosecond);

// For reference only: a call right after a change of a name, which rebuilds the index.
void BM_getClassValueAfterRename(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string name = host.Object(kPeerObjects - 1);
    TZarixPluginClass* item = host.Last->Classes()->Items(0);
    const std::string own = item->Class_UserName();
    bool renamed = false;
    for (auto _ : state) {
        item->SetClass_UserName((renamed = !renamed) ? own + "_" : own);
        benchmark::DoNotOptimize(host.Manager->getClassValue(name, "Count"));
    }
    item->SetClass_UserName(own);
}
BENCHMARK(BM_getClassValueAfterRename)->Repetitions(5)->ReportAggregatesOnly()->Unit(benchmark::kMicrosecond);

void BM_setClassValue(benchmark::State& state) {
    TPeerHost& host = Calls();
    const std::string name = host.Object(kPeerObjects - 1);
    TPeerObject* object = LastObject(host);
    const Variant value(int32_t{7});
    const std::string property = "Count";
    int32_t direct = 7;
    host.Manager->setClassValue(name, property, Variant(int32_t{8}));
    if (object->Count() != 8) state.SkipWithError("setClassValue did not write the object");
    RunPair(
        state, "setClassValue", kCalls,
        [&] {
            benchmark::DoNotOptimize(object);
            benchmark::DoNotOptimize(direct);
            object->SetCount(direct);
            benchmark::ClobberMemory();
        },
        [&] {
            host.Manager->setClassValue(name, property, value);
            benchmark::ClobberMemory();
        });
}
BENCHMARK(BM_setClassValue)->Iterations(200)->Unit(benchmark::kMicrosecond);

const std::string kMessage = "Połączenie z bazą danych";

void BM_SendMessageBroadcast(benchmark::State& state) {
    TPeerHost& host = Broadcasts();
    if (host.Manager->PluginCount() != 1000) state.SkipWithError("not every plugin was loaded");
    // The same plugins in the same order as the broadcast visits them.
    std::vector<TZarixPlugin*> plugins;
    TStringList* order = host.Manager->PluginPriorities();
    for (int i = 0; i < order->Count(); ++i) plugins.push_back(static_cast<TZarixPlugin*>(order->Objects(i)));
    RunPair(
        state, "SendMessageBroadcast", 20,
        [&] {
            for (TZarixPlugin* plugin : plugins) plugin->OnMessage(pmDBConnectionEstablished, kMessage, kArgs);
        },
        [&] { host.Manager->SendMessageBroadcast(pmDBConnectionEstablished, kMessage, kArgs); });
}
BENCHMARK(BM_SendMessageBroadcast)->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    std::printf("\nmedian CPU time per call, ns (thread clock), and the median of the per-iteration ratios:\n");
    std::printf("%-24s %12s %12s %8s\n", "call", "baseline", "by name", "ratio");
    for (const auto& [name, samples] : gPairs)
        std::printf("%-24s %12.2f %12.2f %8.2f\n", name.c_str(), Median(samples.Base), Median(samples.Subject),
                    MedianRatio(samples));
    std::printf("getClassValue right after a rename (the index rebuilt): %.1f us\n",
                reporter.Time("BM_getClassValueAfterRename"));
    reporter.PrintRatio("method_by_name_vs_std_function", MedianRatio(gPairs["methodByName"]), 5);
    std::printf("methodByName %.1f ns per call\n", Median(gPairs["methodByName"].Subject));
    reporter.PrintRatio("execute_method_3_args_vs_direct_call", MedianRatio(gPairs["ExecuteMethod"]), 10);
    reporter.PrintRatio("get_class_value_vs_getter", MedianRatio(gPairs["getClassValue"]), 12);
    reporter.PrintRatio("set_class_value_vs_setter", MedianRatio(gPairs["setClassValue"]), 12);
    reporter.PrintRatio("broadcast_1000_vs_plain_loop", MedianRatio(gPairs["SendMessageBroadcast"]), 2);
    return 0;
}
