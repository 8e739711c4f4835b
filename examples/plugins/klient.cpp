// KLIENT: the customer register ("Kontrahenci"), the module every other one builds on. Its
// windows: the customer list, a customer's card, and a picker other modules open to choose a
// customer.
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "sample_window.h"
#include "sync/sync.h"

namespace {

using namespace zarix;

using TWindowMethod = Variant(TConstArray, TForm*);

// A few customers of the sample company, by record identifier.
std::string CustomerName(int32_t id) {
    switch (id) {
        case 15: return "Kowalski Jan";
        case 16: return "Nowak Sp. z o.o.";
        default: return "Kontrahent " + std::to_string(id);
    }
}

// Opens a window of the module in the container, under the window that asked for it. The
// plugin component owns it: the window's code is this library's, so it must not outlive it.
template <class W>
W* OpenWindow(TComponent* plugin, TForm* parent, const std::string& name, const std::string& title, int32_t origId) {
    TZarixMDIContainer* container = CurrentMDIContainer();
    auto* window = new W(plugin);
    window->SetName(name);
    if (container != nullptr) {
        container->AddMDIForm(window, 320, 480, parent, origId, alCascade, 1);
        container->ChangeName(window, title);
        container->GetPosition(window, alCascade);
    }
    window->Show();
    return window;
}

class TCustomerCard : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerCard, samples::TSampleWindow)
    using TSampleWindow::TSampleWindow;
    /// Saves the card: the customer is noted as changed and the other windows refresh.
    Variant Save(TConstArray, TForm*) {
        TZarixMDIContainer* container = CurrentMDIContainer();
        ModifiedObjects().AddModifiedObject("KLIENCI", container->GetMDIOrigid(this));
        container->RefreshMDI(this);
        return Variant(true);
    }
};
ZARIX_DEFINE_CLASS(TCustomerCard, ZARIX_METHOD(Save))

class TCustomerList : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerList, samples::TSampleWindow)
    using TSampleWindow::TSampleWindow;
    /// Opens the card of the customer args[0], or brings forward the one already open.
    Variant OpenCard(TConstArray args, TForm*) {
        const int32_t id = args.empty() ? 0 : args[0].VInteger;
        TZarixMDIContainer* container = CurrentMDIContainer();
        if (TForm* open = container->IsMDIForm(this, "TCustomerCard", id, askBottom)) {
            container->RestoreMDI(open);
            return Variant("already open");
        }
        OpenWindow<TCustomerCard>(Owner(), this, "Karta" + std::to_string(id), "Karta: " + CustomerName(id), id);
        return Variant("opened");
    }
    // "Kontrahenci (odświeżono N)" = customers (refreshed N times): the list re-reads its rows
    // whenever a saved record was noted in the modified-objects registry.
    void MDIRefresh() override {
        for (int i = 0; i < ModifiedObjects().Count(); ++i)
            if (ModifiedObjects().GetModifiedTableName(i) == "KLIENCI") ++FRefreshes;
        SetCaption("Kontrahenci (odświeżono " + std::to_string(FRefreshes) + ")");
    }

private:
    int FRefreshes = 0;
};
ZARIX_DEFINE_CLASS(TCustomerList, ZARIX_METHOD(OpenCard))

class TCustomerPicker : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerPicker, samples::TSampleWindow)
    using TSampleWindow::TSampleWindow;
    /// Chooses customer args[0] and hands it to the window that opened the picker.
    Variant Choose(TConstArray args, TForm*) {
        const int32_t id = args.empty() ? 0 : args[0].VInteger;
        FChosen = true;
        MDIResult().AddIntValue("KLIENT_ID", id);
        MDIResult().AddStringValue("KLIENT", CustomerName(id));
        CurrentMDIContainer()->SendMDIResult(this);
        return Variant(true);
    }
    // The document asks before it closes: a picker still waiting for a choice says no.
    // "Nie wybrano kontrahenta." = no customer has been chosen.
    bool MDICanClose(const std::string&, int32_t, std::string& Msg) override {
        if (!FChosen) Msg += "Nie wybrano kontrahenta. ";
        return FChosen;
    }
    void MDIParentClosing(const std::string&, int32_t) override { Close(); }

private:
    bool FChosen = false;
};
ZARIX_DEFINE_CLASS(TCustomerPicker, ZARIX_METHOD(Choose))

class TKlientPlugin : public TZarixPlugin {
    ZARIX_CLASS(TKlientPlugin, TZarixPlugin)
    explicit TKlientPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("KlientPlugin");
        SetPluginName("Klient");
        SetPluginID("{6C1A0F3E-KLIENT}");
        SetPluginPriority(10);
        // Captions are what the user sees: "Kartoteki" = registers, "Kontrahenci" = customers
        // and suppliers, "Grupy kontrahentów" = customer groups.
        AddCommand(true, "&Kontrahenci", "Lista kontrahentów", "1|0", "Kartoteki|Kontrahenci",
                   [this](TObject*) { OpenWindow<TCustomerList>(this, nullptr, "Kontrahenci", "Kontrahenci", 0); },
                   "KLIENT_LISTA", 0, true, 0, "Kontrahenci");
        AddCommand(true, "Grupy kontrahentów", "Słownik grup kontrahentów", "1|1", "Kartoteki|Grupy kontrahentów",
                   [](TObject*) {}, "KLIENT_GRUPY", 1, true, -1, "");
        AddCommand(true, "Nowy kontrahent", "Dopisanie kontrahenta", "1|2", "Kartoteki|Nowy kontrahent",
                   [](TObject*) {}, "KLIENT_DOPISZ", 2, true, 1, "Nowy_kontrahent");
    }
    /// Opens the customer picker for a window of another module, which gets the choice back
    /// through the results registry.
    Variant OpenCustomerPicker(TConstArray, TForm* ParentForm) {
        OpenWindow<TCustomerPicker>(this, ParentForm, "WyborKontrahenta", "Wybór kontrahenta", 0);
        return Variant(true);
    }
};
ZARIX_DEFINE_CLASS(TKlientPlugin, ZARIX_METHOD(OpenCustomerPicker))

}  // namespace

ZARIX_PLUGIN(TKlientPlugin)
