// KLIENT: the customer register ("Kontrahenci"), the module every other one builds on. Its
// windows: the customer list, a customer's card, and a picker other modules open to choose a
// customer. Other modules ask it for a customer's name by name (CustomerName) and read its
// settings for new documents ("KlientUstawienia").
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "sample_db.h"
#include "server_schemas.h"
#include "sample_window.h"
#include "sync/sync.h"

#include <optional>

namespace {

using namespace zarix;

using TWindowMethod = Variant(TConstArray, TForm*);

// The register's tables and what the database check keeps in them. Version 1.3 brought the
// e-mail address. KNTObrot, the net turnover in grosze, is kept by the trade documents'
// triggers; KNTZmieniono, the time of the last change, by this module's own.
const samples::TModuleSchema kSchema{
    {{"Kontrahenci", R"sql(
        CREATE TABLE Kontrahenci (
            KNTOrigid    INTEGER PRIMARY KEY,
            KNTSkrot     TEXT NOT NULL UNIQUE COLLATE NOCASE,
            KNTNazwa     TEXT NOT NULL,
            KNTNip       TEXT NOT NULL DEFAULT '',
            KNTEmail     TEXT NOT NULL DEFAULT '',
            KNTObrot     INTEGER NOT NULL DEFAULT 0,
            KNTZmieniono TEXT NOT NULL DEFAULT ''
        ))sql",
      {{"KNTOrigid"}, {"KNTSkrot"}, {"KNTNazwa"}, {"KNTNip", "TEXT NOT NULL DEFAULT ''"},
       {"KNTEmail", "TEXT NOT NULL DEFAULT ''"}, {"KNTObrot", "INTEGER NOT NULL DEFAULT 0"},
       {"KNTZmieniono", "TEXT NOT NULL DEFAULT ''"}}}},
    {{"trigger", "KontrahenciZmiana", R"sql(
        CREATE TRIGGER KontrahenciZmiana AFTER UPDATE OF KNTSkrot, KNTNazwa, KNTNip, KNTEmail ON Kontrahenci
        BEGIN
            UPDATE Kontrahenci SET KNTZmieniono = datetime('now') WHERE KNTOrigid = NEW.KNTOrigid;
        END)sql"}},
    // The sample company's customers; 1 is the anonymous retail customer of receipts.
    {{"Kontrahenci", R"sql(
        INSERT INTO Kontrahenci (KNTOrigid, KNTSkrot, KNTNazwa, KNTEmail) VALUES
            (1, 'DETAL', 'Klient detaliczny', ''),
            (15, 'KOWALSKI', 'Kowalski Jan', 'jan.kowalski@example.com'),
            (16, 'NOWAK', 'Nowak Sp. z o.o.', 'biuro@example.com'),
            (17, 'ZIELONY', 'Zielony Rynek S.A.', ''))sql",
      true}}};

// The customer's name from the register; nothing when there is no such customer.
std::optional<std::string> RegisterCustomerName(int32_t id) {
    return samples::QueryValue("SELECT KNTNazwa FROM Kontrahenci WHERE KNTOrigid = ?", {Variant(id)});
}

// What the windows show: the register's name when the host has opened its database, else the
// sample company's names, since the window demo runs without a database.
std::string CustomerName(int32_t id) {
    if (DBInt().HasConnection(samples::kDBConnection))
        if (std::optional<std::string> name = RegisterCustomerName(id)) return *name;
    switch (id) {
        case 15: return "Kowalski Jan";
        case 16: return "Nowak Sp. z o.o.";
        default: return "Kontrahent " + std::to_string(id);
    }
}

// Opens a window of the module through the plugin's window services, under the window that
// asked for it, cascaded below its parent.
template <class W>
W* OpenWindow(TZarixPlugin& plugin, TForm* parent, const std::string& name, const std::string& title, int32_t origId) {
    auto* window = new W(&plugin);
    window->SetName(name);
    plugin.AddMDIForm(name, window, 480, 320, parent, origId, alCascade, 1);
    plugin.ChangeMDIName(window, title);
    window->Show();
    return window;
}

class TCustomerCard : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerCard, samples::TSampleWindow)
    using TSampleWindow::TSampleWindow;
    /// Saves the card: the customer is noted as changed and the other windows refresh.
    Variant Save(TConstArray, TForm*) {
        ModifiedObjects().AddModifiedObject("KLIENCI", Plugin().GetMDIOrigid(this));
        Plugin().RefreshMDI(this);
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
        if (TForm* open = Plugin().IsMDIForm("TCustomerCard", id, this, askBottom)) {
            Plugin().RestoreMDI(open);
            return Variant("already open");
        }
        OpenWindow<TCustomerCard>(Plugin(), this, "Karta" + std::to_string(id), "Karta: " + CustomerName(id), id);
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
        Plugin().SendMDIResult(this);
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

// The register's settings other modules read and write by name: the payment term a new
// document gets, in days, and the customer of a document that names none.
class TKlientSettings : public TPersistent {
    ZARIX_CLASS(TKlientSettings, TPersistent)
    int32_t PaymentTermDays() const noexcept { return FPaymentTermDays; }
    void SetPaymentTermDays(int32_t Value) {
        // "Termin płatności musi mieścić się w 0..365 dniach" = the payment term must be 0 to 365 days.
        if (Value < 0 || Value > 365)
            throw EConvertError("Termin płatności musi mieścić się w 0..365 dniach, a nie " + std::to_string(Value));
        FPaymentTermDays = Value;
    }
    int32_t DefaultCustomer() const noexcept { return FDefaultCustomer; }
    void SetDefaultCustomer(int32_t Value) { FDefaultCustomer = Value; }

private:
    int32_t FPaymentTermDays = 14;
    int32_t FDefaultCustomer = 1;
};
ZARIX_DEFINE_CLASS(TKlientSettings, ZARIX_PROPERTY(PaymentTermDays, PaymentTermDays, SetPaymentTermDays),
                   ZARIX_PROPERTY(DefaultCustomer, DefaultCustomer, SetDefaultCustomer))

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
                   [this](TObject*) { OpenWindow<TCustomerList>(*this, nullptr, "Kontrahenci", "Kontrahenci", 0); },
                   "KLIENT_LISTA", 0, true, 0, "Kontrahenci");
        AddCommand(true, "Grupy kontrahentów", "Słownik grup kontrahentów", "1|1", "Kartoteki|Grupy kontrahentów",
                   [](TObject*) {}, "KLIENT_GRUPY", 1, true, -1, "");
        AddCommand(true, "Nowy kontrahent", "Dopisanie kontrahenta", "1|2", "Kartoteki|Nowy kontrahent",
                   [](TObject*) {}, "KLIENT_DOPISZ", 2, true, 1, "Nowy_kontrahent");
        SetRequiredDBVersion(VersionParser("1.3.0.0"));
        AddClass("KlientUstawienia", &FSettings);
    }
    void OnMessage(TPluginMessagesTypes Kind, const std::string& AMessage, TConstArray) override {
        samples::AnswerDatabaseCheck(*this, samples::ForThisDatabase(kSchema, samples::KlientServerSchema()), Kind, AMessage);
    }
    /// The name of the customer whose identifier is the one integer argument, read from the
    /// register. Raises for another argument list or an unknown customer, which methodByName
    /// reports to its caller's handler.
    Variant CustomerName(TConstArray args, TForm*) {
        if (args.size() != 1 || args[0].Kind != TVarRecKind::vtInteger)
            throw EConvertError("CustomerName expects one integer, the customer's identifier");
        if (std::optional<std::string> name = RegisterCustomerName(args[0].VInteger)) return Variant(*name);
        // "Nie ma kontrahenta o identyfikatorze N" = there is no customer with identifier N.
        throw Exception("Nie ma kontrahenta o identyfikatorze " + std::to_string(args[0].VInteger));
    }
    /// Opens the customer picker for a window of another module, which gets the choice back
    /// through the results registry.
    Variant OpenCustomerPicker(TConstArray, TForm* ParentForm) {
        OpenWindow<TCustomerPicker>(*this, ParentForm, "WyborKontrahenta", "Wybór kontrahenta", 0);
        return Variant(true);
    }

private:
    TKlientSettings FSettings;
};
ZARIX_DEFINE_CLASS(TKlientPlugin, ZARIX_METHOD(OpenCustomerPicker), ZARIX_METHOD(CustomerName))

}  // namespace

ZARIX_PLUGIN(TKlientPlugin)
