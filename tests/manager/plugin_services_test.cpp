// The plugin component's window and menu services.
#include "command_fixture.h"

#include "mdi/ZarixMDIContainer.h"

using namespace zarix;

class PluginServicesTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugin = LoadBlank(1)[0];
        Images.Add("klient.png");
        Images.Add("faktura.png");
    }
    TZarixPlugin* Plugin = nullptr;
    TImageList Images{nullptr};
    TComponent Owner{nullptr};
};

TEST_F(PluginServicesTest, WindowServicesNeedAContainerButTheParentDoesNot) {
    EXPECT_EQ(Plugin->MDIGetParent(), nullptr);
    EXPECT_THROW(Plugin->RebuildTree(), EPluginError);
    auto* window = new TZarixMdiForm(&Owner);
    EXPECT_THROW(Plugin->AddMDIForm("Okno", window, 100, 100, nullptr, 0, alNotAligned, -1), EPluginError);
    EXPECT_EQ(Plugin->MDIForms()->Count(), 0);
    // The menu services need the command menu and do nothing before it is built.
    EXPECT_EQ(Manager->Menu(), nullptr);
    EXPECT_NO_THROW(Plugin->SetRootMenuVisible("Dokumenty|Faktura", false));
    EXPECT_NO_THROW(Plugin->SetBranchMenuVisible("Dokumenty|Faktura", false));
}

TEST_F(PluginServicesTest, AddingAWindowKeepsItsDescriptorSizeIconAndPlace) {
    TZarixMDIContainer container(nullptr);
    TForm frame(nullptr);
    container.SetMDIParent(&frame);
    Manager->SetMDIContainer(&container);
    TMainMenu menu(nullptr);
    Manager->SetCommandsBasedMenu(&menu, &Images, nullptr);  // the manager's icons
    EXPECT_EQ(Plugin->MDIGetParent(), &frame);

    auto* parent = new TZarixMdiForm(&Owner);
    parent->SetBounds(50, 60, 500, 400);
    auto* window = new TZarixMdiForm(&Owner);
    EXPECT_TRUE(Plugin->AddMDIForm("Lista", parent, 500, 400, nullptr, 0, alNotAligned, -1));
    EXPECT_TRUE(Plugin->AddMDIForm("Karta", window, 300, 200, parent, 15, alCascade, 1));
    ASSERT_EQ(Plugin->MDIForms()->Count(), 2);
    const TZarixPluginMDIForm* descriptor = Plugin->MDIForms()->Items(1);
    EXPECT_EQ(descriptor->Name(), "Karta");
    EXPECT_EQ(descriptor->MDIForm(), window);
    EXPECT_EQ(descriptor->ParentForm(), parent);
    EXPECT_EQ(descriptor->FormAlign(), alNotAligned);
    EXPECT_EQ(window->Width(), 300);
    EXPECT_EQ(window->Height(), 200);
    EXPECT_EQ(window->Icon().ImageName, "faktura.png");
    EXPECT_TRUE(parent->Icon().Empty());  // icon index -1 leaves the icon alone
    EXPECT_EQ(window->Left(), 70);        // cascaded under its parent
    EXPECT_EQ(Plugin->GetMDIOrigid(window), 15);
    EXPECT_EQ(Plugin->IsMDIForm("TZarixMdiForm", 15, parent, askBottom), window);
    EXPECT_EQ(Plugin->RefreshMDI(nullptr), 0);  // 0 whatever the container reports (nothing keeps the contract here)

    // An icon the list does not hold: no icon, but the window is registered, described and placed;
    // a nil window: the container's answer, and no descriptor.
    auto* third = new TZarixMdiForm(&Owner);
    EXPECT_TRUE(Plugin->AddMDIForm("Trzecie", third, 320, 240, parent, 17, alCascade, 7));
    EXPECT_TRUE(Plugin->AddMDIForm("Nic", nullptr, 1, 1, nullptr, 0, alCascade, 0));
    EXPECT_TRUE(third->Icon().Empty());
    EXPECT_EQ(third->Left(), 70);
    EXPECT_EQ(Plugin->MDIForms()->Count(), 3);
    Plugin->DelMDIForm("", third);

    // A window registered twice has two descriptors; removing it removes both, and the
    // container's entries.
    Plugin->AddMDIForm("Karta2", window, 300, 200, parent, 16, alNotAligned, -1);
    Plugin->DelMDIForm("ignored", window);
    EXPECT_EQ(Plugin->MDIForms()->Count(), 1);
    EXPECT_EQ(container.Items()->Count(), 1);
}

class MenuServicesTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Plugin = LoadBlank(1)[0];
        Add(Plugin, "Faktura", "Dokumenty|Sprzedaż|Faktura", "0|0|0");
        Add(Plugin, "Korekta", "Dokumenty|Sprzedaż|Korekta", "0|0|1");
        Add(Plugin, "Wydanie", "Dokumenty|Magazyn|Wydanie", "0|1|0");
        Add(Plugin, "Druk", "&Raporty|Druk", "1|0");
        Add(Plugin, "Bilans", "KSIĘGOWOŚĆ|Bilans", "2|0");
        Add(Plugin, "Rejestr", "Księgowość|Rejestr", "2|1");  // the same submenu in other letter case
        Manager->SetCommandsBasedMenu(&Menu, nullptr, nullptr);
    }
    TMenuItem* Item(std::initializer_list<const char*> path) {
        TMenuItem* item = Menu.Items();
        for (const char* caption : path) item = item->Find(caption);
        return item;
    }
    TZarixPlugin* Plugin = nullptr;
    TMainMenu Menu{nullptr};
};

TEST_F(MenuServicesTest, CommandItemsByTheirWholePath) {
    EXPECT_TRUE(Plugin->CommandMenuCheckExist("Dokumenty|Sprzedaż|Faktura"));
    EXPECT_FALSE(Plugin->CommandMenuCheckExist("Dokumenty|Sprzedaż"));  // a prefix is not a path
    Plugin->SetCommandMenuVisible("Dokumenty|Sprzedaż|Faktura", false, false);
    Plugin->SetCommandMenuEnabled("Dokumenty|Magazyn|Wydanie", false);
    EXPECT_FALSE(Item({"Dokumenty", "Sprzedaż", "Faktura"})->Visible());
    EXPECT_TRUE(Item({"Dokumenty", "Sprzedaż", "Korekta"})->Visible());
    EXPECT_FALSE(Item({"Dokumenty", "Magazyn", "Wydanie"})->Enabled());
    Plugin->SetCommandMenuVisible("Dokumenty|Magazyn", false, true);  // as a root path
    EXPECT_FALSE(Item({"Dokumenty", "Magazyn"})->Visible());
}

TEST_F(MenuServicesTest, RootPathsActOnTheDeepestItemThatMatched) {
    // The build reused the submenu whose caption differs only in letter case.
    EXPECT_EQ(Captions(Menu.Items()), (std::vector<std::string>{"Dokumenty", "&Raporty", "KSIĘGOWOŚĆ"}));
    EXPECT_EQ(Captions(Item({"Księgowość"})), (std::vector<std::string>{"Bilans", "Rejestr"}));
    Plugin->SetRootMenuVisible("dokumenty|Nieznane", false);  // the top level found without regard to case
    EXPECT_FALSE(Item({"Dokumenty"})->Visible());
    Plugin->SetRootMenuVisible("księgowość", false);
    EXPECT_FALSE(Item({"KSIĘGOWOŚĆ"})->Visible());
    Plugin->SetRootMenuVisible("Dokumenty|Nieznane|Magazyn", false);  // an unmatched element is passed over
    EXPECT_FALSE(Item({"Dokumenty", "Magazyn"})->Visible());
    Plugin->SetRootMenuVisible("Dokumenty", true);
    Plugin->SetRootMenuVisible("Dokumenty|sprzedaż|Korekta", false);  // "sprzedaż" differs in case: stays at the top
    EXPECT_FALSE(Item({"Dokumenty"})->Visible());
    Plugin->SetRootMenuVisible("Dokumenty|Sprzedaż|Korekta", false);
    EXPECT_FALSE(Item({"Dokumenty", "Sprzedaż", "Korekta"})->Visible());
    Plugin->SetRootMenuVisible("Nieznane|Druk", false);  // no such top-level item: nothing changes
    EXPECT_TRUE(Item({"Raporty", "Druk"})->Visible());
}

TEST_F(MenuServicesTest, BranchesMatchCaptionsWithoutAcceleratorsAgainstPlainElements) {
    Plugin->SetBranchMenuVisible("Raporty|Druk", false);  // "&Raporty" in the menu
    EXPECT_FALSE(Item({"Raporty", "Druk"})->Visible());
    Plugin->SetBranchMenuVisible("&Raporty|Druk", true);  // "&" in the element: matches nothing
    EXPECT_FALSE(Item({"Raporty", "Druk"})->Visible());
    Plugin->SetBranchMenuVisible("Dokumenty", false);  // fewer than two elements: not accepted
    EXPECT_TRUE(Item({"Dokumenty"})->Visible());
    Plugin->SetBranchMenuVisible("Dokumenty|Magazyn|Wydanie", false);  // elements after the second ignored
    EXPECT_FALSE(Item({"Dokumenty", "Magazyn"})->Visible());
    EXPECT_TRUE(Item({"Dokumenty", "Magazyn", "Wydanie"})->Visible());
    Plugin->SetBranchMenuVisible("księgowość|BILANS", false);  // letter case counts in no script
    EXPECT_FALSE(Item({"Księgowość", "Bilans"})->Visible());
    EXPECT_TRUE(Item({"Księgowość", "Rejestr"})->Visible());

    // Every top-level item of that caption is changed, not only the first.
    auto* second = new TMenuItem(&Menu), *print = new TMenuItem(&Menu);
    second->SetCaption("Raporty");
    print->SetCaption("Dr&uk");
    Menu.Items()->Add(second);
    second->Add(print);
    Plugin->SetBranchMenuVisible("Raporty|Druk", true);
    EXPECT_TRUE(Item({"Raporty", "Druk"})->Visible() && print->Visible());
}
