// The window registry with 100, 1,000 and 4,000 windows: registering them, a lookup over all of
// them, rebuilding the tree and closing one window in the middle, each against the same number
// of plain tree-node insertions in the same run.
#include "bench_ratio.h"

#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/application.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zarix;

class TBenchWindow : public TZarixMdiForm, public IMDIInterface {
public:
    using TZarixMdiForm::TZarixMdiForm;
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return true; }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}
};

// A frame, a tree with the host's first node, a container, and `count` windows registered in
// families of ten: one top-level window with nine children.
struct TSession {
    explicit TSession(int count) {
        Tree->Items()->Add(nullptr, "Okna");
        Container->SetActiveWindows(Tree);
        for (int i = 0; i < count; ++i) Windows.push_back(new TBenchWindow(&Owner));
    }
    void RegisterAll() {
        for (std::size_t i = 0; i < Windows.size(); ++i) {
            TForm* parent = i % 10 == 0 ? nullptr : Windows[i - i % 10];
            Container->AddMDIForm(Windows[i], 300, 400, parent, static_cast<int32_t>(i), alNotAligned, 1);
            Windows[i]->Show();
        }
    }
    TComponent Owner{nullptr};
    TTreeView* Tree = new TTreeView(&Owner);
    TZarixMDIContainer* Container = new TZarixMDIContainer(&Owner);
    std::vector<TBenchWindow*> Windows;
};

void BM_PlainTreeNodes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TTreeView>(nullptr);
        state.ResumeTiming();
        TTreeNode* family = nullptr;
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 0) family = tree->Items()->Add(nullptr, "Okno");
            else tree->Items()->AddChild(family, "Okno");
        }
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}

void BM_AddMDIForm(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<TSession>(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        session->RegisterAll();
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}

void BM_IsMDIFormAskAll(benchmark::State& state) {
    TSession session(static_cast<int>(state.range(0)));
    session.RegisterAll();
    for (auto _ : state) benchmark::DoNotOptimize(session.Container->IsMDIForm(nullptr, "TBenchWindow", 5, askAll));
}

void BM_RebuildTree(benchmark::State& state) {
    TSession session(static_cast<int>(state.range(0)));
    session.RegisterAll();
    for (auto _ : state) session.Container->RebuildTree();
}

void BM_CloseMiddleWindow(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<TSession>(static_cast<int>(state.range(0)));
        session->RegisterAll();
        TBenchWindow* middle = session->Windows[session->Windows.size() / 2 + 1];
        state.ResumeTiming();
        middle->Close();
        Application().ProcessMessages();
        state.PauseTiming();
        session.reset();
        state.ResumeTiming();
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int n : {100, 1000, 4000}) b->Arg(n);
    b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

BENCHMARK(BM_PlainTreeNodes)->Apply(Sizes);
BENCHMARK(BM_AddMDIForm)->Apply(Sizes);
BENCHMARK(BM_IsMDIFormAskAll)->Apply(Sizes);
BENCHMARK(BM_RebuildTree)->Apply(Sizes);
BENCHMARK(BM_CloseMiddleWindow)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
    TRatioReporter reporter;
    RunWithRatios(argc, argv, reporter);
    // What each operation must walk: registering a window looks for its parent among all
    // entries, rebuilding compares every pair of entries, closing rebuilds; a lookup over all
    // windows walks them once. Each growth is printed against the growth of that walk.
    struct TOperation {
        const char* Name;
        bool Quadratic;
    };
    const TOperation ops[] = {{"BM_AddMDIForm", true}, {"BM_IsMDIFormAskAll", false}, {"BM_RebuildTree", true},
                              {"BM_CloseMiddleWindow", true}};
    const int sizes[] = {100, 1000, 4000};
    std::printf("\nagainst as many plain tree-node insertions (x), growth per size step, and that growth over the\n"
                "growth of the walk the operation has to make (1.00 = grows exactly as its walk):\n");
    std::printf("%-22s %9s %9s %9s %9s %9s %9s %9s\n", "operation", "x 100", "x 1000", "x 4000", "1000/100", "4000/1000",
                "vs walk", "vs walk");
    for (const TOperation& op : ops) {
        double t[3], base[3];
        for (int i = 0; i < 3; ++i) {
            t[i] = reporter.Time(std::string(op.Name) + "/" + std::to_string(sizes[i]) + "/real_time");
            base[i] = reporter.Time("BM_PlainTreeNodes/" + std::to_string(sizes[i]) + "/real_time");
        }
        const double walk1 = op.Quadratic ? 100.0 : 10.0, walk2 = op.Quadratic ? 16.0 : 4.0;
        const double g1 = t[1] / t[0], g2 = t[2] / t[1];
        std::printf("%-22s %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f %9.2f\n", op.Name, t[0] / base[0], t[1] / base[1],
                    t[2] / base[2], g1, g2, g1 / walk1, g2 / walk2);
        reporter.PrintRatio(std::string("growth_over_walk_") + (op.Name + 3), std::max(g1 / walk1, g2 / walk2), 1.5);
    }
    return 0;
}
