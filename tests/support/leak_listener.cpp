// After each test of every test program: no plugin library left loaded, no component left
// alive, no process-wide callback left installed. What leaked fails the test that leaked it.
#include "leak_check.h"

#include "platform/os/module_unload.h"
#include "platform/rtl/live_components.h"
#include "platform/ui/application.h"
#include "platform/ui/ui_change.h"
#include "services/exception_handler.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <set>
#include <string>

namespace zarix_test {
namespace {

// What the running test said it keeps on purpose.
std::set<std::string> KeptLibraries;
std::size_t KeptComponents = 0;

std::set<std::string> LoadedLibraries() {
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                static_cast<std::set<std::string>*>(data)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

// Only plugin libraries count: the toolkit and the database client load libraries of their own.
bool IsPluginLibrary(const std::string& Path) {
    void* handle = dlopen(Path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    const bool plugin = dlsym(handle, "PluginRegister") != nullptr;
    dlclose(handle);
    return plugin;
}

// What a test may leave behind, as it stands when the state is made.
struct TState {
    std::size_t Components = zarix::LiveComponentCount();
    std::set<std::string> Libraries = LoadedLibraries();
    bool Sink = zarix::ExceptionSinkInstalled();
    bool ChangeHandler = zarix::UIChangeHandlerInstalled();
    zarix::TUIChangeFailureHandler FailureHandler = zarix::UIChangeFailureHandler();
    std::size_t Messages = zarix::Application().PendingMessages();
    std::size_t UnloadObservers = zarix::ModuleUnloadObserverCount();
};

class TLeakListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        KeptLibraries.clear();
        KeptComponents = 0;
        FBefore = TState{};
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        const TState after;
        const auto leaked = [](const std::string& what) { ADD_FAILURE() << "Leaked by this test: " << what; };
        for (const std::string& library : after.Libraries)
            if (!FBefore.Libraries.contains(library) && !KeptLibraries.contains(library) && IsPluginLibrary(library))
                leaked("the plugin library " + library + " is still loaded");
        if (after.Components > FBefore.Components + KeptComponents)
            leaked(std::to_string(after.Components - FBefore.Components) + " component(s) left alive");
        if (after.Sink && !FBefore.Sink) leaked("an exception sink is left installed");
        if (after.ChangeHandler && !FBefore.ChangeHandler) leaked("a UI change handler is left installed");
        if (after.FailureHandler != FBefore.FailureHandler) leaked("the UI change failure handler was replaced and not put back");
        if (after.Messages > FBefore.Messages)
            leaked(std::to_string(after.Messages - FBefore.Messages) + " posted message(s) left unprocessed");
        if (after.UnloadObservers > FBefore.UnloadObservers) leaked("a module unload observer is left installed");
    }

    TState FBefore;
};

// Registered before main runs, in every program that links the test support; placed ahead of
// the result printer, so a leak shows under the test that leaked it.
[[maybe_unused]] const bool kRegistered = [] {
    zarix::Application();  // process-wide, made once: not a leak of whichever test makes it first
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    ::testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer());
    listeners.Append(new TLeakListener);
    if (printer != nullptr) listeners.Append(printer);
    return true;
}();

}  // namespace

void ExpectLibraryKept(const std::string& Path, std::size_t Components) {
    KeptLibraries.insert(Path);
    KeptComponents += Components;
}

}  // namespace zarix_test
