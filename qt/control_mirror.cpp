// The control mirror.
#include "qt/control_mirror.h"

#include "platform/ui/controls.h"
#include "qt/adapter_registry.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"

#include <QFrame>
#include <QSignalBlocker>
#include <QTabWidget>

namespace zarix::qt {

namespace {

QString Text(const std::string& Value) { return QString::fromStdString(Value); }

QColor ToQColor(TColor Color, const QColor& Fallback) {
    if (!IsRGBColor(Color)) return Fallback;
    return QColor(GetRValue(Color), GetGValue(Color), GetBValue(Color));
}

}  // namespace

TControlMirror::TControlMirror(TAdapterRegistry& Registry, TAdapter& Owner, TComponent* Form, QWidget* Client)
    : FRegistry(Registry), FOwner(Owner), FForm(Form), FClient(Client) {
    Rebuild();
}

TControlMirror::~TControlMirror() { Clear(); }

void TControlMirror::Clear() {
    for (auto& [control, widget] : FWidgets) {
        FRegistry.UnwatchPart(const_cast<TComponent*>(control));
        if (widget) {
            widget->hide();
            widget->deleteLater();
        }
    }
    FWidgets.clear();
}

void TControlMirror::Rebuild() {
    Clear();
    if (!FClient) return;
    for (TControl* control : ControlsOf(FForm)) Build(control, FClient);
}

void TControlMirror::Build(TControl* Control, QWidget* Parent) {
    QWidget* widget = nullptr;
    if (auto* pages = dynamic_cast<TZarixPageControl*>(Control)) {
        auto* tabs = new QTabWidget(Parent);
        for (int i = 0; i < pages->PageCount(); ++i) {
            TKQTabSheet* sheet = pages->Pages(i);
            auto* page = new QWidget;
            tabs->addTab(page, Text(sheet->Caption()));
            FWidgets[sheet] = page;
            FRegistry.WatchPart(sheet, &FOwner);
            for (int k = 0; k < sheet->ControlCount(); ++k) Build(sheet->Controls(k), page);
        }
        tabs->setCurrentIndex(pages->ActivePageIndex());
        // A person choosing a tab makes its sheet the active page.
        TWeak<TZarixPageControl> model = pages;
        QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [model](int index) {
            if (TZarixPageControl* control = model.Get())
                if (index >= 0 && index < control->PageCount()) control->SetActivePageIndex(index);
        });
        widget = tabs;
    } else if (auto* panel = dynamic_cast<TZarixPanel*>(Control)) {
        auto* frame = new QFrame(Parent);
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setLineWidth(panel->BevelWidth());
        frame->setAutoFillBackground(true);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Window, ToQColor(panel->Color(), palette.color(QPalette::Window)));
        frame->setPalette(palette);
        widget = frame;
    } else {
        widget = new QWidget(Parent);
    }
    FWidgets[Control] = widget;
    FRegistry.WatchPart(Control, &FOwner);
    Place(Control, widget);
    if (dynamic_cast<TZarixPageControl*>(Control) == nullptr)
        for (int i = 0; i < Control->ControlCount(); ++i) Build(Control->Controls(i), widget);
}

void TControlMirror::Place(TControl* Control, QWidget* Widget) {
    // Sheets are placed by their tab widget.
    if (dynamic_cast<TKQTabSheet*>(Control) != nullptr) return;
    const TBounds& r = Control->BoundsRect();
    Widget->setGeometry(r.Left, r.Top, r.Width, r.Height);
    Widget->setVisible(Control->Visible());
}

bool TControlMirror::Changed(TComponent* Sender, std::string_view What) {
    auto it = FWidgets.find(Sender);
    if (it == FWidgets.end()) return false;
    auto* control = static_cast<TControl*>(Sender);
    QWidget* widget = it->second;
    if (widget == nullptr) return true;
    const QSignalBlocker blocker(widget);
    if (What == "Bounds" || What == "Visible" || What == "Align") {
        Place(control, widget);
    } else if (What == "ActivePage") {
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            tabs->setCurrentIndex(static_cast<TZarixPageControl*>(control)->ActivePageIndex());
    } else if (What == "Caption") {
        if (auto* sheet = dynamic_cast<TKQTabSheet*>(control))
            if (TZarixPageControl* pages = sheet->PageControl())
                if (auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(pages)))
                    tabs->setTabText(sheet->PageIndex(), Text(sheet->Caption()));
    } else if (What == "Parent" || What == "Pages" || What == "Controls") {
        Rebuild();
    }
    return true;
}

void TControlMirror::Freed(TComponent* Control) {
    auto it = FWidgets.find(Control);
    if (it == FWidgets.end()) return;
    if (QWidget* widget = it->second) {
        widget->hide();
        widget->deleteLater();
    }
    FWidgets.erase(it);
}

QWidget* TControlMirror::WidgetOf(const TComponent* Control) const {
    auto it = FWidgets.find(Control);
    return it == FWidgets.end() ? nullptr : it->second.data();
}

}  // namespace zarix::qt
