// The diagnostic log: each category tells its part of the work, and nothing is told when off.
#include "sample_application.h"

#include "platform/ui/menus.h"
#include "services/log.h"

#include <algorithm>
#include <functional>

using namespace zarix;

using LogTest = SampleApplication;

TEST_P(LogTest, EachCategoryTellsItsPartAndNothingIsToldWhenOff) {
    if (!Ready()) return;
    // Each action does a piece of work and returns what its category must have told.
    const std::function<std::string()> refuse = [&] {
        try {
            Manager->LoadPlugin(std::string(EXAMPLE_PLUGIN_DIR) + "/klient.bpl", false);
        } catch (const std::exception& e) {
            return std::string(e.what());  // the same reason the loading error gives
        }
        return std::string("klient.bpl was not refused");
    };
    const std::function<std::string()> buildMenu = [&] {
        TMainMenu menu(nullptr);
        Manager->SetCommandsBasedMenu(&menu, nullptr, nullptr);
        return std::string("Kartoteki|Kontrahenci: item \"&Kontrahenci\" made");
    };
    const std::function<std::string()> check = [&] {
        Check("");
        return std::string("module KLIENT, pass pmDBTableRequired: DBCONN: ");
    };
    const struct {
        const char* Categories;
        const char* Category;
        const std::function<std::string()>* Act;
    } cases[] = {
        {"load", "load", &refuse}, {"menu", "menu", &buildMenu}, {"db", "db", &check},
        {"", "", &refuse},         {"", "", &buildMenu},         {"", "", &check},
    };
    const uint32_t before = LogCategories();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Categories) + " / " + c.Category);
        std::vector<std::pair<std::string, std::string>> lines;
        TLogSink previous = SetLogSink([&](std::string_view category, std::string_view text) {
            lines.emplace_back(category, text);
        });
        SetLogCategories(ParseLogCategories(c.Categories).value());
        const std::string expected = (*c.Act)();
        SetLogCategories(before);
        SetLogSink(std::move(previous));
        if (*c.Category == '\0') {
            EXPECT_TRUE(lines.empty()) << lines.front().first << ": " << lines.front().second;
            continue;
        }
        const bool told = std::any_of(lines.begin(), lines.end(), [&](const auto& line) {
            return line.first == c.Category && line.second.find(expected) != std::string::npos;
        });
        EXPECT_TRUE(told) << "no " << c.Category << " line holds: " << expected;
    }
}

ZARIX_ON_BOTH_BACKENDS(LogTest);
