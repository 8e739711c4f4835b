// How the sample windows lay out their controls: fields with their captions in one column, a
// bar of buttons along the bottom, grids filling what is left, and errors shown to the person.
#pragma once

#include "platform/ui/db_grid.h"
#include "platform/ui/forms.h"
#include "platform/ui/message_box.h"
#include "platform/ui/std_controls.h"
#include "services/controls/panel.h"
#include "services/db/query_rows.h"
#include "services/db/zarix_db.h"

#include <exception>
#include <memory>
#include <string>

namespace samples {

/// Base, or Base with a number, whichever Owner does not own a component of yet: a window opened
/// a second time needs a name of its own.
inline std::string FreeName(const zarix::TComponent& Owner, const std::string& Base) {
    std::string name = Base;
    for (int n = 2; Owner.FindComponent(name) != nullptr; ++n) name = Base + "_" + std::to_string(n);
    return name;
}

/// A control owned by Form and lying in Parent (Form itself when nullptr).
template <class C>
C* AddControl(zarix::TForm* Form, const std::string& Name, zarix::TAlign Align = zarix::alNone,
              zarix::TComponent* Parent = nullptr) {
    auto* control = new C(Form);
    control->SetName(Name);
    control->SetParent(Parent != nullptr ? Parent : Form);
    control->SetAlign(Align);
    return control;
}

/// Row Row of the field column: a caption on the left, the field on its right.
inline zarix::TEdit* AddField(zarix::TForm* Form, const std::string& Name, const std::string& Caption, int Row,
                              int MaxLength) {
    constexpr int Top = 12, Step = 32;
    auto* label = AddControl<zarix::TLabel>(Form, "lbl" + Name);
    label->SetCaption(Caption);
    label->SetBounds(12, Top + Row * Step + 4, 100, 17);
    auto* edit = AddControl<zarix::TEdit>(Form, "edt" + Name);
    edit->SetBounds(120, Top + Row * Step, 320, 24);
    edit->SetMaxLength(MaxLength);
    return edit;
}

/// The bar of buttons along the bottom of Form.
inline zarix::TZarixPanel* AddButtonBar(zarix::TForm* Form) {
    auto* bar = AddControl<zarix::TZarixPanel>(Form, "pnlPrzyciski", zarix::alBottom);
    bar->SetHeight(41);
    return bar;
}

/// Button number Index of Bar, from the right; the first is the rightmost.
inline zarix::TButton* AddButton(zarix::TForm* Form, zarix::TZarixPanel* Bar, const std::string& Name,
                                 const std::string& Caption, int Index, zarix::TNotifyEvent OnClick) {
    auto* button = AddControl<zarix::TButton>(Form, Name, zarix::alNone, Bar);
    button->SetCaption(Caption);
    button->SetBounds(Bar->Width() - (Index + 1) * 96, 8, 88, 25);
    button->OnClick = std::move(OnClick);
    return button;
}

/// A grid filling Form, over Sql on the host's connection; opened at once when the host has
/// a database. An error of the database is shown to the person, and the window stays, empty.
inline zarix::TDBGrid* AddQueryGrid(zarix::TForm* Form, const std::string& Name, const std::string& Sql) {
    auto* grid = AddControl<zarix::TDBGrid>(Form, Name, zarix::alClient);
    grid->SetRowSource(std::make_unique<zarix::TQueryRows>(Sql, std::string(zarix::HostConnectionName)));
    return grid;
}

/// Shows E's message to the person, titled with the window's caption.
inline void ShowError(const zarix::TForm& Form, const std::string& What, const std::exception& E) {
    zarix::MessageBox(What + E.what(), Form.Caption());
}

/// Opens Grid when the host has its database; a failure is shown, not raised, so the window
/// that holds the grid still opens.
inline void OpenGrid(zarix::TForm& Form, zarix::TDBGrid& Grid) {
    if (!zarix::DBInt().HasConnection(std::string(zarix::HostConnectionName))) return;
    try {
        Grid.Refresh();
    } catch (const std::exception& e) {
        // "Nie można odczytać danych: " = the data cannot be read.
        ShowError(Form, "Nie można odczytać danych: ", e);
    }
}

}  // namespace samples
