// The plugin component: defaults, the declared offer, names, dependencies and collections.
#include "plugin/zarixplugin.h"

#include "platform/rtl/exceptions.h"
#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <thread>

namespace zarixplugin_test {

using namespace zarix;

class TTestPlugin : public TZarixPlugin {
    ZARIX_CLASS(TTestPlugin, TZarixPlugin)
    using TZarixPlugin::TZarixPlugin;
    TMenu* Menu() const { return MainMenu; }
};
ZARIX_DEFINE_CLASS(TTestPlugin)

void AddSimple(TZarixPlugin& p, const std::string& caption, const std::string& path, int toolBarPos = -1) {
    p.AddCommand(true, caption, "hint", "1", path, nullptr, "", 3, true, toolBarPos, "btn");
}

TEST(ZarixPlugin, FreshComponentHasItsDefaults) {
    TTestPlugin plugin(nullptr);
    EXPECT_EQ(plugin.MaxInstances(), 1);
    EXPECT_EQ(plugin.PluginPriority(), 0);
    EXPECT_TRUE(plugin.AlwaysLoaded());
    EXPECT_EQ(plugin.SkinProvider, nullptr);
    EXPECT_EQ(plugin.DBInterface, nullptr);
    EXPECT_EQ(plugin.Menu(), nullptr);
    EXPECT_EQ(plugin.Manager(), nullptr);
    EXPECT_EQ(plugin.Version(), TVersion{});
    EXPECT_EQ(plugin.GetPluginName(), "");
    EXPECT_TRUE(plugin.PluginDependencies().empty());
    EXPECT_EQ(plugin.Commands()->Count(), 0);
    EXPECT_EQ(plugin.Methods()->Count(), 0);
    EXPECT_EQ(plugin.Classes()->Count(), 0);
    EXPECT_EQ(plugin.MDIForms()->Count(), 0);
    EXPECT_EQ(plugin.Commands()->Plugin(), &plugin);
    EXPECT_EQ(plugin.getInstance(), 0u);
    plugin.setInstance(77);
    EXPECT_EQ(plugin.getInstance(), 77u);
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

TEST(ZarixPlugin, ConstructionHoldsTheNameSpaceLockAndReleasesIt) {
    TLockWitness owner;
    auto* plugin = new TTestPlugin(&owner);
    EXPECT_TRUE(owner.LockedDuringInsert);
    EXPECT_EQ(plugin->Owner(), &owner);
    ASSERT_TRUE(GlobalNameSpace().try_lock());
    GlobalNameSpace().unlock();
}

TEST(ZarixPlugin, SameCaptionAndNonEmptyPathIsADuplicateEmptyPathNever) {
    TTestPlugin plugin(nullptr);
    AddSimple(plugin, "Kontrahenci", "Kartoteki|Kontrahenci");
    AddSimple(plugin, "Kontrahenci", "Kartoteki|Kontrahenci");
    EXPECT_EQ(plugin.Commands()->Count(), 1);
    AddSimple(plugin, "kontrahenci", "Kartoteki|Kontrahenci");  // case counts
    AddSimple(plugin, "Kontrahenci", "Kartoteki|Dostawcy");
    EXPECT_EQ(plugin.Commands()->Count(), 3);
    AddSimple(plugin, "Bez menu", "");
    AddSimple(plugin, "Bez menu", "");
    EXPECT_EQ(plugin.Commands()->Count(), 5);
}

TEST(ZarixPlugin, AddCommandFillsEveryFieldAndTheToolBarRule) {
    TTestPlugin plugin(nullptr);
    int clicks = 0;
    plugin.AddCommand(false, "Cenniki", "Lista cenników", "2|1", "Kartoteki|Cenniki",
                      [&](TObject*) { ++clicks; }, "CENNIKI_EDYCJA", 12, true, 0, "Cen_niki");
    AddSimple(plugin, "Bez przycisku", "Kartoteki|Inne", -1);
    const TZarixPluginCommand* c = plugin.Commands()->Items(0);
    EXPECT_EQ(c->Caption(), "Cenniki");
    EXPECT_EQ(c->Hint(), "Lista cenników");
    EXPECT_EQ(c->MenuPosition(), "2|1");
    EXPECT_EQ(c->MenuPath(), "Kartoteki|Cenniki");
    EXPECT_EQ(c->PrivilegeToCheckName(), "CENNIKI_EDYCJA");
    EXPECT_EQ(c->ImageIndex(), 12);
    EXPECT_EQ(c->IconIdx, 12);
    EXPECT_FALSE(c->Enabled());
    EXPECT_TRUE(c->Visible());
    EXPECT_TRUE(c->ShowInMenu());
    EXPECT_TRUE(c->ShowOnToolBar());  // position 0 is on the toolbar
    EXPECT_EQ(c->ToolButtonCaption(), "Cen_niki");
    EXPECT_EQ(c->GetName(), "");
    EXPECT_EQ(c->Data(), "");
    c->OnExecute()(nullptr);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(plugin.Commands()->Items(1)->ShowOnToolBar());
}

TEST(ZarixPlugin, CommandMadeThroughTheCollectionHasTheItemDefaults) {
    TTestPlugin plugin(nullptr);
    TZarixPluginCommand* c = plugin.Commands()->Add();
    EXPECT_TRUE(c->ShowInMenu());
    EXPECT_FALSE(c->ShowOnToolBar());
    EXPECT_FALSE(c->Enabled());
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(c->IconIdx, 0);
    EXPECT_EQ(c->ImageIndex(), 0);
    EXPECT_EQ(c->MenuItemRef(), nullptr);
    EXPECT_EQ(c->GetDisplayName(), "TZarixPluginCommand");
    c->SetName("Otworz");
    EXPECT_EQ(c->GetDisplayName(), "Otworz");
    plugin.Commands()->Add()->SetName("Otworz");  // names need not be unique
    EXPECT_EQ(plugin.Commands()->Items(1)->GetName(), "Otworz");
}

TEST(ZarixPlugin, PluginNameReadsBackNormalised) {
    TTestPlugin plugin(nullptr);
    plugin.SetPluginName("Kopia danych");
    EXPECT_EQ(plugin.GetPluginName(), "KOPIADANYCH");
    plugin.SetPluginName("Słownik");
    EXPECT_EQ(GetPropValue(plugin, "PluginName").AsString(), "SLOWNIK");
    SetPropValue(plugin, "PluginPriority", Variant(int32_t{20}));
    EXPECT_EQ(plugin.PluginPriority(), 20);
}

TEST(ZarixPlugin, DependencyStaysRecordedWhenItsVersionDoesNotParse) {
    TTestPlugin plugin(nullptr);
    plugin.AddDependency("Klient", "1.2.0.0");
    EXPECT_THROW(plugin.AddDependency("Cenniki", "1.x"), EConvertError);
    ASSERT_EQ(plugin.PluginDependencies().size(), 2u);
    EXPECT_EQ(plugin.PluginDependencies()[0].PluginName, "KLIENT");
    EXPECT_EQ(plugin.PluginDependencies()[0].RequiredVersion, (TVersion{1, 2, 0, 0}));
    EXPECT_EQ(plugin.PluginDependencies()[1].PluginName, "CENNIKI");
    EXPECT_EQ(plugin.PluginDependencies()[1].RequiredVersion, TVersion{});
}

Variant RoutineStandIn() { return Variant(); }

TEST(ZarixPlugin, MethodsAndClassesAreAppendedWithoutDuplicateChecks) {
    TTestPlugin plugin(nullptr);
    TComponent exposed(nullptr);
    plugin.AddMethod("GetCustomer", &RoutineStandIn);
    plugin.AddMethod("GetCustomer", &RoutineStandIn);
    plugin.AddClass("Ustawienia", &exposed);
    plugin.AddClass("Ustawienia", &exposed);
    plugin.AddClass("Brak", nullptr);
    EXPECT_EQ(plugin.Methods()->Count(), 2);
    EXPECT_EQ(plugin.Methods()->Items(0)->Address, reinterpret_cast<TCodePointer>(&RoutineStandIn));
    EXPECT_EQ(plugin.Classes()->Count(), 3);
    EXPECT_EQ(plugin.Classes()->Items(0)->Class_Name(), "TComponent");
    EXPECT_EQ(plugin.Classes()->Items(0)->Class_Object(), &exposed);
    EXPECT_EQ(plugin.Classes()->Items(2)->Class_Name(), "");
    EXPECT_EQ(plugin.Classes()->Items(2)->Class_Object(), nullptr);
    plugin.Classes()->Delete(0);  // the exposed object is not owned by the item
    EXPECT_EQ(exposed.ClassName(), "TComponent");
}

TEST(ZarixPlugin, CollectionPropertiesAcceptOnlyEmptyCollections) {
    TTestPlugin plugin(nullptr), other(nullptr);
    AddSimple(plugin, "Zostaje", "A|B");
    AddSimple(other, "Obcy", "A|C");
    EXPECT_THROW(plugin.SetCommands(other.Commands()), EConvertError);
    ASSERT_EQ(plugin.Commands()->Count(), 1);
    EXPECT_EQ(plugin.Commands()->Items(0)->Caption(), "Zostaje");
    TZarixPluginCommands* own = plugin.Commands();
    plugin.SetCommands(TTestPlugin(nullptr).Commands());
    EXPECT_EQ(plugin.Commands(), own);  // the plugin keeps its own instance
    EXPECT_EQ(plugin.Commands()->Count(), 0);
}

TEST(ZarixPlugin, InitializeStoresTheLinksBackToTheHost) {
    TTestPlugin plugin(nullptr);
    TComponent manager(nullptr);
    EXPECT_TRUE(plugin.Initialize(&manager, nullptr, "klient.bpl"));
    EXPECT_EQ(plugin.Manager(), &manager);
    EXPECT_EQ(plugin.Filename(), "klient.bpl");
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

TEST(ZarixPlugin, DestructionFreesTheCollectionsButNotWhatTheyReferTo) {
    TComponent exposed(nullptr);
    TWeak<TComponent> alive = &exposed;
    {
        TTestPlugin plugin(nullptr);
        plugin.AddClass("Ustawienia", &exposed);
        AddSimple(plugin, "X", "A|X");
    }
    EXPECT_TRUE(alive);
}

}  // namespace zarixplugin_test
