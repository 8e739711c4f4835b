// The standard controls: what a person's typing, clicking and choosing does to the model, which
// events fire and what the front-end is told; and the data grid over a real SQLite table and
// over rows held in memory: lazy pages, sorting, the current row and the person's keys and clicks.
#include "platform/ui/std_controls.h"

#include "platform/ui/db_grid.h"
#include "platform/ui/forms.h"
#include "services/db/query_rows.h"
#include "services/db/zarix_db.h"

#include "message_of.h"
#include "ui_change_scope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace zarix;

namespace {

TEST(StdControls, EditTypingHonoursReadOnlyEnabledAndMaxLengthInCodePoints) {
    // A case: read-only, enabled and the length limit; what is typed and whether it is accepted;
    // then the model's text (from "abc"), the OnChange calls and the "Text" notices through the seam.
    const std::tuple<const char*, bool, bool, int, const char*, bool, std::string, int, int> cases[] = {
        {"plain", false, true, 0, "abcd", true, "abcd", 1, 1},
        {"unchanged", false, true, 0, "abc", true, "abc", 0, 0},
        {"cut to length", false, true, 4, "Łódź123", true, "Łódź", 1, 1},
        {"cut back to the same text", false, true, 3, "abcdef", true, "abc", 0, 1},
        {"read-only reverts", true, true, 0, "xyz", false, "abc", 0, 1},
        {"disabled reverts", false, false, 0, "xyz", false, "abc", 0, 1},
    };
    for (const auto& [name, readOnly, enabled, maxLength, typed, accepted, text, changes, notices] : cases) {
        SCOPED_TRACE(name);
        TEdit edit(nullptr);
        edit.SetText("abc");
        edit.SetReadOnly(readOnly);
        edit.SetEnabled(enabled);
        edit.SetMaxLength(maxLength);
        int changed = 0, noticed = 0;
        edit.OnChange = [&](TObject* sender) { changed += sender == &edit; };
        const TUIChangeScope frontEnd([&](const TUIChange& change) { noticed += change.What == "Text"; });
        EXPECT_EQ(edit.TypeText(typed), accepted);
        EXPECT_EQ(std::tuple(edit.Text(), changed, noticed), std::tuple(text, changes, notices));
    }
}

TEST(StdControls, ComboBoxChoosingAndTypingByStyle) {
    // A case: the style; the item the person chooses, or the text typed where one is given (item
    // 0, "Gotówka", is chosen at the start); then whether it is accepted, the item index, the
    // text and the OnChange calls.
    const std::tuple<const char*, TComboBoxStyle, int, const char*, bool, int, std::string, int> cases[] = {
        {"choose another", csDropDownList, 2, nullptr, true, 2, "Karta", 1},
        {"choose the same", csDropDownList, 0, nullptr, true, 0, "Gotówka", 0},
        {"choose none", csDropDown, -1, nullptr, true, -1, "", 1},
        {"type an item's text", csDropDown, -2, "Przelew", true, 1, "Przelew", 1},
        {"type free text", csDropDown, -2, "Barter", true, -1, "Barter", 1},
        {"list refuses typing", csDropDownList, -2, "Barter", false, 0, "Gotówka", 0},
    };
    for (const auto& [name, style, choose, typed, accepted, itemIndex, text, changes] : cases) {
        SCOPED_TRACE(name);
        TComboBox box(nullptr);
        box.SetItems({"Gotówka", "Przelew", "Karta"});
        box.SetItemIndex(0);
        box.SetStyle(style);  // a chosen item's text stays
        int changed = 0;
        box.OnChange = [&](TObject*) { ++changed; };
        const bool taken = typed != nullptr ? box.TypeText(typed) : box.Choose(choose);
        EXPECT_EQ(std::tuple(taken, box.ItemIndex(), box.Text(), changed), std::tuple(accepted, itemIndex, text, changes));
    }
    TComboBox box(nullptr);
    EXPECT_THROW(box.Choose(0), EListError);
    box.SetItems({"A"});
    box.SetItemIndex(0);
    box.SetItems({"B"});  // the chosen text is gone
    box.SetStyle(csDropDownList);  // and free text shows no more
    EXPECT_EQ(std::pair(box.ItemIndex(), box.Text()), std::pair(-1, std::string()));
}

TEST(StdControls, ClicksFireOnlyOnEnabledVisibleControlsAndDialogKeysFindTheirButtons) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* panel = new TControl(form.get());
    panel->SetParent(form.get());
    std::vector<std::string> clicked;
    const auto button = [&](TComponent* parent, const char* name, bool isDefault, bool isCancel) {
        auto* b = new TButton(form.get());
        b->SetName(name);
        b->SetParent(parent);
        b->SetDefault(isDefault);
        b->SetCancel(isCancel);
        b->OnClick = [&clicked, b](TObject*) { clicked.push_back(b->Name()); };
        return b;
    };
    TButton* disabledOk = button(form.get(), "DisabledOk", true, false);
    disabledOk->SetEnabled(false);
    button(panel, "Ok", true, false);
    TButton* cancel = button(panel, "Cancel", false, true);

    EXPECT_FALSE(disabledOk->Click());
    EXPECT_TRUE(PressDialogKey(form.get(), VK_RETURN));
    EXPECT_TRUE(PressDialogKey(form.get(), VK_ESCAPE));
    cancel->SetVisible(false);
    EXPECT_FALSE(PressDialogKey(form.get(), VK_ESCAPE));
    EXPECT_FALSE(PressDialogKey(form.get(), VK_DOWN));
    EXPECT_EQ(clicked, (std::vector<std::string>{"Ok", "Cancel"}));

    TCheckBox box(form.get());
    int clicks = 0;
    box.OnClick = [&](TObject*) { ++clicks; };
    EXPECT_TRUE(box.Click());
    box.SetChecked(true);  // already checked: no event
    box.SetEnabled(false);
    EXPECT_FALSE(box.Click());
    EXPECT_EQ(std::pair(box.Checked(), clicks), std::pair(true, 1));
}

constexpr const char* kConnection = "GRIDTEST";

// 250 goods: index 1..250, a name that sorts the other way, and a price.
class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        DBInt().OpenConnection(kConnection, ":memory:");
        DBInt().ExecSQL(kConnection,
                        "CREATE TABLE Towary (TOWIndeks INTEGER PRIMARY KEY, TOWNazwa TEXT, TOWCena INTEGER);"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
                        "INSERT INTO Towary SELECT i, printf('Towar %03d', 251 - i), i * 10 FROM n");
        FGrid.SetPageSize(100);
        FGrid.SetRowSource(std::make_unique<TQueryRows>("SELECT * FROM Towary;", kConnection));
    }
    void TearDown() override { DBInt().CloseConnection(kConnection); }

    // The grid over the same rows held in memory, sorted by the grid itself.
    void UseRowList() {
        std::vector<TGridRow> rows;
        for (int i = 1; i <= 250; ++i) rows.push_back({std::to_string(i), "Towar " + std::to_string(1000 - i), std::to_string(i * 10)});
        FGrid.SetRowSource(std::make_unique<TRowList>(std::vector<std::string>{"TOWIndeks", "TOWNazwa", "TOWCena"}, rows));
    }

    TDBGrid FGrid{nullptr};
};

TEST_F(DBGridTest, OpensToTheFirstPageAndFetchesTheRestPageByPage) {
    std::vector<std::string> seam;
    const TUIChangeScope frontEnd([&](const TUIChange& c) {
        if (c.Sender == &FGrid) seam.emplace_back(c.What);
    });
    FGrid.OnRowChange = [&](TObject*) { seam.emplace_back("OnRowChange"); };
    FGrid.Open();
    EXPECT_EQ(std::pair(FGrid.RowCount(), FGrid.Row()), std::pair(100, 0));
    ASSERT_EQ(FGrid.ColumnCount(), 3);
    EXPECT_EQ(FGrid.Columns(1).Title, "TOWNazwa");
    for (const int added : {100, 50, 0}) EXPECT_EQ(FGrid.FetchMore(), added);
    EXPECT_EQ(std::pair(FGrid.CanFetchMore(), FGrid.Cells(0, 249)), std::pair(false, std::string("250")));
    EXPECT_EQ(MessageOf<EListError>([&] { FGrid.Cells(3, 0); }), "Grid column index out of bounds (3)");
    const auto count = [&](const char* what) { return std::count(seam.begin(), seam.end(), what); };
    EXPECT_EQ(std::tuple(count("RowsFetched"), count("Rows"), count("OnRowChange")), std::tuple(2L, 1L, 1L));
}

TEST_F(DBGridTest, TitleClicksSortAscendingThenDescendingForQueriesAndHeldRows) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held rows" : "query");
        if (held) UseRowList();
        FGrid.Open();
        FGrid.SetRow(5);
        const int fetched = held ? 250 : 100;  // a query reads its first page again, held rows are all there
        // The column clicked, then the sort it gives and the first row's index afterwards.
        const std::tuple<int, bool, std::string> steps[] = {{0, false, "1"}, {0, true, "250"}, {1, false, "250"}, {1, true, "1"},
                                                           {2, false, "1"}, {2, true, "250"}};
        for (const auto& [column, descending, first] : steps) {
            FGrid.TitleClick(column);
            EXPECT_EQ(std::tuple(FGrid.SortColumn(), FGrid.SortDescending(), FGrid.CurrentValue("towindeks"), FGrid.RowCount()),
                      std::tuple(column, descending, first, fetched));
        }
        if (!held) {
            EXPECT_NE(static_cast<TQueryRows*>(FGrid.RowSource())->OpenedSQL().find("ORDER BY 3 DESC"), std::string::npos);
        }
        FGrid.SortBy(-1, false);
    }
}

TEST_F(DBGridTest, HeldRowsSortNumbersByValueBeforeTexts) {
    std::vector<TGridRow> rows;
    for (const char* value : {"abc", "10", "", "9", "2.5", "Abc"}) rows.push_back({value});
    FGrid.SetRowSource(std::make_unique<TRowList>(std::vector<std::string>{"Wartość"}, rows));
    FGrid.Open();
    FGrid.SortBy(0, false);
    std::vector<std::string> order;
    for (int row = 0; row < FGrid.RowCount(); ++row) order.push_back(FGrid.Cells(0, row));
    EXPECT_EQ(order, (std::vector<std::string>{"2.5", "9", "10", "", "Abc", "abc"}));
}

TEST_F(DBGridTest, KeysMoveTheCurrentRowFetchingAsTheyGoAndEnterReachesTheHandler) {
    FGrid.Open();
    int enters = 0, doubleClicks = 0;
    FGrid.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        if (key == VK_RETURN) ++enters, key = 0;
    };
    FGrid.OnDblClick = [&](TObject*) { ++doubleClicks; };
    // The key pressed, then the current row and the rows fetched.
    const std::tuple<uint16_t, int, int> steps[] = {{VK_END, 99, 100}, {VK_DOWN, 100, 200}, {VK_NEXT, 200, 250}, {VK_NEXT, 249, 250},
                                                    {VK_UP, 248, 250}, {VK_HOME, 0, 250}, {VK_RETURN, 0, 250}};
    for (const auto& [pressed, row, fetched] : steps) {
        uint16_t key = pressed;
        FGrid.KeyDown(key, 0);
        EXPECT_EQ(std::pair(FGrid.Row(), FGrid.RowCount()), std::pair(row, fetched)) << pressed;
    }
    FGrid.DblClick(7);
    EXPECT_EQ(std::tuple(FGrid.CurrentValue("TOWIndeks"), enters, doubleClicks), std::tuple(std::string("8"), 1, 1));
    EXPECT_THROW(FGrid.SetRow(250), EListError);
}

TEST_F(DBGridTest, RefreshReadsChangedRowsAndKeepsThePlaceAndAFailedOpenLeavesTheGridClosed) {
    FGrid.AddColumn("TOWNazwa", "Nazwa", 200);
    FGrid.Open();
    FGrid.FetchMore();
    FGrid.SetRow(150);
    DBInt().ExecSQL(kConnection, "UPDATE Towary SET TOWNazwa = 'Kawa' WHERE TOWIndeks = 151");
    FGrid.Refresh();
    EXPECT_EQ(std::tuple(FGrid.Row(), FGrid.RowCount(), FGrid.Cells(0, 150), FGrid.Columns(0).Width),
              std::tuple(150, 200, std::string("Kawa"), 200));
    // A refresh that fails leaves no open grid pointing at rows it no longer has.
    FGrid.FetchMore();  // to the end, which lets the table go
    DBInt().ExecSQL(kConnection, "DROP TABLE Towary");
    EXPECT_THROW(FGrid.Refresh(), EDatabaseError);
    EXPECT_EQ(std::pair(FGrid.Active(), FGrid.Row()), std::pair(false, -1));

    FGrid.SetRowSource(std::make_unique<TQueryRows>("SELECT * FROM Brak", kConnection));
    EXPECT_THROW(FGrid.Open(), EDatabaseError);
    EXPECT_EQ(std::tuple(FGrid.Active(), FGrid.RowCount(), FGrid.CanFetchMore()), std::tuple(false, 0, false));
}

}  // namespace
