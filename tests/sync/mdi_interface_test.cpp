// The window contract, its query on any object, the shared enumerations and the identity of
// the two registries.
#include "sync/sync.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include "message_of.h"

#include <string>

namespace mdi_interface_test {

using namespace zarix;

class TInvoiceWindow : public TObject, public IMDIInterface {
public:
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return false; }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}
};

TEST(MDIInterface, TheIdentifierStoredValuesAndRegistriesAreFixedForEveryPlugin) {
    EXPECT_EQ(GUIDToString(IID_IMDIInterface), IID_IMDIInterfaceText);
    EXPECT_EQ(IID_IMDIInterfaceText, "{009A73CB-16EF-428E-9F11-88EFF07C3B4A}");
    // Plugins built apart pass these as numbers and reach the registries through the variables.
    EXPECT_EQ(static_cast<int>(askAll), 2);
    EXPECT_EQ(static_cast<int>(alRightTop), 2);
    EXPECT_EQ(&MDIResult(), &TSingleton::Instance<TMDIResults>());
    EXPECT_EQ(fMDIResult, &MDIResult());
    EXPECT_EQ(&ModifiedObjects(), &TSingleton::Instance<TModifiedObjects>());
    EXPECT_EQ(fModifiedObject, &ModifiedObjects());
}

TEST(MDIInterface, AWindowAnswersTheQueryAndOtherObjectsRaiseIntfCastError) {
    TInvoiceWindow window;
    TObject* asObject = &window;
    EXPECT_EQ(QueryMDIInterface(asObject), static_cast<IMDIInterface*>(&window));
    EXPECT_EQ(&GetMDIInterface(asObject), static_cast<IMDIInterface*>(&window));
    TObject plain;
    EXPECT_EQ(QueryMDIInterface(&plain), nullptr);
    EXPECT_EQ(QueryMDIInterface(nullptr), nullptr);
    EXPECT_EQ(MessageOf<EIntfCastError>([&] { GetMDIInterface(&plain); }), "Interface not supported");
    EXPECT_THROW(GetMDIInterface(nullptr), EIntfCastError);
}

}  // namespace mdi_interface_test
