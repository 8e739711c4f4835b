// A session the way an application runs one: a customer list, a card opened from it, a
// document that picks its customer in a picker window, saved changes refreshed elsewhere, a
// refused close, and the hand-over of the chosen customer.
#include "mdi_fixture.h"

#include "platform/ui/application.h"

using namespace zarix;

namespace {

// The picker: on closing it hands the chosen customer to the window that opened it.
class TPicker : public TWindow {
public:
    TPicker(TComponent* owner, std::vector<std::string>& log, const std::string& name) : TWindow(owner, log, name) {
        SetOnCloseQuery([this](TObject*, bool& canClose) {
            std::string why;
            canClose = CurrentMDIContainer()->CanCloseMDI(this, Name(), 0, why, true);
            if (!canClose) Log.push_back("refused: " + why);
        });
    }
    void Choose(const std::string& customer, int32_t id) {
        MDIResult().AddStringValue("KLIENT", customer);
        MDIResult().AddIntValue("KLIENT_ID", id);
        CurrentMDIContainer()->SendMDIResult(this);
    }
};

}  // namespace

TEST_F(MdiTest, AWholeSessionThroughTheProtocol) {
    TCustomerList* customers = Open<TCustomerList>("Kontrahenci");
    TCustomerCard* card = Open<TCustomerCard>("Kowalski", customers, 15);
    Container->GetPosition(card, alCascade);
    EXPECT_EQ(card->Left(), customers->Left() + 20);
    // Opening the same card again finds the one that is open.
    EXPECT_EQ(Container->IsMDIForm(customers, "TCustomerCard", 15, askBottom), card);

    TInvoice* invoice = Open<TInvoice>("Faktura", nullptr, 0);
    Container->ChangeName(invoice, "Faktura FV/1");  // the tree shows the document's number
    TPicker* picker = Open<TPicker>("Wybor", invoice);
    Container->ChangeName(picker, "Wybierz kontrahenta");
    TWindow* history = Open<TWindow>("Historia", picker);
    EXPECT_EQ(TreeText(), "Okna Kontrahenci(Kowalski) Faktura FV/1(Wybierz kontrahenta(Historia))");

    // The card saves the customer: the other windows refresh, the registry empties.
    ModifiedObjects().AddModifiedObject("Klienci", 15);
    Container->RefreshMDI(card);
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [](const std::string& e) { return e.rfind("refresh", 0) == 0; }), 4);
    EXPECT_EQ(ModifiedObjects().Count(), 0);
    Log.clear();

    // The history window refuses: the picker stays open.
    history->Refusal = "Historia jest edytowana.";
    picker->Close();
    Application().ProcessMessages();
    EXPECT_EQ(Log.back(), "refused: Historia jest edytowana.");
    EXPECT_EQ(Container->Items()->Count(), 5);

    // Now it may close: the picker hands the customer back, tells its child, and closes.
    history->Refusal.clear();
    history->CloseWithParent = true;
    Log.clear();
    picker->Choose("Kowalski Jan", 15);
    Container->OnCloseInfoToChildren(picker, 0);
    TWeak<TForm> pickerAlive = picker;
    picker->Close();
    Application().ProcessMessages();
    // The history window closed itself when told, so the picker's own close asked nobody.
    EXPECT_EQ(Log, (std::vector<std::string>{"result Faktura TPicker 0 Kowalski Jan",
                                             "parentclosing Historia TPicker 0"}));
    EXPECT_FALSE(pickerAlive);
    EXPECT_TRUE(invoice->Focused());
    EXPECT_EQ(TreeText(), "Okna Kontrahenci(Kowalski) Faktura FV/1");
    EXPECT_EQ(MDIResult().Count(), 0);

    // Closing the list leaves its card open, one level up.
    CloseNow(customers);
    EXPECT_EQ(TreeText(), "Okna Kowalski Faktura FV/1");
    EXPECT_TRUE(Reports.Reports().empty());
}
