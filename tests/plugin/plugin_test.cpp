// The plugin component (defaults, the declared offer, names, dependencies and collections) and
// its helpers: splitting and display names. Version parsing and the concatenated-digits
// comparison are held to their grammar by the number_text fuzz target over its corpus.
#include "plugin/zarixplugin.h"
#include "plugin/plugin_utils.h"

#include "platform/rtl/exceptions.h"
#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace zarixplugin_test {

using namespace zarix;

class TTestPlugin : public TZarixPlugin {
    ZARIX_CLASS(TTestPlugin, TZarixPlugin)
    using TZarixPlugin::TZarixPlugin;
};
ZARIX_DEFINE_CLASS(TTestPlugin)

void AddSimple(TZarixPlugin& p, const std::string& caption, const std::string& path, int toolBarPos = -1) {
    p.AddCommand(true, caption, "hint", "1", path, nullptr, "", 3, true, toolBarPos, "btn");
}

// The owner hears of the new plugin while TComponent's constructor runs: at that moment the
// plugin's constructor must hold the name-space write lock.
class TLockWitness : public TComponent {
public:
    TLockWitness() : TComponent(nullptr) {}
    bool LockedDuringInsert = false;

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opInsert) {
            bool free = false;
            std::thread probe([&] {
                free = GlobalNameSpace().try_lock_shared();
                if (free) GlobalNameSpace().unlock_shared();
            });
            probe.join();
            LockedDuringInsert = !free;
        }
        TComponent::Notification(c, op);
    }
};

TEST(ZarixPlugin, ConstructionHoldsTheNameSpaceLockAndSetsTheDefaults) {
    TLockWitness owner;
    auto* plugin = new TTestPlugin(&owner);
    EXPECT_TRUE(owner.LockedDuringInsert);
    EXPECT_EQ(plugin->MaxInstances(), 1);
    EXPECT_TRUE(plugin->AlwaysLoaded());
    EXPECT_EQ(plugin->Commands()->Plugin(), plugin);
    ASSERT_TRUE(GlobalNameSpace().try_lock());
    GlobalNameSpace().unlock();
}

// The texts, the handler and the privilege of a command reach the menu, the toolbar and the
// privilege pass: the manager's command tests read them there. What no view shows is checked here.
TEST(ZarixPlugin, SameCaptionAndNonEmptyPathIsADuplicateAndCommandsKeepTheirOwnDefaults) {
    TTestPlugin plugin(nullptr);
    // The caption's letter case counts; an empty path is never a duplicate.
    const std::tuple<const char*, const char*, int> adds[] = {
        {"Kontrahenci", "Kartoteki|Kontrahenci", 1}, {"Kontrahenci", "Kartoteki|Kontrahenci", 1},
        {"kontrahenci", "Kartoteki|Kontrahenci", 2}, {"Kontrahenci", "Kartoteki|Dostawcy", 3}, {"Bez menu", "", 4}, {"Bez menu", "", 5}};
    for (const auto& [caption, path, count] : adds) {
        AddSimple(plugin, caption, path);
        EXPECT_EQ(plugin.Commands()->Count(), count) << caption << " in " << path;
    }
    // Toolbar position -1 is off the toolbar, 0 on it.
    EXPECT_FALSE(plugin.Commands()->Items(0)->ShowOnToolBar());
    plugin.AddCommand(false, "Cenniki", "Lista cenników", "2|1", "Kartoteki|Cenniki", nullptr, "CENNIKI_EDYCJA", 12, true,
                      0, "Cen_niki");
    const TZarixPluginCommand* c = plugin.Commands()->Items(5);
    EXPECT_EQ(std::tuple(c->ImageIndex(), c->IconIdx, c->Enabled(), c->Visible(), c->ShowOnToolBar()),
              std::tuple(12, 12, false, true, true));

    TZarixPluginCommand* made = plugin.Commands()->Add();
    EXPECT_TRUE(made->ShowInMenu());
    EXPECT_FALSE(made->ShowOnToolBar() || made->Enabled() || made->Visible());
    EXPECT_EQ(made->GetDisplayName(), "TZarixPluginCommand");
    made->SetName("Otworz");
    EXPECT_EQ(made->GetDisplayName(), "Otworz");
}

TEST(ZarixPlugin, NamesReadBackNormalisedAndADependencyStaysRecordedWhenItsVersionDoesNotParse) {
    TTestPlugin plugin(nullptr);
    plugin.SetPluginName("Słownik");
    EXPECT_EQ(GetPropValue(plugin, "PluginName").AsString(), "SLOWNIK");
    plugin.AddDependency("Klient", "1.2.0.0");
    EXPECT_THROW(plugin.AddDependency("Cenniki", "1.x"), EConvertError);
    std::vector<std::pair<std::string, TVersion>> recorded;
    for (const auto& d : plugin.PluginDependencies()) recorded.emplace_back(d.PluginName, d.RequiredVersion);
    EXPECT_EQ(recorded, (std::vector<std::pair<std::string, TVersion>>{{"KLIENT", {1, 2, 0, 0}}, {"CENNIKI", {}}}));
}

// Methods and classes are appended without duplicate checks, as the calls by name rely on
// (the manager's late-bound tests); what only the collection keeps is checked here.
TEST(ZarixPlugin, AnExposedObjectsClassIsRecordedAndTheObjectIsNotOwned) {
    TComponent exposed(nullptr);
    TWeak<TComponent> alive = &exposed;
    {
        TTestPlugin plugin(nullptr);
        plugin.AddClass("Ustawienia", &exposed);
        plugin.AddClass("Brak", nullptr);
        EXPECT_EQ(plugin.Classes()->Items(0)->Class_Name(), "TComponent");
        EXPECT_EQ(plugin.Classes()->Items(1)->Class_Name(), "");
        plugin.Classes()->Delete(0);
    }
    EXPECT_TRUE(alive);
}

// The setters assign into the plugin's own collections; an empty one clears them, as the
// late-bound tests' SetMethods shows.
TEST(ZarixPlugin, CollectionPropertiesAcceptOnlyEmptyCollections) {
    TTestPlugin plugin(nullptr), other(nullptr);
    AddSimple(plugin, "Zostaje", "A|B");
    AddSimple(other, "Obcy", "A|C");
    EXPECT_THROW(plugin.SetCommands(other.Commands()), EConvertError);
    ASSERT_EQ(plugin.Commands()->Count(), 1);
    EXPECT_EQ(plugin.Commands()->Items(0)->Caption(), "Zostaje");
}

TEST(ZarixPlugin, ErrMsgShowsErrorWhateverItIsGiven) {
    TTestPlugin plugin(nullptr);
    ClearShownMessages();
    TMessageBoxHandler previous = SetMessageBoxHandler([](const TMessageBoxRequest&) { return mrOk; });
    plugin.ErrMsg(EConvertError("something specific"), &plugin, "where it happened");
    SetMessageBoxHandler(std::move(previous));
    const auto shown = ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Error");
}

TEST(Explode, KeepsEveryEmptyElement) {
    // The separator, the text and its elements; "||" splits at its first occurrence, then the rest.
    const std::tuple<const char*, const char*, TExplodeArray> cases[] = {
        {".", "", {""}}, {".", "a..b", {"a", "", "b"}}, {".", ".a.", {"", "a", ""}}, {"", "a.b", {"a.b"}},
        {"||", "a|||b", {"a", "|b"}}, {"ł", "ałbłc", {"a", "b", "c"}}};
    for (const auto& [separator, text, elements] : cases) EXPECT_EQ(Explode(separator, text), elements) << text;
}

TEST(GetNicePluginName, MapsTheExactIdentifiersOnly) {
    const std::pair<const char*, const char*> names[] = {
        {"ADMINISTRACJA", "Administracja"}, {"ASORTYMENT", "Asortymenty"}, {"CENNIKI", "Cenniki"}, {"DOKMAG", "Dokumenty handlowe"},
        {"Dane firmy.", "Dane firmy"}, {"DOKKHPLUGIN", "Dokumenty księgowe"}, {"DOKKH", "Dokumenty księgowe"},
        {"DEFINICJERAPORTOW", "Definicje raportów"}, {"DEFINICJEDOK", "Definicje dokumentów"}, {"EWVAT", "Ewidencja VAT"},
        {"FORMULARZE", "Formularze"}, {"FORMVAT7", "Deklaracje VAT"}, {"Formularze ŁOW", "Formularze łowieckie"},
        {"FORMULARZEINNE", "Formularze łowieckie"}, {"Formularz CIT8", "Deklaracje CIT"}, {"FORMULARZCIT8", "Deklaracje CIT"},
        {"Formularz Bilansu", "Formularze bilansów"}, {"FORMBILANSFK", "Formularze bilansów"},
        {"FORMULARZEPLACOWE", "Formularze płacowe"}, {"FORMPIT5", "Deklaracje PIT"}, {"PITY", "Deklaracje PIT"},
        {"HISTORIA", "Historia"}, {"INTRASTAT", "Deklaracje Intrastat"}, {"FORMULARZINTRASTAT", "Deklaracje Intrastat"},
        {"KPR", "Ewidencja KPR"}, {"KLIENT", "Kontrahenci"}, {"KASA", "Finanse"}, {"KONWERSJA", "Konwersja"},
        {"KOPIADANYCH", "Kopia danych"}, {"KONTO", "Plan kont"}, {"MONITY", "Monity"}, {"PARAMETRY", "Parametry"},
        {"PLUGINZESTAWIENIAH", "Zestawienia handlowe"}, {"PLACE", "Płace"}, {"PLUGINRELS", "Relacje"}, {"RELSPLUGIN", "Relacje"},
        {"SLOWNIK", "Słowniki"}, {"SCHEMATY", "Schematy"}, {"STARTPANEL", "Panel startowy"}, {"TABKURS", "Tabele kursowe"},
        {"ZESTAWIENIAFK", "Zestawienia finansowo-ksiegowe"}, {"kasa", "kasa"}, {"", ""}, {"KLIENT ", "KLIENT "},
        {"Formularze łow", "Formularze łow"}};
    for (const auto& [id, nice] : names) EXPECT_EQ(GetNicePluginName(id), nice) << id;
}

}  // namespace zarixplugin_test
