// DOKMAG: trade documents ("Dokumenty handlowe"): invoices, receipts and warehouse documents.
// An invoice window asks the customer module for its buyer through the customer picker; a new
// invoice takes its buyer's name and the payment term from the customer module and its price
// from the price lists, all by name, since modules never link against one another.
#include "manager/result_type.h"
#include "mdi/ZarixMDIContainer.h"
#include "plugin/plugin_entry.h"
#include "sample_db.h"
#include "server_schemas.h"
#include "sample_window.h"
#include "sync/sync.h"

namespace {

using namespace zarix;

// Document types, documents and their lines; amounts in grosze. Version 1.4 brought the
// payment term of a document and the gross value of the totals view. The lines' triggers keep
// each customer's net turnover in the customer register (KLIENT's KNTObrot), which is why
// this module needs KLIENT's tables.
const samples::TModuleSchema kSchema{
    {{"DokumentyTypy", R"sql(
        CREATE TABLE DokumentyTypy (
            DTYSymbol TEXT PRIMARY KEY,
            DTYNazwa  TEXT NOT NULL
        ))sql",
      {{"DTYSymbol"}, {"DTYNazwa"}}},
     {"Dokumenty", R"sql(
        CREATE TABLE Dokumenty (
            DOKOrigid          INTEGER PRIMARY KEY,
            DOKTyp             TEXT NOT NULL REFERENCES DokumentyTypy (DTYSymbol),
            DOKNumer           TEXT NOT NULL UNIQUE,
            DOKKontrahent      INTEGER NOT NULL REFERENCES Kontrahenci (KNTOrigid),
            DOKData            TEXT NOT NULL DEFAULT (date('now')),
            DOKTerminPlatnosci INTEGER NOT NULL DEFAULT 14
        ))sql",
      {{"DOKOrigid"}, {"DOKTyp"}, {"DOKNumer"}, {"DOKKontrahent"}, {"DOKData"},
       {"DOKTerminPlatnosci", "INTEGER NOT NULL DEFAULT 14"}}},
     {"DokumentyPozycje", R"sql(
        CREATE TABLE DokumentyPozycje (
            DPODokument  INTEGER NOT NULL REFERENCES Dokumenty (DOKOrigid),
            DPOLp        INTEGER NOT NULL,
            DPOIndeks    INTEGER NOT NULL,
            DPOIlosc     INTEGER NOT NULL CHECK (DPOIlosc > 0),
            DPOCenaNetto INTEGER NOT NULL,
            DPOStawkaVat INTEGER NOT NULL DEFAULT 23,
            PRIMARY KEY (DPODokument, DPOLp)
        ))sql",
      {{"DPODokument"}, {"DPOLp"}, {"DPOIndeks"}, {"DPOIlosc"}, {"DPOCenaNetto"},
       {"DPOStawkaVat", "INTEGER NOT NULL DEFAULT 23"}}}},
    {{"view", "DokumentyWartosci", R"sql(
        CREATE VIEW DokumentyWartosci AS
        SELECT DOKOrigid, DOKNumer, DOKKontrahent,
               SUM(DPOIlosc * DPOCenaNetto) AS DOKNetto,
               SUM((DPOIlosc * DPOCenaNetto * DPOStawkaVat + 50) / 100) AS DOKVat,
               SUM(DPOIlosc * DPOCenaNetto + (DPOIlosc * DPOCenaNetto * DPOStawkaVat + 50) / 100) AS DOKBrutto
        FROM Dokumenty JOIN DokumentyPozycje ON DPODokument = DOKOrigid
        GROUP BY DOKOrigid)sql"},
     {"trigger", "DokumentyPozycjeObrot", R"sql(
        CREATE TRIGGER DokumentyPozycjeObrot AFTER INSERT ON DokumentyPozycje
        BEGIN
            UPDATE Kontrahenci SET KNTObrot = KNTObrot + NEW.DPOIlosc * NEW.DPOCenaNetto
            WHERE KNTOrigid = (SELECT DOKKontrahent FROM Dokumenty WHERE DOKOrigid = NEW.DPODokument);
        END)sql"},
     {"trigger", "DokumentyPozycjeObrotUsuniecie", R"sql(
        CREATE TRIGGER DokumentyPozycjeObrotUsuniecie AFTER DELETE ON DokumentyPozycje
        BEGIN
            UPDATE Kontrahenci SET KNTObrot = KNTObrot - OLD.DPOIlosc * OLD.DPOCenaNetto
            WHERE KNTOrigid = (SELECT DOKKontrahent FROM Dokumenty WHERE DOKOrigid = OLD.DPODokument);
        END)sql"}},
    // "Faktura VAT" = VAT invoice, "Paragon" = receipt, "Wydanie zewnętrzne" = goods issue.
    {{"DokumentyTypy", R"sql(
        INSERT OR IGNORE INTO DokumentyTypy (DTYSymbol, DTYNazwa) VALUES
            ('FV', 'Faktura VAT'), ('PAR', 'Paragon'), ('WZ', 'Wydanie zewnętrzne'))sql",
      false}}};

// The price list new invoices take their prices from: CENNIKI's basic one.
constexpr int32_t kBasicPriceList = 1;

int32_t IntegerArgument(TConstArray args, std::size_t index, const char* what) {
    if (index >= args.size() || args[index].Kind != TVarRecKind::vtInteger)
        throw EConvertError(std::string("NowaFaktura expects an integer ") + what + " as argument " +
                            std::to_string(index + 1));
    return args[index].VInteger;
}

// "69,99 zł": grosze as people read an amount.
std::string Money(int64_t grosze) {
    const int64_t magnitude = grosze < 0 ? -grosze : grosze, cents = magnitude % 100;
    return (grosze < 0 ? "-" : "") + std::to_string(magnitude / 100) + "," + (cents < 10 ? "0" : "") +
           std::to_string(cents) + " zł";
}

class TInvoiceWindow : public samples::TSampleWindow {
    ZARIX_CLASS(TInvoiceWindow, samples::TSampleWindow)
    explicit TInvoiceWindow(TZarixPlugin* plugin) : TSampleWindow(plugin) {
        SetCaption("Faktura VAT FV/1/2026");
        // Before it closes, the invoice asks its child windows; one that refuses keeps it open.
        SetOnCloseQuery([this](TObject*, bool& canClose) {
            std::string why;
            canClose = Plugin().CanCloseMDI(this, Name(), 0, why, true);
            if (!canClose) SetCaption("Faktura VAT FV/1/2026 - nie zamknięto: " + why);
        });
    }
    /// Asks the customer module for its picker, opened under this invoice; the empty text when
    /// the module or its method is missing, which the exception handler has reported.
    Variant PickCustomer(TConstArray, TForm*) { return Plugin().methodByName("KLIENT", "OpenCustomerPicker", {}, this); }
    // The chosen customer arrives through the results registry: "Nabywca" = buyer.
    void MDIReceiveResult(const std::string&, int32_t) override {
        SetCaption("Faktura VAT FV/1/2026 - Nabywca: " + MDIResult().StringValueByName("KLIENT") + " (" +
                   std::to_string(MDIResult().IntValueByName("KLIENT_ID")) + ")");
    }
};
ZARIX_DEFINE_CLASS(TInvoiceWindow, ZARIX_METHOD(PickCustomer))

class TDokMagPlugin : public TZarixPlugin {
    ZARIX_CLASS(TDokMagPlugin, TZarixPlugin)
    explicit TDokMagPlugin(TComponent* owner) : TZarixPlugin(owner) {
        SetName("DokMagPlugin");
        SetPluginName("DokMag");
        SetPluginPriority(30);
        // Documents pick their buyer from the customer register, at least the version that
        // brought customer groups, and their prices from the price lists.
        AddDependency("Klient", "1.2.0.0");
        AddDependency("Cenniki", "1.0.0.0");
        // "Dokumenty" = documents, "Faktura VAT" = VAT invoice, "Paragon" = receipt,
        // "Wydanie zewnętrzne" = goods issue.
        AddCommand(true, "Faktura VAT", "Nowa faktura VAT sprzedaży", "2|0|0", "Dokumenty|Sprzedaż|Faktura VAT",
                   [this](TObject*) { OpenInvoice(); }, "DOKMAG_FV", 5, true, 3, "Faktura_VAT");
        AddCommand(true, "Paragon", "Nowy paragon", "2|0|1", "Dokumenty|Sprzedaż|Paragon", [](TObject*) {},
                   "DOKMAG_PAR", 6, true, 4, "Paragon");
        AddCommand(true, "Wydanie zewnętrzne", "Nowe wydanie zewnętrzne (WZ)", "2|1|0",
                   "Dokumenty|Magazyn|Wydanie zewnętrzne", [](TObject*) {}, "DOKMAG_WZ", 7, true, -1, "");
        AddCommand(true, "Rejestr dokumentów", "Przeglądanie wystawionych dokumentów", "2|2",
                   "Dokumenty|Rejestr dokumentów", [](TObject*) {}, "", 8, true, 5, "Rejestr_dokumentów handlowych");
        SetRequiredDBVersion(VersionParser("1.4.0.0"));
    }
    void OnMessage(TPluginMessagesTypes Kind, const std::string& AMessage, TConstArray) override {
        samples::AnswerDatabaseCheck(*this, samples::ForThisDatabase(kSchema, samples::DokMagServerSchema()), Kind, AMessage);
    }
    /// Writes a VAT invoice of one line: goods index and quantity (integers), and optionally the
    /// buyer's identifier, else the customer module's default customer. Returns what was
    /// written, as a line of text. Raises when a module it needs does not answer.
    Variant NowaFaktura(TConstArray args, TForm* ParentForm) {
        const int32_t index = IntegerArgument(args, 0, "goods index");
        const int32_t quantity = IntegerArgument(args, 1, "quantity");
        // The customer module's settings: "Brak ustawień modułu Kontrahenci" = the customer
        // module's settings are missing (the module is not loaded).
        const Variant defaultCustomer = getClassValue("KlientUstawienia", "DefaultCustomer");
        const Variant term = getClassValue("KlientUstawienia", "PaymentTermDays");
        if (defaultCustomer.IsEmpty() || term.IsEmpty()) throw Exception("Brak ustawień modułu Kontrahenci");
        const int32_t customer = args.size() > 2 ? IntegerArgument(args, 2, "customer") : defaultCustomer.AsInteger();
        // An unknown customer comes back as the empty text, reported by the exception handler.
        const std::string name = methodByName("KLIENT", "CustomerName", Args(customer), ParentForm).AsString();
        if (name.empty()) throw Exception("Nie ma kontrahenta o identyfikatorze " + std::to_string(customer));
        const std::unique_ptr<TResultType> price = ExecuteMethod("CenaNetto", Args(kBasicPriceList, index));
        if (price->value.Kind != TVarRecKind::vtInteger) throw Exception("CenaNetto did not return a price");
        const int32_t net = price->value.VInteger;

        samples::TSavepoint invoice("sample_invoice");
        const samples::TInvoiceSql& sql = samples::InvoiceSql(samples::OnServer());
        if (*sql.Lock != '\0') DBInt().ExecSQL(samples::kDBConnection, sql.Lock);
        const std::string number = *samples::QueryValue(sql.NextNumber);
        TDBQuery insert("INSERT INTO Dokumenty (DOKTyp, DOKNumer, DOKKontrahent, DOKTerminPlatnosci) VALUES ('FV', ?, ?, ?)",
                        samples::kDBConnection);
        insert.Bind(1, Variant(number));
        insert.Bind(2, Variant(customer));
        insert.Bind(3, term);
        insert.ExecSQL();
        TDBQuery line(sql.InsertLine, samples::kDBConnection);
        line.Bind(1, Variant(index));
        line.Bind(2, Variant(quantity));
        line.Bind(3, Variant(net));
        line.ExecSQL();
        invoice.Release();
        // "termin płatności N dni" = payment due in N days.
        return Variant(number + ": " + name + ", " + std::to_string(quantity) + " x " + Money(net) +
                       " netto, termin płatności " + term.AsString() + " dni");
    }

private:
    void OpenInvoice() {
        auto* window = new TInvoiceWindow(this);
        window->SetName("FakturaVAT");
        AddMDIForm(window->Name(), window, 600, 400, nullptr, 0, alNotAligned, 5);
        ChangeMDIName(window, "Faktura VAT FV/1/2026");
        window->Show();
    }
};
ZARIX_DEFINE_CLASS(TDokMagPlugin, ZARIX_METHOD(NowaFaktura))

}  // namespace

ZARIX_PLUGIN(TDokMagPlugin)
