// The one door to the UI thread: worker threads post to the application's queue, which the UI
// thread works off; window handles (made on first request, on any thread, never shared nor
// reused) and captured reports stay whole when threads meet in them.
#include "platform/ui/application.h"

#include "platform/rtl/exceptions.h"
#include "platform/ui/forms.h"
#include "services/exception_handler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

using namespace zarix;

namespace {

constexpr int kThreads = 8;

// Starts kThreads workers on Work(thread index) and joins them all, also when a check fails.
template <class F>
void OnWorkers(F&& Work, const std::function<void()>& WhileRunning = {}) {
    std::atomic<int> running{kThreads};
    std::vector<std::jthread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&, t] {
            Work(t);
            --running;
        });
    while (WhileRunning && running > 0) WhileRunning();
}

}  // namespace

TEST(ApplicationThreads, MessagesFromManyThreadsRunOnceEachOnTheUIThreadInTheOrderEachThreadPosted) {
    constexpr int kMessages = 10000;
    TApplication& application = Application();
    ASSERT_TRUE(application.IsUIThread());
    std::vector<std::vector<int>> received(kThreads);
    std::atomic<bool> offThread{false};
    const auto drain = [&] { application.ProcessMessages(); };
    OnWorkers(
        [&](int t) {
            for (int i = 0; i < kMessages; ++i)
                application.Queue([&, t, i] {
                    if (!application.IsUIThread()) offThread = true;
                    received[static_cast<std::size_t>(t)].push_back(i);
                });
        },
        drain);
    drain();
    EXPECT_FALSE(offThread);
    for (const std::vector<int>& one : received) {
        ASSERT_EQ(one.size(), static_cast<std::size_t>(kMessages));
        for (int i = 0; i < kMessages; ++i) ASSERT_EQ(one[static_cast<std::size_t>(i)], i);
    }
}

TEST(ApplicationThreads, HandlesAreMadeOnFirstRequestOnAnyThreadNeverSharedNorReusedAndReportsAreAllKept) {
    constexpr int kPerThread = 200;
    std::vector<std::unique_ptr<TForm>> forms;
    for (int i = 0; i < kThreads * kPerThread; ++i) forms.push_back(std::make_unique<TForm>(nullptr));
    EXPECT_FALSE(forms.back()->HandleAllocated());
    std::vector<THandle> handles(forms.size());
    TCapturingExceptionSink sink;
    OnWorkers([&](int t) {
        for (int i = t * kPerThread; i < (t + 1) * kPerThread; ++i) {
            handles[static_cast<std::size_t>(i)] = forms[static_cast<std::size_t>(i)]->Handle();
            ZarixExceptionHandler(Exception("z wątku"), "worker", Here());
        }
    });
    std::set<THandle> seen(handles.begin(), handles.end());
    EXPECT_EQ(std::tuple(seen.size(), seen.contains(0), sink.Reports().size()), std::tuple(handles.size(), false, handles.size()));
    EXPECT_EQ(forms.front()->Handle(), handles.front());  // asked again: the same one
    forms.clear();  // later forms may get the addresses just freed, never the handles
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(seen.insert(TForm(nullptr).Handle()).second);
}
