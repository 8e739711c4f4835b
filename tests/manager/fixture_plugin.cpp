// One source for every fixture plugin; compile definitions choose how it behaves:
// FIXTURE_NAME, FIXTURE_PRIORITY, FIXTURE_DEPENDS ("Name=1.2.0.0"), FIXTURE_COMMANDS,
// FIXTURE_NO_REGISTER, FIXTURE_REGISTER_NULL, FIXTURE_REGISTER_THROWS, FIXTURE_INIT_FALSE,
// FIXTURE_NO_INITIALIZE; and the hostile ones: FIXTURE_START_THROWS (what to throw),
// FIXTURE_REGISTER_THROWS_INT, FIXTURE_INITIALIZE_THROWS_INT, FIXTURE_REGISTER_RETURNS (a kind
// of non-plugin, see below), FIXTURE_REGISTER_CRASHES, FIXTURE_INITIALIZE_HANGS.
#include "journal.h"

#include "manager/ZarixPluginManager.h"
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "plugin/zarixplugin.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

#ifndef FIXTURE_PRIORITY
#define FIXTURE_PRIORITY 10
#endif
#ifndef FIXTURE_COMMANDS
#define FIXTURE_COMMANDS 0
#endif

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace zarix;

ZARIX_ENUM(TFixtureMode, fmOff, fmOn)

// Routines other plugins call by name through ExecuteMethod; each notes the words it got.
std::string Word(uintptr_t w) { return std::to_string(static_cast<intptr_t>(w)); }
void Zero(TVarRec*) { JournalAdd(std::string("zero:") + FIXTURE_NAME); }
void Two(uintptr_t a, uintptr_t b, TVarRec* result) {
    JournalAdd(std::string("two:") + FIXTURE_NAME + ":" + Word(a) + ":" + Word(b));
    *result = TVarRec(static_cast<int32_t>(a + b));
}
void Three(uintptr_t a, uintptr_t b, uintptr_t c, TVarRec* result) {
    JournalAdd(std::string("three:") + FIXTURE_NAME + ":" + Word(a) + ":" + Word(b) + ":" +
               *reinterpret_cast<const std::string*>(c));
    *result = TVarRec(true);
}
void Boom(TVarRec*) { throw Exception("awaria"); }
// The plugin of this library, for the routine that unloads it.
TZarixPlugin* Self = nullptr;
// Asks the manager of this library's plugin to unload a plugin, maybe this one, from this code.
void Unload(const TZarixPlugin* plugin) {
    auto& manager = static_cast<TZarixPluginManager&>(*Self->Manager());
    for (int i = 0; i < manager.PluginCount(); ++i)
        if (manager.GetPlugins(i) == plugin) return manager.UnloadPlugin(i);
}
void QuitRoutine(TVarRec* result) {
    Unload(Self);
    *result = TVarRec(true);
}

// The object every fixture exposes under "Ustawienia" (settings).
class TFixtureSettings : public TPersistent {
    ZARIX_CLASS(TFixtureSettings, TPersistent)
    int32_t FCount = 0;
    TFixtureMode FMode = fmOff;
    std::string FLabel = FIXTURE_NAME;
    int32_t Broken() const { throw Exception("odczyt niemożliwy"); }
};
ZARIX_DEFINE_CLASS(TFixtureSettings, ZARIX_PROPERTY(Count, FCount, FCount), ZARIX_PROPERTY(Mode, FMode, FMode),
                   ZARIX_PROPERTY(Label, FLabel, FLabel), ZARIX_PROPERTY(Broken, Broken))

class TFixturePlugin : public TZarixPlugin {
    ZARIX_CLASS(TFixturePlugin, TZarixPlugin)
    explicit TFixturePlugin(TComponent* owner) : TZarixPlugin(owner) {
        std::string component = std::string("Fixture_") + FIXTURE_NAME;
        std::ranges::replace(component, ' ', '_');
        SetName(component);
        SetPluginName(FIXTURE_NAME);
        SetPluginPriority(FIXTURE_PRIORITY);
        SetVersion(TVersion{9, 9, 9, 9});  // the manager must overwrite it from the file
#ifdef FIXTURE_DEPENDS
        const std::string depends = FIXTURE_DEPENDS;
        const auto eq = depends.find('=');
        AddDependency(depends.substr(0, eq), depends.substr(eq + 1));
#endif
        // Commands whose handlers live in this library: "<name> <n>" under "Fixture", on the
        // toolbar, guarded by the privilege "<NAME>_<n>".
        for (int i = 0; i < FIXTURE_COMMANDS; ++i) {
            const std::string n = std::to_string(i + 1);
            const std::string caption = std::string(FIXTURE_NAME) + " " + n;
            AddCommand(true, caption, "hint " + n, "5|" + n, "Fixture|" + caption,
                       [caption](TObject*) { JournalAdd("execute:" + caption); }, GetPluginName() + "_" + n, i, true,
                       i, caption);
            Commands()->Items(i)->SetData("data " + n);
        }
#ifdef FIXTURE_MDI_FORM
        // A window the plugin declares; it belongs to the plugin and goes with it.
        auto* window = new TZarixMdiForm(this);
        window->SetName("Okno");
        window->SetBounds(0, 0, 333, 222);
        TZarixPluginMDIForm* descriptor = MDIForms()->Add();
        descriptor->SetName("Okno");
        descriptor->SetMDIForm(window);
#endif
        AddMethod("Zero", &Zero);
        AddMethod("Dwa", &Two);
        AddMethod("Trzy", &Three);
        AddMethod("Boom", &Boom);
        AddMethod(std::string("Koniec") + FIXTURE_NAME, &QuitRoutine);  // "the end"
        Self = this;
        Settings.FCount = FIXTURE_PRIORITY;
        AddClass("Ustawienia", &Settings);
    }

    /// Published: other plugins call it by name.
    Variant Describe(TConstArray args, TForm*) {
        return Variant(std::string(FIXTURE_NAME) + ":" + std::to_string(args.size()));
    }
    Variant Fail(TConstArray, TForm*) { throw Exception("zepsute"); }
    /// Published: unloads this plugin from its own code.
    Variant Quit(TConstArray, TForm*) {
        Unload(this);
        return Variant(true);
    }
    /// Published: broadcasts the text given (a C string) through this plugin's own component.
    Variant Shout(TConstArray args, TForm*) {
        SendMessageBroadcast(pmCustom, args[0].VPChar, {});
        return Variant(true);
    }

    void OnMessage(TPluginMessagesTypes kind, const std::string& text, TConstArray args) override {
        JournalAdd(std::string("message:") + FIXTURE_NAME + ":" + ZarixEnumInfo(kind).NameOf(kind) + ":" + text + ":" +
                   std::to_string(args.size()));
#ifdef FIXTURE_THROW_ON_PROC
        if (kind == pmDBProcRequired) throw Exception("procedury nie przeszły");
#endif
        // "<this plugin> calls while listing" makes its routine list call by name as it is read.
        if (kind == pmCustom && text == std::string(FIXTURE_NAME) + " calls while listing") FCallWhileListing = true;
        // "<this plugin> unloads <name>" asks the manager to unload that plugin, maybe this one.
        const std::string order = std::string(FIXTURE_NAME) + " unloads ";
        if (kind == pmCustom && text.rfind(order, 0) == 0)
            Unload(static_cast<TZarixPluginManager&>(*Manager()).getPluginByName(text.substr(order.size())));
    }

    TZarixPluginMethods* GetMethods() const override {
        if (FCallWhileListing) static_cast<TZarixPluginManager&>(*Manager()).ExecuteMethod("zero", {});
        return TZarixPlugin::GetMethods();
    }
    bool FCallWhileListing = false;

    TFixtureSettings Settings;
    ~TFixturePlugin() override { JournalAdd(std::string("destroy:") + FIXTURE_NAME); }

    bool Initialize(TComponent* manager, TApplication* app, const std::string& file) override {
        TZarixPlugin::Initialize(manager, app, file);
#ifdef FIXTURE_INIT_FALSE
        return false;
#else
        return true;
#endif
    }
};
ZARIX_DEFINE_CLASS(TFixturePlugin, ZARIX_METHOD(Describe), ZARIX_METHOD(Fail), ZARIX_METHOD(Quit), ZARIX_METHOD(Shout))

#ifdef FIXTURE_START_THROWS
// Start-up code that throws what no host expects.
struct TThrowsAtStart {
    TThrowsAtStart() { throw FIXTURE_START_THROWS; }
} gThrowsAtStart;
#endif

#ifdef FIXTURE_REGISTER_RETURNS
// What a broken PluginRegister hands out instead of a plugin: 1 another reflected object, 2
// constants in read-only memory, 3 an address nothing is mapped at, 4 zeroed writable memory, 5 an
// object of a class outside the object model.
TZarixPlugin* NotAPlugin() {
    static TFixtureSettings settings;
    static std::runtime_error error("not a plugin");
    static uintptr_t zeros[8] = {};
    static const uintptr_t constants[2] = {1, 2};
    switch (FIXTURE_REGISTER_RETURNS) {
        case 1: return reinterpret_cast<TZarixPlugin*>(&settings);
        case 2: return reinterpret_cast<TZarixPlugin*>(const_cast<uintptr_t*>(constants));
        case 3: return reinterpret_cast<TZarixPlugin*>(uintptr_t{4096});
        case 4: return reinterpret_cast<TZarixPlugin*>(zeros);
        default: return reinterpret_cast<TZarixPlugin*>(&error);
    }
}
#endif

}  // namespace

#if defined(FIXTURE_REGISTER_NULL)
FIXTURE_EXPORT TZarixPlugin* PluginRegister() { return nullptr; }
#elif defined(FIXTURE_REGISTER_THROWS_INT)
FIXTURE_EXPORT TZarixPlugin* PluginRegister() { throw 42; }
#elif defined(FIXTURE_REGISTER_RETURNS)
FIXTURE_EXPORT TZarixPlugin* PluginRegister() { return NotAPlugin(); }
#elif defined(FIXTURE_REGISTER_CRASHES)
FIXTURE_EXPORT TZarixPlugin* PluginRegister() {
    // A real invalid write, not a raised signal: the address comes from outside the compiler's view.
    volatile uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
    return nullptr;
}
#elif defined(FIXTURE_REGISTER_THROWS)
FIXTURE_EXPORT TZarixPlugin* PluginRegister() { throw std::runtime_error("rejestracja nie powiodła się"); }
#elif !defined(FIXTURE_NO_REGISTER)
ZARIX_PLUGIN(TFixturePlugin)
#endif

#ifndef FIXTURE_NO_INITIALIZE
FIXTURE_EXPORT TZarixPlugin* PluginInitialize() {
    JournalAdd(std::string("PluginInitialize:") + FIXTURE_NAME);
#if defined(FIXTURE_INITIALIZE_THROWS_INT)
    throw 42;
#elif defined(FIXTURE_INITIALIZE_HANGS)
    for (;;) ::pause();
#endif
    return nullptr;
}
#endif
