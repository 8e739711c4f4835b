// calls: the sample modules calling one another by name through the manager, as the tool
// makes the calls and as the trade documents module makes them when it writes an invoice.
#include "commands.h"

#include "host_session.h"
#include "json_output.h"
#include "manager/result_type.h"
#include "services/db/zarix_db.h"
#include "services/exception_handler.h"

#include <algorithm>
#include <functional>
#include <iostream>

namespace zarixctl {

using namespace zarix;

namespace {

std::string Shown(const Variant& v) {
    if (v.IsEmpty()) return "(empty)";
    if (v.VarType() == TVarType::varString) return "\"" + v.AsString() + "\"";
    return v.AsString();
}

// Runs one call and prints its result, or what it raised, and every report it made through
// the exception handler; with json, collects them into the document instead. Expected failures
// are part of the show; others are errors, said on standard error, and count.
class TCallPrinter {
public:
    explicit TCallPrinter(bool Json) : FJson(Json) {}

    /// A heading over the calls that follow; a line break in Title starts another heading line.
    void Section(const std::string& Title) {
        if (!FJson) {
            std::cout << "== ";
            for (const char c : Title) std::cout << (c == '\n' ? std::string("\n== ") : std::string(1, c));
            std::cout << '\n';
            return;
        }
        std::string title = Title;
        std::replace(title.begin(), title.end(), '\n', ' ');
        FDocument["sections"].push_back({{"title", title}, {"calls", TJson::array()}});
    }

    void Call(const std::string& what, const std::function<std::string()>& call, bool mayFail = false) {
        std::optional<std::string> result, raised;
        try {
            result = call();
        } catch (const std::exception& e) {
            raised = ExceptionClassName(e) + ": " + e.what();
        }
        std::vector<std::string> reports;
        for (const TExceptionReport& report : FSink.Reports())
            reports.push_back(report.Context + (report.Message.empty() ? "" : " (" + report.Message + ")"));
        FSink.Clear();
        const bool unexpected = (raised || !reports.empty()) && !mayFail;
        FUnexpected = FUnexpected || unexpected;
        if (FJson) {
            FDocument["sections"].back()["calls"].push_back(
                {{"call", what}, {"result", result ? TJson(*result) : TJson(nullptr)},
                 {"raised", raised ? TJson(*raised) : TJson(nullptr)}, {"reports", reports}, {"mayFail", mayFail}});
        } else {
            std::cout << what << '\n';
            if (result) std::cout << "  = " << *result << '\n';
        }
        if (!unexpected && FJson) return;
        std::cout.flush();
        std::ostream& out = unexpected ? std::cerr : std::cout;
        const std::string prefix = FJson ? "zarixctl: " + what + ":" : " ";
        if (raised) out << prefix << " raised " << *raised << '\n';
        for (const std::string& report : reports) out << prefix << " reported: " << report << '\n';
    }
    bool Unexpected() const noexcept { return FUnexpected; }
    const TJson& Document() const noexcept { return FDocument; }

private:
    TCapturingExceptionSink FSink;
    bool FJson;
    bool FUnexpected = false;
    TJson FDocument = JsonDocument("calls");
};

}  // namespace

int CallsCommand(const TArgs& args) {
    THostSession session(args);
    session.PrintFailures();
    TZarixPluginManager& manager = *session.Manager;
    TCallPrinter calls(args.Json);

    calls.Section("KLIENT publishes CustomerName, which reads the customer register:");
    calls.Call("methodByName(\"KLIENT\", \"CustomerName\", [15], nil)",
               [&] { return Shown(manager.methodByName("KLIENT", "CustomerName", Args(15), nullptr)); });
    calls.Section("KLIENT exposes its settings as \"KlientUstawienia\":");
    calls.Call("getClassValue(\"KlientUstawienia\", \"PaymentTermDays\")",
               [&] { return Shown(manager.getClassValue("KlientUstawienia", "PaymentTermDays")); });
    calls.Call("getClassValue(\"KlientUstawienia\", \"DefaultCustomer\")",
               [&] { return Shown(manager.getClassValue("KlientUstawienia", "DefaultCustomer")); });
    calls.Call("setClassValue(\"KlientUstawienia\", \"PaymentTermDays\", 30), then read back", [&] {
        manager.setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{30}));
        return Shown(manager.getClassValue("KlientUstawienia", "PaymentTermDays"));
    });
    calls.Section("CENNIKI registers the routine CenaNetto (net price in grosze):");
    calls.Call("ExecuteMethod(\"CenaNetto\", [1, 101])", [&] {
        const std::unique_ptr<TResultType> price = manager.ExecuteMethod("CenaNetto", Args(1, 101));
        if (price->value.Kind != TVarRecKind::vtInteger) throw Exception("CenaNetto returned no integer");
        return std::to_string(price->value.VInteger);
    });
    calls.Section("DOKMAG writes an invoice: its buyer, the buyer's name, the payment term and the price\n"
                  "come from the other modules by name:");
    calls.Call("methodByName(\"DOKMAG\", \"NowaFaktura\", [101, 2], nil): goods 101, quantity 2, default buyer",
               [&] { return Shown(manager.methodByName("DOKMAG", "NowaFaktura", Args(101, 2), nullptr)); });
    calls.Call("the invoice in view DokumentyWartosci, and the buyer's turnover kept by the trigger", [&] {
        TDBQuery query("SELECT DOKNumer, DOKNetto, DOKVat, DOKBrutto, KNTObrot FROM DokumentyWartosci "
                       "JOIN Kontrahenci ON KNTOrigid = DOKKontrahent ORDER BY DOKOrigid DESC LIMIT 1",
                       "DBCONN");
        query.Open();
        if (query.Eof()) throw Exception("no invoice was written");
        return query.FieldByName("DOKNumer") + ": net " + query.FieldByName("DOKNetto") + ", VAT " +
               query.FieldByName("DOKVat") + ", gross " + query.FieldByName("DOKBrutto") + " (grosze); turnover " +
               query.FieldByName("KNTObrot");
    });
    calls.Section("Failures: a method KLIENT does not publish, a term out of range, goods not in the list:");
    calls.Call("methodByName(\"KLIENT\", \"CustomerAddress\", [15], nil)",
               [&] { return Shown(manager.methodByName("KLIENT", "CustomerAddress", Args(15), nullptr)); }, true);
    calls.Call("setClassValue(\"KlientUstawienia\", \"PaymentTermDays\", 400)", [&] {
        manager.setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{400}));
        return std::string("written");
    }, true);
    calls.Call("ExecuteMethod(\"CenaNetto\", [1, 999])", [&] {
        return std::to_string(manager.ExecuteMethod("CenaNetto", Args(1, 999))->value.VInteger);
    }, true);
    if (args.Json) PrintJson(calls.Document());
    if (!calls.Unexpected() && !session.Failed()) return 0;
    std::cerr << "zarixctl: a call that should have worked failed; see above\n";
    return 1;
}

}  // namespace zarixctl
