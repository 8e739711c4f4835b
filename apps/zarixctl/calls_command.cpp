// calls: the sample modules calling one another by name through the manager, as the tool
// makes the calls and as the trade documents module makes them when it writes an invoice.
#include "commands.h"

#include "host_session.h"
#include "manager/result_type.h"
#include "services/db/zarix_db.h"
#include "services/exception_handler.h"

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
// the exception handler. Expected failures are part of the show; others count.
class TCallPrinter {
public:
    void Call(const std::string& what, const std::function<std::string()>& call, bool mayFail = false) {
        std::cout << what << '\n';
        bool failed = false;
        try {
            const std::string result = call();
            std::cout << "  = " << result << '\n';
        } catch (const std::exception& e) {
            failed = true;
            std::cout << "  raised " << ExceptionClassName(e) << ": " << e.what() << '\n';
        }
        for (const TExceptionReport& report : FSink.Reports()) {
            failed = true;
            std::cout << "  reported: " << report.Context << (report.Message.empty() ? "" : " (" + report.Message + ")")
                      << '\n';
        }
        FSink.Clear();
        if (failed && !mayFail) FUnexpected = true;
    }
    bool Unexpected() const noexcept { return FUnexpected; }

private:
    TCapturingExceptionSink FSink;
    bool FUnexpected = false;
};

}  // namespace

int CallsCommand(const TArgs& args) {
    THostSession session(args);
    session.PrintFailures();
    TZarixPluginManager& manager = *session.Manager;
    TCallPrinter calls;

    std::cout << "== KLIENT publishes CustomerName, which reads the customer register:\n";
    calls.Call("methodByName(\"KLIENT\", \"CustomerName\", [15], nil)",
               [&] { return Shown(manager.methodByName("KLIENT", "CustomerName", Args(15), nullptr)); });
    std::cout << "== KLIENT exposes its settings as \"KlientUstawienia\":\n";
    calls.Call("getClassValue(\"KlientUstawienia\", \"PaymentTermDays\")",
               [&] { return Shown(manager.getClassValue("KlientUstawienia", "PaymentTermDays")); });
    calls.Call("getClassValue(\"KlientUstawienia\", \"DefaultCustomer\")",
               [&] { return Shown(manager.getClassValue("KlientUstawienia", "DefaultCustomer")); });
    calls.Call("setClassValue(\"KlientUstawienia\", \"PaymentTermDays\", 30), then read back", [&] {
        manager.setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{30}));
        return Shown(manager.getClassValue("KlientUstawienia", "PaymentTermDays"));
    });
    std::cout << "== CENNIKI registers the routine CenaNetto (net price in grosze):\n";
    calls.Call("ExecuteMethod(\"CenaNetto\", [1, 101])", [&] {
        const std::unique_ptr<TResultType> price = manager.ExecuteMethod("CenaNetto", Args(1, 101));
        if (price->value.Kind != TVarRecKind::vtInteger) throw Exception("CenaNetto returned no integer");
        return std::to_string(price->value.VInteger);
    });
    std::cout << "== DOKMAG writes an invoice: its buyer, the buyer's name, the payment term and the price\n"
                 "== come from the other modules by name:\n";
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
    std::cout << "== Failures: a method KLIENT does not publish, a term out of range, goods not in the list:\n";
    calls.Call("methodByName(\"KLIENT\", \"CustomerAddress\", [15], nil)",
               [&] { return Shown(manager.methodByName("KLIENT", "CustomerAddress", Args(15), nullptr)); }, true);
    calls.Call("setClassValue(\"KlientUstawienia\", \"PaymentTermDays\", 400)", [&] {
        manager.setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{400}));
        return std::string("written");
    }, true);
    calls.Call("ExecuteMethod(\"CenaNetto\", [1, 999])", [&] {
        return std::to_string(manager.ExecuteMethod("CenaNetto", Args(1, 999))->value.VInteger);
    }, true);
    if (!calls.Unexpected() && !session.Failed()) return 0;
    std::cerr << "zarixctl: a call that should have worked failed; see above\n";
    return 1;
}

}  // namespace zarixctl
