// KLIENT's windows.
#include "klient_windows.h"

#include "platform/rtl/strings.h"
#include "sample_db.h"
#include "sync/sync.h"

namespace klient {

using namespace zarix;

namespace {

// The register as the list and the picker show it; the identifier is read, not shown.
TDBGrid* AddCustomerGrid(TForm* Form) {
    TDBGrid* grid = samples::AddQueryGrid(
        Form, "grdKontrahenci", "SELECT KNTOrigid, KNTSkrot, KNTNazwa, KNTNip, KNTEmail FROM Kontrahenci ORDER BY KNTSkrot");
    // "Skrót" = short name, "Nazwa" = name, "NIP" = tax identifier.
    grid->AddColumn("KNTSkrot", "Skrót", 100);
    grid->AddColumn("KNTNazwa", "Nazwa", 220);
    grid->AddColumn("KNTNip", "NIP", 100);
    grid->AddColumn("KNTEmail", "E-mail", 180);
    return grid;
}

// The customer of the grid's current row; nothing without one.
std::optional<int32_t> CurrentCustomer(const TDBGrid& Grid) {
    if (Grid.Row() < 0) return std::nullopt;
    return static_cast<int32_t>(StrToInt(Grid.CurrentValue("KNTOrigid")));
}

// Enter in the grid and a double click both do Action.
void OnChoice(TDBGrid* Grid, const std::function<void()>& Action) {
    Grid->OnDblClick = [Action](TObject*) { Action(); };
    Grid->OnKeyDown = [Action](TObject*, uint16_t& Key, TShiftState) {
        if (Key != VK_RETURN) return;
        Key = 0;
        Action();
    };
}

}  // namespace

std::optional<std::string> RegisterCustomerName(int32_t Id) {
    return samples::QueryValue("SELECT KNTNazwa FROM Kontrahenci WHERE KNTOrigid = ?", {Variant(Id)});
}

std::string CustomerName(int32_t Id) {
    if (DBInt().HasConnection(samples::kDBConnection))
        if (std::optional<std::string> name = RegisterCustomerName(Id)) return *name;
    switch (Id) {
        case 15: return "Kowalski Jan";
        case 16: return "Nowak Sp. z o.o.";
        default: return "Kontrahent " + std::to_string(Id);
    }
}

ZARIX_DEFINE_CLASS(TCustomerCard, ZARIX_METHOD(Save))

TCustomerCard::TCustomerCard(TZarixPlugin* APlugin) : TSampleWindow(APlugin) {
    FShortName = samples::AddField(this, "Skrot", "Skrót", 0, 20);
    FName = samples::AddField(this, "Nazwa", "Nazwa", 1, 100);
    FTaxId = samples::AddField(this, "Nip", "NIP", 2, 13);
    FEmail = samples::AddField(this, "Email", "E-mail", 3, 80);
    TZarixPanel* bar = samples::AddButtonBar(this);
    // "Zapisz" = save, "Anuluj" = cancel.
    FSave = samples::AddButton(this, bar, "btnZapisz", "Zapisz", 1, [this](TObject*) { SaveCustomer(); });
    FSave->SetDefault(true);
    samples::AddButton(this, bar, "btnAnuluj", "Anuluj", 0, [this](TObject*) { Close(); })->SetCancel(true);
    FSave->SetEnabled(false);
}

void TCustomerCard::Load(int32_t Id) {
    FId = Id;
    FSave->SetEnabled(false);
    if (!DBInt().HasConnection(samples::kDBConnection)) return;
    try {
        TDBQuery query("SELECT KNTSkrot, KNTNazwa, KNTNip, KNTEmail FROM Kontrahenci WHERE KNTOrigid = ?",
                       samples::kDBConnection);
        query.Bind(1, Variant(Id));
        query.Open();
        if (query.Eof()) {
            MessageBox("Nie ma kontrahenta o identyfikatorze " + std::to_string(Id), Caption());
            return;
        }
        FShortName->SetText(query.FieldByName("KNTSkrot"));
        FName->SetText(query.FieldByName("KNTNazwa"));
        FTaxId->SetText(query.FieldByName("KNTNip"));
        FEmail->SetText(query.FieldByName("KNTEmail"));
        FSave->SetEnabled(true);
    } catch (const std::exception& e) {
        samples::ShowError(*this, "Nie można odczytać kontrahenta: ", e);
    }
}

Variant TCustomerCard::Save(TConstArray, TForm*) { return Variant(SaveCustomer()); }

bool TCustomerCard::SaveCustomer() {
    if (!FSave->Enabled()) {
        // "Brak połączenia z bazą danych." = no connection to the database.
        if (!DBInt().HasConnection(samples::kDBConnection)) MessageBox("Brak połączenia z bazą danych.", Caption());
        return false;
    }
    const std::string shortName = Trim(FShortName->Text());
    const std::string name = Trim(FName->Text());
    // "Podaj skrót kontrahenta." = enter the customer's short name; "Podaj nazwę kontrahenta."
    // = enter the customer's name.
    if (shortName.empty() || name.empty()) {
        MessageBox(shortName.empty() ? "Podaj skrót kontrahenta." : "Podaj nazwę kontrahenta.", Caption());
        return false;
    }
    try {
        // "Skrót X ma już inny kontrahent." = another customer already has short name X.
        if (samples::QueryValue("SELECT KNTOrigid FROM Kontrahenci WHERE KNTSkrot = ? AND KNTOrigid <> ?",
                                {Variant(shortName), Variant(FId)})) {
            MessageBox("Skrót " + shortName + " ma już inny kontrahent.", Caption());
            return false;
        }
        TDBQuery update("UPDATE Kontrahenci SET KNTSkrot = ?, KNTNazwa = ?, KNTNip = ?, KNTEmail = ? WHERE KNTOrigid = ?",
                        samples::kDBConnection);
        update.Bind(1, Variant(shortName));
        update.Bind(2, Variant(name));
        update.Bind(3, Variant(Trim(FTaxId->Text())));
        update.Bind(4, Variant(Trim(FEmail->Text())));
        update.Bind(5, Variant(FId));
        if (update.ExecSQL() == 0) {
            MessageBox("Nie ma kontrahenta o identyfikatorze " + std::to_string(FId), Caption());
            return false;
        }
    } catch (const std::exception& e) {
        // "Nie zapisano kontrahenta: " = the customer was not saved.
        samples::ShowError(*this, "Nie zapisano kontrahenta: ", e);
        return false;
    }
    ModifiedObjects().AddModifiedObject("KLIENCI", FId);
    Plugin().RefreshMDI(this);
    Plugin().ChangeMDIName(this, "Karta: " + name);
    SetCaption("Karta: " + name);
    return true;
}

ZARIX_DEFINE_CLASS(TCustomerList, ZARIX_METHOD(OpenCard))

TCustomerList::TCustomerList(TZarixPlugin* APlugin) : TSampleWindow(APlugin) {
    FGrid = AddCustomerGrid(this);
    OnChoice(FGrid, [this] { OpenCurrentCard(); });
    samples::OpenGrid(*this, *FGrid);
}

Variant TCustomerList::OpenCard(TConstArray args, TForm*) {
    const int32_t id = args.empty() ? 0 : args[0].VInteger;
    const bool open = Plugin().IsMDIForm("TCustomerCard", id, nullptr, askAll) != nullptr;
    ShowCard(id);
    return Variant(open ? "already open" : "opened");
}

TForm* TCustomerList::ShowCard(int32_t Id) {
    // A customer has one card: asked for again, from any list, the open one comes forward.
    if (TForm* open = Plugin().IsMDIForm("TCustomerCard", Id, nullptr, askAll)) {
        Plugin().RestoreMDI(open);
        return open;
    }
    auto* card = OpenWindow<TCustomerCard>(Plugin(), this, "Karta" + std::to_string(Id), "Karta: " + CustomerName(Id), Id);
    card->Load(Id);
    return card;
}

void TCustomerList::OpenCurrentCard() {
    if (const std::optional<int32_t> id = CurrentCustomer(*FGrid)) ShowCard(*id);
}

// "Kontrahenci (odświeżono N)" = customers (refreshed N times): the list reads its rows again
// whenever a saved customer was noted in the modified-objects registry.
void TCustomerList::MDIRefresh() {
    bool changed = false;
    for (int i = 0; i < ModifiedObjects().Count(); ++i)
        if (ModifiedObjects().GetModifiedTableName(i) == "KLIENCI") changed = true, ++FRefreshes;
    if (!changed) return;
    SetCaption("Kontrahenci (odświeżono " + std::to_string(FRefreshes) + ")");
    samples::OpenGrid(*this, *FGrid);
}

ZARIX_DEFINE_CLASS(TCustomerPicker, ZARIX_METHOD(Choose))

TCustomerPicker::TCustomerPicker(TZarixPlugin* APlugin) : TSampleWindow(APlugin) {
    FGrid = AddCustomerGrid(this);
    OnChoice(FGrid, [this] { ChooseCurrent(); });
    TZarixPanel* bar = samples::AddButtonBar(this);
    // "Wybierz" = choose.
    samples::AddButton(this, bar, "btnWybierz", "Wybierz", 1, [this](TObject*) { ChooseCurrent(); })->SetDefault(true);
    samples::AddButton(this, bar, "btnAnuluj", "Anuluj", 0, [this](TObject*) { Close(); })->SetCancel(true);
    samples::OpenGrid(*this, *FGrid);
}

Variant TCustomerPicker::Choose(TConstArray args, TForm*) {
    ChooseCustomer(args.empty() ? 0 : args[0].VInteger);
    return Variant(true);
}

void TCustomerPicker::ChooseCustomer(int32_t Id) {
    FChosen = true;
    MDIResult().AddIntValue("KLIENT_ID", Id);
    MDIResult().AddStringValue("KLIENT", CustomerName(Id));
    Plugin().SendMDIResult(this);
    Close();
}

void TCustomerPicker::ChooseCurrent() {
    if (const std::optional<int32_t> id = CurrentCustomer(*FGrid)) ChooseCustomer(*id);
}

// The document asks before it closes: a picker still waiting for a choice says no.
// "Nie wybrano kontrahenta." = no customer has been chosen.
bool TCustomerPicker::MDICanClose(const std::string&, int32_t, std::string& Msg) {
    if (!FChosen) Msg += "Nie wybrano kontrahenta. ";
    return FChosen;
}

}  // namespace klient
