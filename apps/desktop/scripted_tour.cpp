// The scripted tour.
#include "scripted_tour.h"

#include "platform/rtl/varrec.h"
#include "platform/ui/application.h"
#include "services/controls/progress_form.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <iostream>

namespace zarixdesktop {

using namespace zarix;

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Application().ProcessMessages();
}

bool Save(const QPixmap& Picture, const QDir& Folder, const char* Name) {
    const QString path = Folder.filePath(QString::fromLatin1(Name));
    if (!Picture.save(path)) {
        std::cerr << "zarix-desktop: cannot write " << path.toStdString() << '\n';
        return false;
    }
    std::cout << "screenshot: " << path.toStdString() << '\n';
    return true;
}

void Trigger(TDesktopSession& Session, std::initializer_list<const char*> Path) {
    TMenuItem* item = Session.MenuItem(Path);
    QAction* action = item != nullptr ? Session.FrontEnd().ActionOf(item) : nullptr;
    if (action == nullptr) throw Exception("no menu item for " + std::string(*(Path.end() - 1)));
    action->trigger();
    Settle();
}

// Runs a published method of a window by name, as the window's own button would.
void Call(TForm* Window, const char* Method, TConstArray Args) {
    using TWindowMethod = Variant(TConstArray, TForm*);
    if (Window == nullptr) throw Exception(std::string("no window for ") + Method);
    auto bound = Window->MethodAddress<TWindowMethod>(Method);
    if (!bound) throw Exception(std::string(Window->ClassName()) + " has no method " + Method);
    bound(Args, nullptr);
}

}  // namespace

int RunScriptedTour(TDesktopSession& Session, int32_t User, const std::string& Folder) {
    QDir folder(QString::fromStdString(Folder));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::cerr << "zarix-desktop: cannot make " << Folder << '\n';
        return 1;
    }
    bool ok = true;
    bool progressTaken = false;
    // The database check's dialog is caught in the middle of its second pass.
    Session.FrontEnd().SetChangeObserver([&](const TUIChange& Change, QWidget* Widget) {
        auto* progress = dynamic_cast<TProgressFrm*>(Change.Sender);
        if (progressTaken || progress == nullptr || Widget == nullptr || Change.What != "TextLine") return;
        if (progress->TextLine().rfind("Weryfikacja procedur", 0) != 0) return;
        progressTaken = true;
        ok &= Save(Widget->grab(), folder, "progress.png");
    });
    Session.Start(User);
    Session.FrontEnd().SetChangeObserver({});
    if (!progressTaken) std::cerr << "zarix-desktop: the database check did not run; no progress.png\n";
    QMainWindow* window = Session.MainWindow();
    window->resize(1180, 760);
    Settle();

    // Kartoteki > Kontrahenci opens the customer list, which opens the card of customer 15;
    // Dokumenty > Sprzedaż > Faktura VAT opens an invoice.
    Trigger(Session, {"Kartoteki", "Kontrahenci"});
    Call(Session.Container().IsMDIForm(nullptr, "TCustomerList", 0, askAll), "OpenCard", Args(15));
    Trigger(Session, {"Dokumenty", "Sprzedaż", "Faktura VAT"});
    Session.Tile();
    Settle();
    ok &= Save(window->grab(), folder, "main.png");

    // An open menu is a window of its own: drawn onto the main window where it opens.
    QAction* kartoteki = Session.FrontEnd().ActionOf(Session.MenuItem({"Kartoteki"}));
    if (QMenu* menu = kartoteki != nullptr ? kartoteki->menu() : nullptr) {
        const QPoint at = window->menuBar()->mapTo(window, window->menuBar()->actionGeometry(kartoteki).bottomLeft());
        menu->popup(window->mapToGlobal(at));
        Settle();
        QPixmap picture = window->grab();
        QPainter painter(&picture);
        painter.drawPixmap(at, menu->grab());
        painter.end();
        menu->hide();
        ok &= Save(picture, folder, "menu.png");
    } else {
        std::cerr << "zarix-desktop: no Kartoteki menu\n";
        ok = false;
    }

    TForm* modules = Session.ShowPluginManager();
    Settle();
    if (QWidget* widget = Session.FrontEnd().WidgetOf(modules)) ok &= Save(widget->grab(), folder, "modules.png");
    else ok = false;
    modules->Close();
    Session.CloseChildren();
    Settle();
    return ok && progressTaken ? 0 : 1;
}

}  // namespace zarixdesktop
