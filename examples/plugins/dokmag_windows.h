// DOKMAG's invoice window: its buyer, chosen through the customer module's picker, its lines
// and its totals from the documents' totals view.
#pragma once

#include "sample_controls.h"
#include "sample_window.h"

#include <cstdint>
#include <string>

namespace dokmag {

/// "69,99 zł": grosze as people read an amount.
std::string Money(int64_t Grosze);

/// An invoice. A new one (document 0) takes the customer module's default customer as its buyer
/// and may take another from the picker; a written one shows the buyer it was written for, since
/// the customers' turnover was counted for that buyer. While a picker it opened waits for a
/// choice, the invoice refuses to close and tells the person why.
class TInvoiceWindow : public samples::TSampleWindow {
    ZARIX_CLASS(TInvoiceWindow, samples::TSampleWindow)
    explicit TInvoiceWindow(zarix::TZarixPlugin* APlugin);

    /// Shows document Document (0: a new invoice): number, buyer, lines and totals.
    void Load(int32_t Document);
    /// Asks the customer module for its picker, opened under this invoice (published for calls
    /// by name); the empty text when the module or its method is missing, which the exception
    /// handler has reported.
    zarix::Variant PickCustomer(zarix::TConstArray, zarix::TForm*);
    /// The chosen customer arrives through the results registry.
    void MDIReceiveResult(const std::string&, int32_t) override;

    const std::string& Title() const noexcept { return FTitle; }
    int32_t Buyer() const noexcept { return FBuyer; }

private:
    void ShowBuyer(int32_t Id, const std::string& Name);
    void ShowTotals();

    int32_t FDocument = 0;
    int32_t FBuyer = 0;
    std::string FTitle = "Faktura VAT FV/1/2026";
    zarix::TLabel* FBuyerLabel;
    zarix::TButton* FPick;
    zarix::TDBGrid* FLines;
    zarix::TLabel* FNet;
    zarix::TLabel* FVat;
    zarix::TLabel* FGross;
};

}  // namespace dokmag
