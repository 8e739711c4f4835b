// Finding, loading, checking, initialising and unloading plugin libraries.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "manager/plugin_code_guard.h"
#include "manager/plugin_object_check.h"
#include "platform/os/file_enum.h"
#include "platform/os/library_check.h"
#include "platform/os/callback_owner.h"
#include "platform/os/module_info.h"
#include "platform/os/module_unload.h"
#include "platform/os/version_resource.h"
#include "platform/rtl/strings.h"
#include "platform/ui/application.h"
#include "platform/ui/ui_change.h"
#include "plugin/plugin_utils.h"
#include "services/exception_handler.h"
#include "services/exception_manager.h"
#include "services/log_point.h"
#include "services/singleton.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zarix {

namespace {

[[noreturn]] void RaiseListIndex(int index) {
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

// Ten digits, so that sorting the texts sorts the priorities.
std::string PriorityKey(uint8_t priority) {
    std::string digits = IntToStr(priority);
    return std::string(10 - digits.size(), '0') + digits;
}

struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
};

// The file a path leads to, through any symbolic links; nothing when it cannot be reached, and
// the loader then says why.
std::optional<TFileIdentity> IdentityOf(const std::string& Path) {
    struct stat info{};
    if (::stat(Path.c_str(), &info) != 0) return std::nullopt;
    return TFileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

// The "FileVersion" of a version block's first translation, as GetVersionInfoString reads it.
std::string FileVersionOf(const std::vector<std::byte>& Block) {
    const auto size = static_cast<uint32_t>(Block.size());
    const std::vector<TVerTranslation> translations = VerQueryTranslations(Block.data(), size);
    if (translations.empty()) return {};
    return VerQueryString(Block.data(), size, VerStringPath(translations.front(), "FileVersion")).value_or(std::string());
}

// Which of Plugin's dependencies the loaded plugins fail, for the log.
std::string UnmetDependencies(const TZarixPlugin& Plugin, const std::vector<TZarixPlugin*>& Plugins) {
    std::string text = "plugin " + Plugin.GetPluginName() + ": unloaded, dependencies not met:";
    for (const TPluginDependency& dependency : Plugin.PluginDependencies())
        for (const TZarixPlugin* plugin : Plugins)
            if (plugin->GetPluginName() == dependency.PluginName &&
                VersionCompare(plugin->Version(), dependency.RequiredVersion) == "<")
                text += " " + dependency.PluginName + " " + ZarixRecordText(plugin->Version()) + " is older than " +
                        ZarixRecordText(dependency.RequiredVersion) + ";";
    return text;
}

std::string SameLibraryMessage(const std::string& Second, const std::string& First) {
    return Second == First ? Second + ": this library is already loaded" : Second + ": the same library as " + First;
}

}  // namespace

const TZarixPluginManager::TLibraryFile* TZarixPluginManager::FindLibraryFile(uint64_t Device, uint64_t Inode) const {
    for (const TLibraryFile& file : FLibraryFiles)
        if (file.Device == Device && file.Inode == Inode) return &file;
    return nullptr;
}

const TZarixPluginManager::TLibraryFile* TZarixPluginManager::LibraryFileOf(uintptr_t Handle) const {
    // From the end: the library asked about is mostly the one loaded last, or the next to go.
    const auto at = std::find_if(FLibraryFiles.rbegin(), FLibraryFiles.rend(),
                                 [Handle](const TLibraryFile& file) { return file.Handle == Handle; });
    return at == FLibraryFiles.rend() ? nullptr : &*at;
}

std::optional<std::string> TZarixPluginManager::LoadedAs(const std::string& Filename) const {
    if (FLibraryFiles.empty()) return std::nullopt;
    const std::optional<TFileIdentity> identity = IdentityOf(Filename);
    const TLibraryFile* file = identity ? FindLibraryFile(identity->Device, identity->Inode) : nullptr;
    return file ? std::optional<std::string>(file->Path) : std::nullopt;
}

void TZarixPluginManager::CheckNotDesigning() const {
    if (IsDesigning()) throw EPluginError("Plugins are not loaded in design mode");
}

std::vector<std::string> TZarixPluginManager::FindPluginFiles() const {
    const std::string folder =
        IncludeTrailingPathDelimiter(FPluginFolder.empty() ? ExtractFilePath(Application().ExeName()) : FPluginFolder);
    std::vector<std::string> files = FindFiles(folder, "*." + GetExtension());
    for (std::string& file : files) file = folder + file;
    Log(lcLoad, [&] { return "folder " + folder + ": " + std::to_string(files.size()) + " file(s) match *." + GetExtension(); });
    return files;
}

void TZarixPluginManager::LoadPlugins() {
    ZARIX_ASSERT_UI_THREAD();
    CheckNotDesigning();
    for (const std::string& file : FindPluginFiles()) {
        // The loader maps one file once, whatever it is called: a second name would only give
        // the same plugin component a second record, and a second run loads nothing new. Which
        // one it is, is asked only after LoadPlugin refused it, so a run pays nothing for it.
        const std::size_t held = FLibraryFiles.size();
        try {
            LoadPlugin(file, false);
        } catch (const EPluginError&) {
            const std::optional<std::string> first = FLibraryFiles.size() == held ? LoadedAs(file) : std::nullopt;
            if (!first) throw;
            if (*first != file)
                ZarixExceptionHandler(EPluginError(SameLibraryMessage(file, *first)), "TZarixPluginManager.LoadPlugins",
                                      Here());
        }
    }
    RebuildPriorities();
    InitializePlugins();
}

void TZarixPluginManager::RebuildPriorities() {
    ZARIX_ASSERT_UI_THREAD();
    CheckNotDesigning();
    FPluginPriorities->Clear();
    for (TZarixPlugin* plugin : FPlugins) FPluginPriorities->AddObject(PriorityKey(plugin->PluginPriority()), plugin);
    FPluginPriorities->Sort();  // stable: equal priorities keep their load order
}

void TZarixPluginManager::InitializePlugins() {
    ZARIX_ASSERT_UI_THREAD();
    CheckNotDesigning();
    // Each entry with its plugin's place, found in one pass rather than one search per entry:
    // a walk over a thousand plugins would otherwise be quadratic.
    std::unordered_map<const TObject*, std::size_t> places;
    places.reserve(FPlugins.size());
    for (std::size_t i = 0; i < FPlugins.size(); ++i) places.try_emplace(FPlugins[i], i);
    constexpr std::size_t kNoPlugin = SIZE_MAX;
    std::vector<std::pair<TObject*, std::size_t>> order;
    order.reserve(static_cast<std::size_t>(FPluginPriorities->Count()));
    for (int i = 0; i < FPluginPriorities->Count(); ++i) {
        TObject* entry = FPluginPriorities->Objects(i);
        const auto place = places.find(entry);
        order.emplace_back(entry, place == places.end() ? kNoPlugin : place->second);
    }
    const uint64_t generation = LateBoundGeneration();
    for (const auto& [entry, place] : order) {
        // While no plugin came or went (nor any list of theirs changed), every entry is where
        // the walk found it.
        if (LateBoundGeneration() == generation) {
            if (place != kNoPlugin) InitializePlugin(static_cast<int>(place));
            continue;
        }
        // A plugin unloaded earlier in this walk (its dependency check failed) has lost its
        // entry and is passed over.
        if (FPluginPriorities->IndexOfObject(entry) < 0) continue;
        const auto at = std::find(FPlugins.begin(), FPlugins.end(), entry);
        if (at != FPlugins.end()) InitializePlugin(static_cast<int>(at - FPlugins.begin()));
    }
}

void TZarixPluginManager::LoadPlugin(const std::string& Filename, bool WithInitialize) try {
    ZARIX_ASSERT_UI_THREAD();
    CheckNotDesigning();
    TLogStages stages(lcLoad);
    MarkStage(TProbeStage::psCheck);
    // Before any of the library's code runs: a file the loader cannot map whole, or one built
    // against another ABI, is refused here rather than crashing the host later.
    // What it learned (the file's identity, its version block) spares a second read of the file.
    const TCheckedLibrary checked = CheckLibraryBeforeLoad(Filename, FAllowUnstampedPlugins);
    const std::optional<TFileIdentity> identity = TFileIdentity{checked.Device, checked.Inode};
    if (identity)
        if (const TLibraryFile* first = FindLibraryFile(identity->Device, identity->Inode))
            throw EPluginError(SameLibraryMessage(Filename, first->Path));
    stages.Done([&] { return Filename + ": checked before loading"; });
    TriggerBeforeLoadingEvent(ChangeFileExt(Filename, ""));
    const std::string shortName = ExtractFileName(Filename);
    MarkStage(TProbeStage::psStartUp);
    TLibrary library = TLibrary::Load(Filename);
    // A library that fails after this point stays loaded but unrecorded: its plugin component
    // and whatever its start-up code registered may still be in use, so it is kept for the life
    // of the process rather than unloaded under them.
    struct KeepUnrecorded {
        TLibrary& Library;
        ~KeepUnrecorded() { Library.Release(); }
    } keep{library};
    if (!library) throw EPluginError("Błąd podczas ładowania Pluginu \"" + shortName + "\"");
    if (identity) FLibraryFiles.push_back({identity->Device, identity->Inode, Filename, library.Handle()});
    stages.Done([&] { return Filename + ": loaded, start-up code run"; });

    MarkStage(TProbeStage::psRegister);
    const auto registerProc = reinterpret_cast<TPluginRegisterProc>(library.Resolve("PluginRegister"));
    if (registerProc == nullptr) throw EPluginError("\"" + shortName + "\" nie jest pluginem programu Zarix.");
    TZarixPlugin* plugin = GuardPluginCall(shortName, "PluginRegister", registerProc);
    if (plugin == nullptr) {
        // Nothing to record, and no error by the manager's contract; the host still hears of it.
        ZarixExceptionHandler(EPluginError(shortName + ": PluginRegister returned no plugin; the library stays loaded, "
                                                       "no plugin is recorded"),
                              "TZarixPluginManager.LoadPlugin", Here());
        Log(lcLoad, [&] { return Filename + ": PluginRegister returned no plugin, nothing recorded"; });
        return;
    }
    const std::optional<uintptr_t> bias = library.LoadBias();
    const TLoadedImage image = bias ? TLoadedImage{*bias, checked.Readable} : TLoadedImage{};
    if (const std::optional<std::string> what = WhyNotAPluginObject(plugin, image))
        throw EPluginError(shortName + ": PluginRegister returned " + *what + ", not a TZarixPlugin");
    CurrentPluginName = plugin->GetPluginName();
    stages.Done([&] { return Filename + ": registered plugin " + CurrentPluginName; });
    if (plugin->PluginPriority() == 0)
        throw EPluginError("\"" + shortName + "\": nie ma określonego priorytetu ładowania.");
    ReadPluginVersion(*plugin, Filename, checked.VersionBlock);
    stages.Done([&] { return Filename + ": version " + ZarixRecordText(plugin->Version()); });
    plugin->DBInterface = DBInterface;
    plugin->SkinProvider = FSkinProvider;
    MarkStage(TProbeStage::psInitialize);
    const std::string who = shortName + " (plugin " + CurrentPluginName + ")";
    if (!GuardPluginCall(who, "Initialize", [&] { return plugin->Initialize(this, &Application(), shortName); }))
        throw EPluginError("\"" + Filename + "\" - inicjalizacja nie wykonana.");

    stages.Done([&] { return Filename + ": initialized"; });
    // Room for both before either grows, so the two lists cannot end up of different lengths.
    if (FPlugins.size() == FPlugins.capacity()) FPlugins.reserve(2 * FPlugins.size() + 8);
    if (FLibraries.size() == FLibraries.capacity()) FLibraries.reserve(2 * FLibraries.size() + 8);
    const uintptr_t handle = library.Handle();
    FPlugins.push_back(plugin);
    FLibraries.push_back(std::move(library));
    PluginsChanged();

    if (FExceptionManager) FExceptionManager->AddModuleInfo(ChangeFileExt(Filename, ".map"), handle);
    TZarixPluginCommands* commands = plugin->Commands();
    for (int i = 0; i < commands->Count(); ++i) {
        const TZarixPluginCommand* command = commands->Items(i);
        TriggerOnNewCommandProc(command->Caption(), command->Hint(), command->Data(), command->ImageIndex(),
                                command->OnExecute());
    }
    if (TZarixMDIContainer* container = FMDIContainer.Get()) {
        // Declared windows join the registry as top-level windows, cascaded, without an icon.
        TZarixPluginMDIForms* forms = plugin->MDIForms();
        for (int i = 0; i < forms->Count(); ++i) {
            TForm* form = forms->Items(i)->MDIForm();
            if (form != nullptr) container->AddMDIForm(form, form->Height(), form->Width(), nullptr, 0, alCascade, -1);
        }
    }
    if (WithInitialize) InitializePlugin(GetPluginCount() - 1);
    MarkStage(TProbeStage::psDone);
    TriggerAfterLoadingEvent();
} catch (const std::exception& e) {
    Log(lcLoad, [&] { return Filename + ": refused: " + e.what(); });
    throw;
}

void TZarixPluginManager::ReadPluginVersion(TZarixPlugin& Plugin, const std::string& Filename,
                                            const std::vector<std::byte>& Block) const {
    // The conversion error stays the error of a missing or malformed version, as callers catch
    // it; the message says which file and what is wrong with it.
    const std::string shortName = ExtractFileName(Filename);
    const std::string text = Block.empty() ? GetVersionInfoString(Filename, "FileVersion") : FileVersionOf(Block);
    if (text.empty()) throw EConvertError(shortName + ": the version resource is missing (no FileVersion)");
    try {
        Plugin.SetVersion(VersionParser(text));
    } catch (const EConvertError& e) {
        throw EConvertError(shortName + ": FileVersion \"" + text + "\" is not a dotted version: " + e.Message());
    }
}

bool TZarixPluginManager::CheckDependencies(const TPluginDependencies& Dependencies) const {
    // The plugins of each needed name come from the call index, which holds every plugin of a
    // name (a to z in any case; this check wants the name exactly): checking every plugin of
    // a folder against every loaded one was the one step of loading that grew with their count.
    bool result = true;
    for (const TPluginDependency& dependency : Dependencies)
        for (int at = FCallIndex->FirstPlugin(FPlugins, dependency.PluginName); at >= 0; at = FCallIndex->PluginAt(at).Next) {
            const TZarixPlugin* plugin = FCallIndex->PluginAt(at).Entry;
            if (plugin->GetPluginName() == dependency.PluginName &&
                VersionCompare(plugin->Version(), dependency.RequiredVersion) == "<")
                result = false;
        }
    return result;
}

bool TZarixPluginManager::CheckBeforeLoadPlugin(const TZarixPlugin* Plugin) const {
    return CheckDependencies(Plugin->PluginDependencies());
}

void TZarixPluginManager::InitializePlugin(int index) {
    ZARIX_ASSERT_UI_THREAD();
    if (index < 0 || index >= GetPluginCount()) RaiseListIndex(index);
    const auto position = static_cast<std::size_t>(index);
    TLogStages stages(lcLoad);
    if (!CheckBeforeLoadPlugin(FPlugins[position])) {
        Log(lcLoad, [&] { return UnmetDependencies(*FPlugins[position], FPlugins); });
        UnloadPlugin(index);
        return;
    }
    stages.Done([&] { return "plugin " + FPlugins[position]->GetPluginName() + ": dependencies met"; });
    MarkStage(TProbeStage::psPluginInitialize);
    const TLibrary& library = FLibraries[position];
    if (library.Handle() > 0)
        if (const auto init = reinterpret_cast<TPluginInitializeProc>(library.Resolve("PluginInitialize"))) {
            const TLibraryFile* file = LibraryFileOf(library.Handle());
            const std::string who = (file ? ExtractFileName(file->Path) : std::string("?")) + " (plugin " +
                                    FPlugins[position]->GetPluginName() + ")";
            GuardPluginCall(who, "PluginInitialize", init);
            stages.Done([&] { return who + ": PluginInitialize run"; });
        }
}

namespace {

constexpr const char* kUnloadContext = "TZarixPluginManager.UnloadPlugin";

// Runs one step of taking a plugin apart. What it raises is reported and the unload goes on:
// false tells the caller the step did not finish.
template <class F>
bool UnloadStep(F&& Step) noexcept {
    try {
        Step();
        return true;
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), kUnloadContext, Here());
        return false;
    }
}

void ReportLibraryKept(const std::string& File, const char* Reason, const TCodeLocation& Where) noexcept {
    try {
        ZarixExceptionHandler(EPluginError("Plugin library \"" + File + "\" " + Reason), kUnloadContext, Where);
    } catch (...) {
    }
}


}  // namespace

void TZarixPluginManager::RevokeCallbacksOf(const TLibrary& Library, const std::string& File) {
    // Whatever of the library's code the process keeps to call later goes while the component
    // and the code are still there: a sink may reach into the component, and destroying a
    // callable runs code of the library that built it.
    const void* module = ModuleOfHandle(Library.Handle());
    if (module == nullptr) return;
    RevokeExceptionSinksOf(module);
    RevokeLogSinksOf(module);
    RevokeUIChangeHandlersOf(module);
    Application().RevokeMessagesOf(module);
    const auto revoke = [module](auto& handler) {
        if (OwnerOfCallback(handler, nullptr).BelongsTo(module)) handler = nullptr;
    };
    revoke(FOnBeforeLoading);
    revoke(FOnAfterLoading);
    revoke(FOnNewCommand);
    revoke(OnMenuMustRefresh);
    revoke(OnToolBarMustRefresh);
    revoke(OnMainCaptionRefresh);
    NotifyModuleUnload(TModuleUnload{module, Library.Handle(), File}, [](std::exception_ptr Error) noexcept {
        ZarixExceptionHandler(Error, "TZarixPluginManager.UnloadPlugin: module unload observer", Here());
    });
}

void TZarixPluginManager::ForgetModule(const TLibrary& Library) {
    // Everything that could still lead into the library's code goes before the library does.
    const void* module = ModuleOfHandle(Library.Handle());
    if (FExceptionManager) FExceptionManager->RemoveModuleInfo(Library.Handle());
    ReleaseSingletonsOfModule(module);
    UnRegisterClassesWhere([module](TClass cls) {
        const auto owner = ModuleOfAddress(cls);
        return owner && owner->Module == module;
    });
}

void TZarixPluginManager::ForgetPriorityOf(const TZarixPlugin* Plugin) noexcept {
    if (!FPluginPriorities) return;
    // From the end: plugins go last loaded first, and their entries are mostly at the end.
    for (int entry = FPluginPriorities->Count() - 1; entry >= 0; --entry) {
        if (FPluginPriorities->Objects(entry) != Plugin) continue;
        FPluginPriorities->Delete(entry);
        return;
    }
}

void TZarixPluginManager::UnloadPlugin(int index) {
    ZARIX_ASSERT_UI_THREAD();
    if (index < 0 || index >= GetPluginCount()) RaiseListIndex(index);
    if (TZarixPlugin* asked = FPlugins[static_cast<std::size_t>(index)];
        std::find(FInHandler.begin(), FInHandler.end(), asked) != FInHandler.end()) {
        // Its handler is still running and would return into an unmapped library.
        if (!IsUnloadDeferred(asked)) FDeferredUnloads.emplace_back(asked);
        return;
    }
    // Out of every list first, none of which can fail: whatever happens below, no call of the
    // manager's reaches the plugin again.
    const auto position = static_cast<std::ptrdiff_t>(index);
    TZarixPlugin* plugin = FPlugins[static_cast<std::size_t>(index)];
    TLibrary library = std::move(FLibraries[static_cast<std::size_t>(index)]);
    FPlugins.erase(FPlugins.begin() + position);
    FLibraries.erase(FLibraries.begin() + position);
    if (FBroadcastDepth > 0) {
        try {
            FUnloadedInBroadcast.push_back(plugin);
        } catch (...) {
            // Without the list the open walks ask FPlugins instead, which is slower but as safe.
            FUnloadedListIncomplete = true;
        }
    }
    PluginsChanged();
    ForgetPriorityOf(plugin);
    // Each register is paired with one destroy; the component goes with the last of them.
    const auto destroy = reinterpret_cast<TPluginDestroyProc>(library.Resolve("PluginDestroy"));
    // A library is recorded once (LoadPlugin refuses a second name of it), so this entry holds
    // the manager's only share of it.
    const uintptr_t handle = library.Handle();
    const bool viewsCut = UnloadStep([&] { ForgetCommandsOf(*plugin); }) &&
                          UnloadStep([&] { RevokeCallbacksOf(library, FileOf(handle)); });
    // The component goes while its code is still there; a library built without the destroy
    // entry frees it itself as it unloads. Not when cutting failed: a view may still run it.
    const bool destroyed = viewsCut && destroy != nullptr;
    if (destroyed) destroy();
    const bool cut = UnloadStep([&] { ForgetModule(library); }) && viewsCut;
    // The record's path is the name the loader knows the library by: it was loaded under it.
    // Moved out, not copied, since nothing here may fail for want of memory.
    std::string file;
    const auto record = std::find_if(FLibraryFiles.rbegin(), FLibraryFiles.rend(),
                                     [handle](const TLibraryFile& r) { return r.Handle == handle; });
    if (record != FLibraryFiles.rend()) {
        file = std::move(record->Path);
        FLibraryFiles.erase(std::next(record).base());
    } else {
        UnloadStep([&] {
            if (const auto module = ModuleOfAddress(library.Resolve("PluginRegister"))) file = module->Path;
            else if (!destroyed) file = plugin->Filename();
        });
    }
    if (!cut) {
        library.Release();
        ReportLibraryKept(file, "stays loaded: it could not be cut off from everything that leads into it",
                          Here());
        return;
    }
    const unsigned long long unmappedBefore = LibrariesUnmappedCount();
    library.Unload();
    // The loader's own count first: asking it by file name costs a search of every library.
    if (LibrariesUnmappedCount() == unmappedBefore && !file.empty() && IsLibraryLoaded(file))
        ReportLibraryKept(file, "is still loaded after unloading: something holds it (a unique symbol, or a handle "
                                "of its own), so its code and data stay in memory",
                          Here());
}

}  // namespace zarix
