// KLIENT's windows: the customer list, a customer's card that edits and saves the customer,
// and the picker other modules open to choose a customer.
#pragma once

#include "sample_controls.h"
#include "sample_window.h"

#include <cstdint>
#include <optional>
#include <string>

namespace klient {

/// The customer's name from the register; nothing when there is no such customer.
std::optional<std::string> RegisterCustomerName(int32_t Id);
/// What the windows show: the register's name when the host has opened its database, else the
/// sample company's names, since the window demo runs without a database.
std::string CustomerName(int32_t Id);

/// Opens a window of the module through the plugin's window services, under the window that
/// asked for it, cascaded below its parent.
template <class W>
W* OpenWindow(zarix::TZarixPlugin& Plugin, zarix::TForm* Parent, const std::string& Name, const std::string& Title,
              int32_t OrigId) {
    auto* window = new W(&Plugin);
    window->SetName(samples::FreeName(Plugin, Name));
    Plugin.AddMDIForm(window->Name(), window, 480, 320, Parent, OrigId, zarix::alCascade, 1);
    window->SetCaption(Title);  // the title bar says what the tree says
    Plugin.ChangeMDIName(window, Title);
    window->Show();
    return window;
}

/// A customer's card: the register's fields, "Zapisz" writes them, "Anuluj" closes the card.
class TCustomerCard : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerCard, samples::TSampleWindow)
    explicit TCustomerCard(zarix::TZarixPlugin* APlugin);

    /// Reads customer Id into the fields; an unknown one is shown to the person and the card
    /// cannot save.
    void Load(int32_t Id);
    /// Saves the card (published for calls by name): see SaveCustomer.
    zarix::Variant Save(zarix::TConstArray, zarix::TForm*);
    /// Writes the fields to the register; the customer is noted as changed and the other
    /// windows refresh. Refused input and database errors are shown to the person, and the
    /// fields keep what was typed. Returns whether the customer was written.
    bool SaveCustomer();

private:
    int32_t FId = 0;
    zarix::TEdit* FShortName;
    zarix::TEdit* FName;
    zarix::TEdit* FTaxId;
    zarix::TEdit* FEmail;
    zarix::TButton* FSave;
};

/// The list of customers. Enter or a double click opens the current customer's card, or brings
/// forward the card already open.
class TCustomerList : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerList, samples::TSampleWindow)
    explicit TCustomerList(zarix::TZarixPlugin* APlugin);

    /// Opens the card of the customer args[0] (published for calls by name).
    zarix::Variant OpenCard(zarix::TConstArray args, zarix::TForm*);
    /// Opens customer Id's card unless one is open anywhere; returns the card.
    zarix::TForm* ShowCard(int32_t Id);
    void MDIRefresh() override;

private:
    void OpenCurrentCard();

    zarix::TDBGrid* FGrid;
    int FRefreshes = 0;
};

/// The picker: another module's window opens it, and it hands the chosen customer back
/// ("KLIENT_ID" and "KLIENT") through the results registry, then closes. While it waits for a
/// choice it does not let its parent close.
class TCustomerPicker : public samples::TSampleWindow {
    ZARIX_CLASS(TCustomerPicker, samples::TSampleWindow)
    explicit TCustomerPicker(zarix::TZarixPlugin* APlugin);

    /// Chooses customer args[0] (published for calls by name).
    zarix::Variant Choose(zarix::TConstArray args, zarix::TForm*);
    void ChooseCustomer(int32_t Id);
    bool MDICanClose(const std::string&, int32_t, std::string& Msg) override;
    void MDIParentClosing(const std::string&, int32_t) override { Close(); }

private:
    void ChooseCurrent();

    zarix::TDBGrid* FGrid;
    bool FChosen = false;
};

}  // namespace klient
