// The window contract, its query on any object, the shared enumerations and the identity of
// the two registries.
#include "sync/sync.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace mdi_interface_test {

using namespace zarix;

class TInvoiceWindow : public TObject, public IMDIInterface {
public:
    int Refreshed = 0;
    void MDIRefresh() override { ++Refreshed; }
    bool MDICanClose(const std::string& Name, int32_t OrigId, std::string& Msg) override {
        Msg = "Okno " + Name + " ma niezapisane zmiany (" + std::to_string(OrigId) + ")";
        return false;
    }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}
};

TEST(MDIInterface, TheIdentifierBytesReadAsItsTextForm) {
    EXPECT_EQ(GUIDToString(IID_IMDIInterface), IID_IMDIInterfaceText);
    EXPECT_EQ(IID_IMDIInterfaceText, "{009A73CB-16EF-428E-9F11-88EFF07C3B4A}");
}

TEST(MDIInterface, AWindowAnswersTheQueryAndOtherObjectsRaiseIntfCastError) {
    TInvoiceWindow window;
    TObject* asObject = &window;
    IMDIInterface* intf = QueryMDIInterface(asObject);
    ASSERT_EQ(intf, static_cast<IMDIInterface*>(&window));
    std::string msg;
    EXPECT_FALSE(GetMDIInterface(asObject).MDICanClose("FAKTURA", 12, msg));
    EXPECT_EQ(msg, "Okno FAKTURA ma niezapisane zmiany (12)");
    intf->MDIRefresh();
    EXPECT_EQ(window.Refreshed, 1);

    TObject plain;
    EXPECT_EQ(QueryMDIInterface(&plain), nullptr);
    EXPECT_EQ(QueryMDIInterface(nullptr), nullptr);
    try {
        GetMDIInterface(&plain);
        FAIL() << "expected EIntfCastError";
    } catch (const EIntfCastError& e) {
        EXPECT_EQ(e.Message(), "Interface not supported");
    }
    EXPECT_THROW(GetMDIInterface(nullptr), EIntfCastError);
}

TEST(SharedTypes, EnumerationsKeepTheirStoredValuesAndIdentifiers) {
    EXPECT_EQ(static_cast<int>(askAll), 2);
    EXPECT_EQ(ZarixEnumInfo(askBottom).NameOf(askBottom), "askBottom");
    EXPECT_EQ(static_cast<int>(alRightTop), 2);
    EXPECT_EQ(ZarixEnumInfo(alCascade).ValueOf("alCascade"), 1);
}

TEST(SharedRegistries, AccessorSingletonAndVariableAreOneObject) {
    EXPECT_EQ(&MDIResult(), &TSingleton::Instance<TMDIResults>());
    EXPECT_EQ(fMDIResult, &MDIResult());
    EXPECT_EQ(&ModifiedObjects(), &TSingleton::Instance<TModifiedObjects>());
    EXPECT_EQ(fModifiedObject, &ModifiedObjects());
    EXPECT_EQ(MDIResult().ClassName(), "TMDIResults");
    EXPECT_EQ(MDIResult().Count(), 0);
    EXPECT_EQ(ModifiedObjects().Count(), 0);
}

}  // namespace mdi_interface_test
