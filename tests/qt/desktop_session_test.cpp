// The desktop session through its widgets: menus, shortcuts, privileges, the windows tree, the
// close protocol, the progress dialog, unloading and the screenshots.
#include "desktop_session.h"
#include "scripted_tour.h"

#include "platform/os/module_info.h"
#include "platform/os/module_unload.h"
#include "platform/ui/application.h"
#include "platform/ui/db_grid.h"
#include "platform/ui/std_controls.h"
#include "services/controls/progress_form.h"
#include "services/db/query_rows.h"
#include "services/various.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <typeinfo>

using namespace zarix;
using namespace zarixdesktop;

namespace {

using TWindowMethod = Variant(TConstArray, TForm*);

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Application().ProcessMessages();
    }
}

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        Session = std::make_unique<TDesktopSession>(TDesktopOptions{Folder.filePath("demo.db").toStdString(), EXAMPLE_PLUGIN_DIR});
    }
    void TearDown() override {
        Session.reset();
        Settle();
    }
    void Start(int32_t user = 1) {
        Session->Start(user);
        Session->MainWindow()->resize(1000, 700);
        Session->MainWindow()->activateWindow();
        Settle();
    }
    QAction* ActionOf(std::initializer_list<const char*> path) const {
        TMenuItem* item = Session->MenuItem(path);
        return item != nullptr ? Session->FrontEnd().ActionOf(item) : nullptr;
    }
    TForm* Window(const char* className, int32_t record = 0) const {
        return Session->Container().IsMDIForm(nullptr, className, record, askAll);
    }
    template <class W = QWidget>
    W* WidgetOf(const TComponent* model) const { return qobject_cast<W*>(Session->FrontEnd().WidgetOf(model)); }
    QMdiSubWindow* SubWindowOf(TForm* form) const { return WidgetOf<QMdiSubWindow>(form); }
    QMdiArea* Area() const { return Session->MainWindow()->findChild<QMdiArea*>(); }
    QTreeWidget* Tree() const { return WidgetOf<QTreeWidget>(Session->Tree()); }
    QTreeWidgetItem* TreeItem(const QString& text) const {
        const QList<QTreeWidgetItem*> found = Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    /// Clicks the action in a drop-down or pop-up menu once the menu is on screen, as a person does.
    static void ClickIn(QMenu* menu, QAction* action) {
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        ASSERT_NE(action, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        Settle();
    }
    /// Opens the menu bar's entry and clicks the item in the drop-down.
    void ClickMenu(const char* top, const char* item) {
        QMenuBar* bar = Session->MainWindow()->menuBar();
        QAction* topAction = ActionOf({top});
        ASSERT_NE(topAction, nullptr) << top;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(topAction).center());
        ClickIn(topAction->menu(), ActionOf({top, item}));
    }

    QTemporaryDir Folder;
    std::unique_ptr<TDesktopSession> Session;
};

// The list closed through its tree node leaves its card, which goes when its plugin is unloaded.
TEST_F(DesktopSession, AMenuClickOpensTheCustomerListWhoseTreeNodeClosesItAndUnloadingThePluginTakesTheRest) {
    Start();
    ClickMenu("Kartoteki", "Kontrahenci");
    TWeak<TForm> list = Window("TCustomerList");
    ASSERT_TRUE(list);
    QPointer<QMdiSubWindow> window = SubWindowOf(list.Get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::tuple(window->isVisible(), window->windowTitle().toStdString(), Area()->activeSubWindow()),
              std::tuple(true, list.Get()->Caption(), window.data()));
    list.Get()->MethodAddress<TWindowMethod>("OpenCard")(Args(15), nullptr);
    Settle();
    QPointer<QWidget> card = SubWindowOf(Window("TCustomerCard", 15));
    ASSERT_TRUE(card);
    QTreeWidgetItem* item = TreeItem(QStringLiteral("Kontrahenci"));
    ASSERT_NE(item, nullptr);
    QWidget* viewport = Tree()->viewport();
    const QPoint at = Tree()->visualItemRect(item).center();
    // A right click reaches a widget as its context-menu event.
    QContextMenuEvent menuKey(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &menuKey);
    auto* menu = WidgetOf<QMenu>(Session->Tree()->PopupMenu());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    const auto close = std::find_if(actions.begin(), actions.end(), [](QAction* a) { return a->text() == "Zamknij"; });
    ClickIn(menu, close != actions.end() ? *close : nullptr);
    EXPECT_TRUE(!list && window.isNull() && TreeItem(QStringLiteral("Kontrahenci")) == nullptr);
    ASSERT_TRUE(card);
    QPointer<QAction> command = ActionOf({"Kartoteki", "Kontrahenci"});
    ASSERT_TRUE(command);
    const std::size_t adapters = Session->FrontEnd().AdapterCount();
    int klient = -1;
    for (int i = 0; i < Session->Manager().PluginCount(); ++i)
        if (StrStdSearch(Session->Manager().GetPlugins(i)->GetPluginName(), 500) == "KLIENT") klient = i;
    ASSERT_GE(klient, 0);
    Session->Manager().UnloadPlugin(klient);
    Settle();
    EXPECT_EQ(std::tuple(Session->Container().Items()->Count(), card.isNull(), Area()->subWindowList().size(),
                         Session->FrontEnd().AdapterCount()),
              std::tuple(0, true, 0, adapters - 1));
    // The command stays in the menu, cut from its plugin's code.
    ASSERT_FALSE(command.isNull());
    EXPECT_FALSE(command->isEnabled());
}

TEST_F(DesktopSession, EachUserSeesTheItemsHisPrivilegesAllowAndCheckedItemsAreCheckable) {
    const struct {
        int32_t User;
        std::initializer_list<const char*> Path;
        bool Enabled;
    } cases[] = {
        {1, {"Kartoteki", "Zmiana cen"}, true},  {1, {"Dokumenty", "Magazyn", "Wydanie zewnętrzne"}, true},
        {2, {"Kartoteki", "Kontrahenci"}, true}, {2, {"Kartoteki", "Zmiana cen"}, false},
        {2, {"Kartoteki", "Grupy kontrahentów"}, false}, {2, {"Dokumenty", "Magazyn", "Wydanie zewnętrzne"}, false},
        {2, {"Dokumenty", "Sprzedaż", "Faktura VAT"}, true},
    };
    Start(1);
    auto* bar = WidgetOf<QToolBar>(Session->ToolBar());
    ASSERT_NE(bar, nullptr);
    // "_" joins the words of a caption; the button shows a blank there.
    QStringList captions;
    for (QAction* button : bar->actions()) captions << button->text();
    EXPECT_TRUE(captions.contains(QStringLiteral("Faktura\u00a0VAT"))) << captions.join('|').toStdString();
    // A checked item is a checkable action that turns the item both ways.
    TMenuItem* item = Session->MenuItem({"Kartoteki", "Zmiana cen"});
    QAction* action = ActionOf({"Kartoteki", "Zmiana cen"});
    ASSERT_TRUE(item != nullptr && action != nullptr);
    EXPECT_FALSE(action->isCheckable());
    item->SetChecked(true);
    EXPECT_TRUE(action->isCheckable() && action->isChecked());
    for (const bool expected : {false, true}) {
        action->trigger();
        EXPECT_EQ(std::pair(item->Checked(), action->isChecked()), std::pair(expected, expected));
    }
    for (const auto& c : cases) {
        if (Session->User() != c.User) Session->LogIn(c.User);
        Settle();
        QAction* action = ActionOf(c.Path);
        ASSERT_NE(action, nullptr) << *(c.Path.end() - 1);
        EXPECT_EQ(action->isEnabled(), c.Enabled) << "user " << c.User << ": " << *(c.Path.end() - 1);
    }
    // User 2 chose captionless buttons of his own.
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

TEST_F(DesktopSession, AMessagePostedByAnotherThreadWakesTheSleepingLoop) {
    Start();
    QEventLoop loop;
    std::thread worker;
    // The worker posts once the loop has gone to sleep; only the guard's timer could wake it else.
    QTimer::singleShot(0, &loop, [&] {
        worker = std::thread([&loop] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Application().Queue([&loop] { loop.exit(0); });
        });
    });
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0);
    worker.join();
    Application().ProcessMessages();  // a message left behind runs while its loop is alive
}

// Classes of this program, standing for a library's own.
struct TProgramForm : TForm { using TForm::TForm; };
class TProgramWidget : public QWidget {};

TEST_F(DesktopSession, AnUnloadingLibraryTakesTheAdaptersAndWidgetsOfItsClasses) {
    Start();
    TProgramForm form(nullptr);
    form.Show();
    Settle();
    ASSERT_NE(WidgetOf(&form), nullptr);
    QPointer<QWidget> own = new TProgramWidget;
    QPointer<QWidget> frame = Session->MainWindow();
    const std::size_t adapters = Session->FrontEnd().AdapterCount();
    NotifyModuleUnload({ModuleOfCode(&typeid(form)), 0, "program"}, [](std::exception_ptr) noexcept { ADD_FAILURE(); });
    EXPECT_EQ(std::pair(Session->FrontEnd().AdapterCount(), WidgetOf(&form)), (std::pair<std::size_t, QWidget*>(adapters - 1, nullptr)));
    EXPECT_TRUE(own.isNull() && !frame.isNull());
}

TEST_F(DesktopSession, AltF1RunsTheFirstToolbarCommandFromAnInvoiceThatRefusesToClose) {
    Start();
    QAction* invoiceAction = ActionOf({"Dokumenty", "Sprzedaż", "Faktura VAT"});
    ASSERT_NE(invoiceAction, nullptr);
    invoiceAction->trigger();
    Settle();
    TForm* invoice = Window("TInvoiceWindow");
    ASSERT_NE(SubWindowOf(invoice), nullptr);
    // Pressed inside another window of the frame: the shortcut still reaches the main window.
    QTest::keyClick(SubWindowOf(invoice)->widget(), Qt::Key_F1, Qt::AltModifier);
    Settle();
    ASSERT_NE(Window("TCustomerList"), nullptr);
    EXPECT_EQ(Area()->activeSubWindow(), SubWindowOf(Window("TCustomerList")));
    ClickMenu("Dokumenty", "Sprzedaż");  // opens the submenu only
    invoice->MethodAddress<TWindowMethod>("PickCustomer")({}, nullptr);
    Settle();
    // Any message the refusal shows is dismissed, as a person would.
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    dismiss.start(20);
    QPointer<QMdiSubWindow> window = SubWindowOf(invoice);
    ASSERT_NE(window, nullptr);
    window->close();
    Settle();
    dismiss.stop();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(std::pair(window->isVisible(), Window("TInvoiceWindow")), std::pair(true, invoice));
    EXPECT_NE(window->windowTitle().indexOf(QStringLiteral("nie zamknięto")), -1) << window->windowTitle().toStdString();
}

TEST_F(DesktopSession, TheProgressDialogShowsEveryStepOfTheDatabaseCheck) {
    std::vector<std::string> seen;
    Session->FrontEnd().SetChangeObserver([&](const TUIChange& change, QWidget* widget) {
        auto* dialog = qobject_cast<QProgressDialog*>(widget);
        if (dialog == nullptr || dynamic_cast<TProgressFrm*>(change.Sender) == nullptr || change.What != "Position") return;
        if (dialog->labelText().startsWith(QStringLiteral("Wczytywanie"))) return;
        seen.push_back(dialog->labelText().toStdString() + " @" + std::to_string(dialog->value()) + "/" +
                       std::to_string(dialog->maximum()) + (dialog->isModal() && dialog->isVisible() ? "" : " (not shown)"));
    });
    Start();
    Session->FrontEnd().SetChangeObserver({});
    ASSERT_TRUE(Session->DatabaseChecked());
    const std::vector<std::string> expected = {
        "Podnoszenie baz danych... @5/10",                        "Weryfikacja struktury modułu: Kontrahenci @6/10",
        "Weryfikacja struktury modułu: Cenniki @7/10",            "Weryfikacja struktury modułu: Dokumenty handlowe @8/10",
        "Weryfikacja procedur modułu: Kontrahenci @9/10",         "Weryfikacja procedur modułu: Cenniki @10/10",
        "Weryfikacja procedur modułu: Dokumenty handlowe @10/10", "Weryfikacja danych modułu: Kontrahenci @10/10",
        "Weryfikacja danych modułu: Cenniki @10/10",              "Weryfikacja danych modułu: Dokumenty handlowe @10/10"};
    EXPECT_EQ(seen, expected);
}

TEST_F(DesktopSession, AGridShowsTheCustomersPageByPageAndControlsFeedTheirForm) {
    Start();
    // A host's own window over the customer register: a grid and a line of controls under it.
    auto* form = new TZarixMdiForm(Session->Frame());
    form->SetBounds(0, 0, 520, 300);
    const auto dock = [form](auto* control, TAlign align) {
        control->SetParent(form);
        control->SetAlign(align);
        return control;
    };
    auto* grid = dock(new TDBGrid(form), alClient);
    grid->SetPageSize(2);
    grid->SetRowSource(std::make_unique<TQueryRows>("SELECT KNTSkrot, KNTNazwa FROM Kontrahenci ORDER BY KNTOrigid", "DBCONN"));
    grid->Open();
    auto* edit = dock(new TEdit(form), alBottom);
    edit->SetMaxLength(5);
    auto* check = dock(new TCheckBox(form), alBottom);
    check->SetCaption("Aktywni");
    form->Show();
    Settle();
    auto* view = WidgetOf<QTableView>(grid);
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("KNTNazwa"));
    while (model->canFetchMore({})) model->fetchMore({});
    ASSERT_EQ(model->rowCount(), 4);
    const char* names[] = {"Klient detaliczny", "Kowalski Jan", "Nowak Sp. z o.o.", "Zielony Rynek S.A."};
    for (int row = 0; row < 4; ++row) EXPECT_EQ(model->index(row, 1).data().toString().toStdString(), names[row]);
    // A click makes its row current; Down moves on through the grid's own key handling.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(model->index(1, 0)).center());
    EXPECT_EQ(grid->Row(), 1);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(std::pair(grid->Row(), view->currentIndex().row()), std::pair(2, 2));
    // Typing goes through the edit's model, which cuts it to its length; a click toggles the box.
    auto* line = WidgetOf<QLineEdit>(edit);
    auto* box = WidgetOf<QCheckBox>(check);
    ASSERT_TRUE(line != nullptr && box != nullptr);
    QTest::keyClicks(line, QStringLiteral("Kowalski"));
    EXPECT_EQ(std::pair(edit->Text(), line->text().toStdString()), std::pair(std::string("Kowal"), std::string("Kowal")));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_TRUE(check->Checked());
    delete form;
    Settle();
    EXPECT_EQ(WidgetOf(grid), nullptr);
}

TEST_F(DesktopSession, TheScriptedTourWritesScreenshotsOfWhatItShows) {
    QTemporaryDir shots;
    ASSERT_EQ(RunScriptedTour(*Session, 1, shots.path().toStdString()), 0);
    const QSize main = Session->MainWindow()->size();
    // The progress dialog's size follows its text: only a lower bound for it.
    const std::pair<const char*, QSize> expected[] = {
        {"main.png", main}, {"menu.png", main}, {"progress.png", {}}, {"modules.png", {582, 324}}};
    for (const auto& [name, size] : expected) {
        const QImage image(shots.filePath(QString::fromLatin1(name)));
        ASSERT_FALSE(image.isNull()) << name;
        if (size.isValid()) EXPECT_EQ(image.size(), size) << name;
        else EXPECT_GE(image.width(), 300) << name;
        // Not blank: a drawn window has text, frames and icons in many colours.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << name;
    }
}

}  // namespace
