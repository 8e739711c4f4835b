// TValidation: messages collected, shown together through the message box, then forgotten.
#include "services/db/zarix_db.h"

#include "platform/ui/message_box.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace zarix;

TEST(Validation, ShowPresentsEveryMessageInOneBoxAndForgetsThemOnlyOnceShown) {
    bool fail = true;
    TMessageBoxHandler previous = SetMessageBoxHandler([&](const TMessageBoxRequest&) {
        if (fail) throw std::runtime_error("no display");
        return static_cast<int>(mrOk);
    });
    ClearShownMessages();
    TValidation v(nullptr);
    v.SetCaption("Kontrahent");
    v.Add("Brak NIP.");  // "No tax number."
    v.Add("Nazwa jest pusta.");  // "The name is empty."
    EXPECT_THROW(v.Show(), std::runtime_error);
    EXPECT_EQ(v.Messages(), (std::vector<std::string>{"Brak NIP.", "Nazwa jest pusta."}));
    fail = false;
    ClearShownMessages();
    v.Show();
    const auto shown = ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Brak NIP.\nNazwa jest pusta.");
    EXPECT_EQ(shown[0].Caption, "Kontrahent");
    EXPECT_EQ(shown[0].Buttons, MB_OK);
    EXPECT_EQ(v.Count(), 0);
    v.Show();
    EXPECT_EQ(ShownMessages().size(), 1u) << "nothing collected, nothing shown";
    SetMessageBoxHandler(previous);
    ClearShownMessages();
}
