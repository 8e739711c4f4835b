// The control mirror.
#include "qt/control_mirror.h"

#include "platform/ui/controls.h"
#include "platform/ui/db_grid.h"
#include "platform/ui/std_controls.h"
#include "qt/front_end.h"
#include "qt/grid_model.h"
#include "qt/adapter_registry.h"
#include "services/controls/page_control.h"
#include "services/controls/panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

namespace zarix::qt {

namespace {

QString Text(const std::string& Value) { return QString::fromStdString(Value); }

QColor ToQColor(TColor Color, const QColor& Fallback) {
    if (!IsRGBColor(Color)) return Fallback;
    return QColor(GetRValue(Color), GetGValue(Color), GetBValue(Color));
}

// The form a control lies in, for the keys a form answers (Enter, Escape).
TComponent* FormOf(TControl* Control) {
    TComponent* parent = Control->Parent();
    while (auto* inner = dynamic_cast<TControl*>(parent)) parent = inner->Parent();
    return parent;
}

// An edit's line: Enter and Escape go to the edit's key event, then to the form's default or
// cancel button, as on the platform.
class TEditLine : public QLineEdit {
public:
    TEditLine(TEdit* Edit, QWidget* Parent) : QLineEdit(Parent), FEdit(Edit) {}

protected:
    void keyPressEvent(QKeyEvent* Event) override {
        const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
        const bool escape = Event->key() == Qt::Key_Escape;
        TEdit* edit = FEdit.Get();
        if ((!enter && !escape) || edit == nullptr) {
            QLineEdit::keyPressEvent(Event);
            return;
        }
        uint16_t key = enter ? VK_RETURN : VK_ESCAPE;
        TQtFrontEnd::Guarded("TEdit.KeyDown", [edit, &key] {
            edit->KeyDown(key, 0);
            if (key != 0) PressDialogKey(FormOf(edit), key);
        });
        Event->accept();
    }

private:
    TWeak<TEdit> FEdit;
};

QWidget* MakeStandardControl(TControl* Control, QWidget* Parent) {
    if (auto* label = dynamic_cast<TLabel*>(Control)) {
        return new QLabel(Text(label->Caption()), Parent);
    }
    if (auto* edit = dynamic_cast<TEdit*>(Control)) {
        auto* line = new TEditLine(edit, Parent);
        TWeak<TEdit> weak = edit;
        QObject::connect(line, &QLineEdit::textEdited, line, [weak](const QString& text) {
            if (TEdit* e = weak.Get()) TQtFrontEnd::Guarded("TEdit.TypeText", [&] { e->TypeText(text.toStdString()); });
        });
        return line;
    }
    if (auto* button = dynamic_cast<TButton*>(Control)) {
        auto* push = new QPushButton(Parent);
        TWeak<TButton> weak = button;
        QObject::connect(push, &QPushButton::clicked, push, [weak] {
            if (TButton* b = weak.Get()) TQtFrontEnd::Guarded("TButton.Click", [b] { b->Click(); });
        });
        return push;
    }
    if (auto* check = dynamic_cast<TCheckBox*>(Control)) {
        auto* box = new QCheckBox(Parent);
        TWeak<TCheckBox> weak = check;
        QObject::connect(box, &QCheckBox::clicked, box, [weak, box] {
            TCheckBox* c = weak.Get();
            if (c == nullptr) return;
            TQtFrontEnd::Guarded("TCheckBox.Click", [c] { c->Click(); });
            // The model decides: a refused click leaves the box as the model has it.
            if ((c = weak.Get()) != nullptr) {
                const QSignalBlocker blocker(box);
                box->setChecked(c->Checked());
            }
        });
        return box;
    }
    if (auto* combo = dynamic_cast<TComboBox*>(Control)) {
        auto* box = new QComboBox(Parent);
        TWeak<TComboBox> weak = combo;
        QObject::connect(box, &QComboBox::activated, box, [weak](int index) {
            if (TComboBox* c = weak.Get()) TQtFrontEnd::Guarded("TComboBox.Choose", [&] { c->Choose(index); });
        });
        return box;
    }
    if (auto* grid = dynamic_cast<TDBGrid*>(Control)) return new TGridView(grid, Parent);
    return nullptr;
}

// Shows the state of a standard control; What is the property that changed ("" for all).
void ShowStandardControl(TControl* Control, QWidget* Widget, std::string_view What) {
    const QSignalBlocker blocker(Widget);
    const bool all = What.empty();
    if (auto* input = dynamic_cast<TInputControl*>(Control); input != nullptr && (all || What == "Enabled"))
        Widget->setEnabled(input->Enabled());
    if (auto* label = dynamic_cast<TLabel*>(Control)) {
        static_cast<QLabel*>(Widget)->setText(Text(label->Caption()));
    } else if (auto* edit = dynamic_cast<TEdit*>(Control)) {
        auto* line = static_cast<QLineEdit*>(Widget);
        if (line->text() != Text(edit->Text())) line->setText(Text(edit->Text()));
        line->setReadOnly(edit->ReadOnly());
        line->setMaxLength(edit->MaxLength() > 0 ? edit->MaxLength() : 32767);
    } else if (auto* button = dynamic_cast<TButton*>(Control)) {
        auto* push = static_cast<QPushButton*>(Widget);
        push->setText(Text(button->Caption()));
        push->setDefault(button->Default());
    } else if (auto* check = dynamic_cast<TCheckBox*>(Control)) {
        auto* box = static_cast<QCheckBox*>(Widget);
        box->setText(Text(check->Caption()));
        box->setChecked(check->Checked());
    } else if (auto* combo = dynamic_cast<TComboBox*>(Control)) {
        auto* box = static_cast<QComboBox*>(Widget);
        box->setEditable(combo->Style() == csDropDown);
        if (all || What == "Items" || What == "Style") {
            box->clear();
            for (const std::string& item : combo->Items()) box->addItem(Text(item));
        }
        box->setCurrentIndex(combo->ItemIndex());
        if (box->isEditable()) box->setEditText(Text(combo->Text()));
        if (QLineEdit* line = box->lineEdit(); line != nullptr && (all || What == "Style")) {
            TWeak<TComboBox> weak = combo;
            QObject::connect(line, &QLineEdit::textEdited, line, [weak](const QString& text) {
                if (TComboBox* c = weak.Get()) TQtFrontEnd::Guarded("TComboBox.TypeText", [&] { c->TypeText(text.toStdString()); });
            }, Qt::UniqueConnection);
        }
    } else if (dynamic_cast<TDBGrid*>(Control) != nullptr) {
        if (!all) static_cast<TGridView*>(Widget)->GridChanged(What);
    }
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
            if (auto* grid = dynamic_cast<TGridView*>(widget.data())) grid->Detach();
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
    } else if (QWidget* standard = MakeStandardControl(Control, Parent)) {
        widget = standard;
        ShowStandardControl(Control, widget, {});
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
    if (What == "Bounds" || What == "Visible" || What == "Align" || What == "TabOrder") {
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
    } else {
        ShowStandardControl(control, widget, What);
    }
    return true;
}

void TControlMirror::Freed(TComponent* Control) {
    auto it = FWidgets.find(Control);
    if (it == FWidgets.end()) return;
    if (QWidget* widget = it->second) {
        // A grid's view may still paint before it goes: it must not read the grid any more.
        if (auto* grid = dynamic_cast<TGridView*>(widget)) grid->Detach();
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
