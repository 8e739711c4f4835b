// The sample modules calling one another by name: the customer module's name lookup and
// settings, the price lists' routine, and the invoice that uses all three.
#include "sample_application.h"

#include "manager/result_type.h"
#include "services/exception_handler.h"

using namespace zarix;

class Calls : public SampleApplication {
protected:
    void SetUp() override {
        SampleApplication::SetUp();
        if (!Ready()) return;
        Check("");
    }
};

TEST_P(Calls, TheCustomerModuleAnswersByNameFromItsRegister) {
    EXPECT_EQ(Manager->methodByName("klient", "customername", Args(16), nullptr).AsString(), "Nowak Sp. z o.o.");
    Exec("UPDATE Kontrahenci SET KNTNazwa = 'Nowak i Syn Sp. z o.o.' WHERE KNTOrigid = 16");
    EXPECT_EQ(Manager->methodByName("KLIENT", "CustomerName", Args(16), nullptr).AsString(), "Nowak i Syn Sp. z o.o.");

    TCapturingExceptionSink sink;
    EXPECT_EQ(Manager->methodByName("KLIENT", "CustomerName", Args(99), nullptr).AsString(), "");
    EXPECT_EQ(Manager->methodByName("KLIENT", "CustomerName", Args(std::string("16")), nullptr).AsString(), "");
    ASSERT_EQ(sink.Reports().size(), 2u);
    EXPECT_EQ(sink.Reports()[0].Message, "Nie ma kontrahenta o identyfikatorze 99");
    EXPECT_EQ(sink.Reports()[1].Message, "CustomerName expects one integer, the customer's identifier");
}

TEST_P(Calls, TheSettingsAreReadAndWrittenByNameAndKeepTheirRange) {
    EXPECT_EQ(Manager->getClassValue("KLIENTUSTAWIENIA", "PaymentTermDays").AsInteger(), 14);
    EXPECT_EQ(Manager->getClassValue("KlientUstawienia", "DefaultCustomer").AsInteger(), 1);
    Manager->setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{30}));
    EXPECT_EQ(Manager->getClassValue("KlientUstawienia", "PaymentTermDays").AsInteger(), 30);
    EXPECT_THROW(Manager->setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{400})), EPluginError);
    EXPECT_EQ(Manager->getClassValue("KlientUstawienia", "PaymentTermDays").AsInteger(), 30);
}

TEST_P(Calls, AnInvoiceTakesItsBuyerTermAndPriceFromTheOtherModules) {
    EXPECT_EQ(Manager->ExecuteMethod("CenaNetto", Args(1, 102))->value.VInteger, 1450);
    EXPECT_THROW(Manager->ExecuteMethod("CenaNetto", Args(1, 999)), EPluginError);

    Manager->setClassValue("KlientUstawienia", "PaymentTermDays", Variant(int32_t{30}));
    const std::string written = Manager->methodByName("DOKMAG", "NowaFaktura", Args(101, 2), nullptr).AsString();
    EXPECT_EQ(written.substr(0, 5), "FV/1/");
    EXPECT_NE(written.find(": Klient detaliczny, 2 x 69,99 zł netto, termin płatności 30 dni"), std::string::npos) << written;
    EXPECT_EQ(Value("SELECT DOKKontrahent || ' ' || DOKTerminPlatnosci || ' ' || KNTObrot FROM Dokumenty "
                    "JOIN Kontrahenci ON KNTOrigid = DOKKontrahent"),
              "1 30 13998");

    // Goods the price list does not have: the invoice is not written at all.
    TCapturingExceptionSink sink;
    EXPECT_EQ(Manager->methodByName("DOKMAG", "NowaFaktura", Args(999, 1, 15), nullptr).AsString(), "");
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].Message, "\"CenaNetto\" failed execution.");
    EXPECT_EQ(Value("SELECT count(*) FROM Dokumenty"), "1");
}

ZARIX_ON_BOTH_BACKENDS(Calls);
