// KLIENT: the customer register ("Kontrahenci"), the module every other one builds on. Its
// windows: the customer list, a customer's card, and a picker other modules open to choose a
// customer. Other modules ask it for a customer's name by name (CustomerName) and read its
// settings for new documents ("KlientUstawienia").
#include "klient_windows.h"
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "sample_db.h"
#include "server_schemas.h"
#include "sample_window.h"
#include "sync/sync.h"

#include <optional>

namespace {

using namespace zarix;
using namespace klient;

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
