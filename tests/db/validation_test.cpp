// TValidation: messages collected, shown together through the message box, then forgotten.
#include "services/db/zarix_db.h"

#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace validation_test {

using namespace zarix;

class Validation : public ::testing::Test {
protected:
    void SetUp() override {
        FPrevious = SetMessageBoxHandler([this](const TMessageBoxRequest&) {
            if (FFail) throw std::runtime_error("no display");
            return static_cast<int>(mrOk);
        });
        ClearShownMessages();
    }
    void TearDown() override {
        SetMessageBoxHandler(FPrevious);
        ClearShownMessages();
    }
    bool FFail = false;

private:
    TMessageBoxHandler FPrevious;
};

TEST_F(Validation, ShowPresentsEveryMessageInOneBoxAndForgetsThem) {
    TValidation v(nullptr);
    v.SetCaption("Kontrahent");
    v.Add("Brak NIP.");
    v.Add("Nazwa jest pusta.");
    EXPECT_EQ(v.Count(), 2);
    v.Show();
    const auto shown = ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Brak NIP.\nNazwa jest pusta.");
    EXPECT_EQ(shown[0].Caption, "Kontrahent");
    EXPECT_EQ(shown[0].Buttons, MB_OK);
    EXPECT_EQ(v.Count(), 0);
    v.Show();
    EXPECT_EQ(ShownMessages().size(), 1u) << "nothing collected, nothing shown";
}

TEST_F(Validation, MessagesSurviveAMessageBoxThatFails) {
    TValidation v(nullptr);
    v.Add("Brak NIP.");
    FFail = true;
    EXPECT_THROW(v.Show(), std::runtime_error);
    EXPECT_EQ(v.Messages(), std::vector<std::string>{"Brak NIP."});
    FFail = false;
    v.Show();
    EXPECT_EQ(v.Count(), 0);
    v.Add("Inny");
    v.Clear();
    EXPECT_EQ(v.Count(), 0);
}

}  // namespace validation_test
