// The sample application's windows driven the way a front-end drives them: menu clicks, keys,
// double clicks, typing and buttons on the headless controls, over the sample database.
#include "sample_application.h"

#include "mdi/ZarixMDIContainer.h"
#include "platform/ui/application.h"
#include "platform/ui/db_grid.h"
#include "platform/ui/menus.h"
#include "platform/ui/message_box.h"
#include "platform/ui/std_controls.h"
#include "platform/ui/tree_view.h"
#include "services/exception_handler.h"
#include "tests/services/reports_of.h"

#include <string>
#include <vector>

using namespace zarix;

namespace {

class SampleWindows : public SampleApplication {
protected:
    void SetUp() override {
        SampleApplication::SetUp();
        if (!Ready()) return;
        Check("");
        Frame->SetFormStyle(fsMDIForm);
        Tree->Items()->Add(nullptr, "Okna");
        Container->SetMDIParent(Frame);
        Container->SetActiveWindows(Tree);
        Manager->SetMDIContainer(Container);
        Manager->SetCommandsBasedMenu(Menu, nullptr, nullptr);
        ClearShownMessages();
    }
    void TearDown() override {
        Application().ProcessMessages();
        SampleApplication::TearDown();  // the plugins take their windows with them
    }

    void Click(std::initializer_list<const char*> path) {
        TMenuItem* item = Menu->Items();
        for (const char* caption : path) ASSERT_NE(item = item->Find(caption), nullptr) << caption;
        item->Click();
    }
    TForm* Window(const char* className, int32_t origId = 0) const {
        return Container->IsMDIForm(nullptr, className, origId, askAll);
    }
    template <class C>
    static C& Control(TForm* window, const char* name) {
        auto* control = window != nullptr ? dynamic_cast<C*>(window->FindComponent(name)) : nullptr;
        if (control == nullptr) throw Exception(std::string("no control ") + name);
        return *control;
    }
    static std::string LastMessage() { return ShownMessages().empty() ? "" : ShownMessages().back().Text; }

    TComponent Host{nullptr};
    TForm* Frame = new TForm(&Host);
    TTreeView* Tree = new TTreeView(&Host);
    TZarixMDIContainer* Container = new TZarixMDIContainer(&Host);
    TMainMenu* Menu = new TMainMenu(&Host);
};

TEST_P(SampleWindows, TheCustomerListOpensEachCardOnceAndSavingRefreshesIt) {
    Click({"Kartoteki", "Kontrahenci"});
    TForm* list = Window("TCustomerList");
    TDBGrid& grid = Control<TDBGrid>(list, "grdKontrahenci");
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.Cells(0, 1), "KOWALSKI");
    grid.SetRow(1);
    uint16_t enter = VK_RETURN;
    grid.KeyDown(enter, 0);
    grid.DblClick(1);
    EXPECT_EQ(Container->Items()->Count(), 2) << "the list and one card";
    TForm* card = Window("TCustomerCard", 15);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(Control<TEdit>(card, "edtNazwa").Text(), "Kowalski Jan");

    // Each save: the short name and name typed, the message shown to the person ("" when the save
    // goes through) and the name in the register afterwards.
    const std::tuple<const char*, const char*, const char*, const char*> saves[] = {
        {"KOWALSKI", "  ", "Podaj nazwę kontrahenta.", "Kowalski Jan"},
        {"nowak", "Jan Kowalski", "Skrót nowak ma już inny kontrahent.", "Kowalski Jan"},
        {"KOWALSKI", "Kowalski Jan ' OR 1=1 --", "", "Kowalski Jan ' OR 1=1 --"},
    };
    for (const auto& [shortName, name, message, stored] : saves) {
        SCOPED_TRACE(name);
        ClearShownMessages();
        Control<TEdit>(card, "edtSkrot").TypeText(shortName);
        Control<TEdit>(card, "edtNazwa").TypeText(name);
        EXPECT_TRUE(Control<TButton>(card, "btnZapisz").Click());
        EXPECT_EQ(LastMessage(), message);
        EXPECT_EQ(Value("SELECT KNTNazwa FROM Kontrahenci WHERE KNTOrigid = 15"), stored);
    }
    EXPECT_EQ(Value("SELECT COUNT(*) FROM Kontrahenci WHERE KNTNazwa = 'Kowalski Jan '' OR 1=1 --'"), "1");
    EXPECT_EQ(grid.Cells(1, 1), "Kowalski Jan ' OR 1=1 --");
    EXPECT_EQ(list->Caption(), "Kontrahenci (odświeżono 1)");
}

TEST_P(SampleWindows, AnInvoiceRefusesToCloseWhileThePickerWaitsThenTakesThePickedBuyer) {
    Click({"Dokumenty", "Sprzedaż", "Faktura VAT"});
    TForm* invoice = Window("TInvoiceWindow");
    EXPECT_EQ(Control<TLabel>(invoice, "lblNabywca").Caption(), "Nabywca: Klient detaliczny (1)");
    EXPECT_TRUE(Control<TButton>(invoice, "btnNabywca").Click());
    TForm* picker = Window("TCustomerPicker");
    ASSERT_NE(picker, nullptr);

    invoice->Close();
    Application().ProcessMessages();
    EXPECT_EQ(LastMessage(), "Nie można zamknąć faktury: Nie wybrano kontrahenta.");
    ASSERT_EQ(Window("TInvoiceWindow"), invoice);

    TDBGrid& grid = Control<TDBGrid>(picker, "grdKontrahenci");
    grid.SetRow(2);
    EXPECT_TRUE(PressDialogKey(picker, VK_RETURN));  // "Wybierz", the default button
    Application().ProcessMessages();
    EXPECT_EQ(Window("TCustomerPicker"), nullptr);
    EXPECT_EQ(Control<TLabel>(invoice, "lblNabywca").Caption(), "Nabywca: Nowak Sp. z o.o. (16)");
    invoice->Close();
    Application().ProcessMessages();
    EXPECT_EQ(Window("TInvoiceWindow"), nullptr);
}

TEST_P(SampleWindows, AWrittenInvoiceShowsItsLinesAndTotalsAndThePriceListItsPrices) {
    // The modules called by name: the settings keep their range, and a call that cannot be
    // answered is reported in the module's words and writes nothing. The answers of the calls
    // that succeed, the written invoice's text among them, are checked by
    // zarixctl.CallsBetweenModulesByName; the default customer shows on a new invoice's buyer.
    Manager->setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{30}));
    EXPECT_THROW(Manager->setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{400})), EPluginError);
    EXPECT_EQ(Manager->getClassValue("KlientUstawienia", "PaymentTermDays").AsInteger(), 30);
    TCapturingExceptionSink sink;
    EXPECT_EQ(Manager->methodByName("KLIENT", "CustomerName", Args(99), nullptr).AsString(), "");
    EXPECT_EQ(Manager->methodByName("KLIENT", "CustomerName", Args(std::string("16")), nullptr).AsString(), "");
    EXPECT_EQ(Manager->methodByName("DOKMAG", "NowaFaktura", Args(999, 1, 15), nullptr).AsString(), "");
    EXPECT_EQ(ReportsOf(sink),
              (TNames{"Blad podczas wolania metody \"CustomerName\" | Exception: Nie ma kontrahenta o identyfikatorze 99",
                      "Blad podczas wolania metody \"CustomerName\" | EConvertError: CustomerName expects one integer, the "
                      "customer's identifier",
                      "Blad podczas wolania metody \"NowaFaktura\" | EPluginError: \"CenaNetto\" failed execution."}));
    EXPECT_EQ(Value("SELECT count(*) FROM Dokumenty"), "0");
    Manager->methodByName("DOKMAG", "NowaFaktura", Args(101, 2, 17), nullptr);
    const int32_t document = StrToInt(Value("SELECT MAX(DOKOrigid) FROM Dokumenty"));
    Manager->methodByName("DOKMAG", "OpenInvoice", Args(document), nullptr);
    TForm* invoice = Window("TInvoiceWindow", document);
    ASSERT_NE(invoice, nullptr);
    TDBGrid& lines = Control<TDBGrid>(invoice, "grdPozycje");
    ASSERT_EQ(lines.RowCount(), 1);
    EXPECT_EQ(lines.Cells(2, 0), "Kawa ziarnista 1 kg");
    std::vector<std::string> shown;
    for (const char* label : {"lblNabywca", "lblNetto", "lblVat", "lblBrutto"}) shown.push_back(Control<TLabel>(invoice, label).Caption());
    EXPECT_EQ(shown, (std::vector<std::string>{"Nabywca: Zielony Rynek S.A. (17)", "Netto: 139,98 zł", "VAT: 32,20 zł",
                                               "Brutto: 172,18 zł"}));
    EXPECT_FALSE(Control<TButton>(invoice, "btnNabywca").Enabled());

    Click({"Kartoteki", "Cenniki"});
    Click({"Kartoteki", "Cenniki"});
    EXPECT_EQ(Container->Items()->Count(), 2) << "the invoice and one price list";
    TDBGrid& prices = Control<TDBGrid>(Window("TPriceListWindow", 1), "grdCennik");
    ASSERT_EQ(prices.RowCount(), 3);
    EXPECT_EQ((std::vector<std::string>{prices.Cells(1, 0), prices.Cells(2, 0), prices.Cells(3, 0)}),
              (std::vector<std::string>{"Kawa ziarnista 1 kg", "69.99", "86.09"}));
}

ZARIX_ON_BOTH_BACKENDS(SampleWindows);

}  // namespace
