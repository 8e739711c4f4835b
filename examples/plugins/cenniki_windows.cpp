// CENNIKI's price list window.
#include "cenniki_windows.h"

#include "sample_db.h"

namespace cenniki {

using namespace zarix;

ZARIX_DEFINE_CLASS(TPriceListWindow)

TPriceListWindow::TPriceListWindow(TZarixPlugin* APlugin, int32_t PriceList) : TSampleWindow(APlugin) {
    // Prices are kept in grosze; the grid shows złoty.
    FGrid = samples::AddQueryGrid(this, "grdCennik",
                                  "SELECT CPOIndeks, CPONazwa, CAST(CPOCenaNetto AS DOUBLE PRECISION) / 100 AS CPONetto, "
                                  "CAST(CPOCenaBrutto AS DOUBLE PRECISION) / 100 AS CPOBrutto FROM CennikiBrutto WHERE CPOCennik = ? "
                                  "ORDER BY CPOIndeks");
    static_cast<TQueryRows*>(FGrid->RowSource())->Bind(1, Variant(PriceList));
    // "Indeks" = goods index, "Nazwa" = name, "Cena netto/brutto" = net/gross price.
    FGrid->AddColumn("CPOIndeks", "Indeks", 60);
    FGrid->AddColumn("CPONazwa", "Nazwa", 220);
    FGrid->AddColumn("CPONetto", "Cena netto", 90);
    FGrid->AddColumn("CPOBrutto", "Cena brutto", 90);
    samples::OpenGrid(*this, *FGrid);
}

void OpenPriceList(TZarixPlugin& Plugin, int32_t PriceList) {
    if (TForm* open = Plugin.IsMDIForm("TPriceListWindow", PriceList, nullptr, askAll)) {
        Plugin.RestoreMDI(open);
        return;
    }
    auto* window = new TPriceListWindow(&Plugin, PriceList);
    window->SetName(samples::FreeName(Plugin, "Cennik" + std::to_string(PriceList)));
    const std::optional<std::string> name =
        DBInt().HasConnection(samples::kDBConnection)
            ? samples::QueryValue("SELECT CENNazwa FROM Cenniki WHERE CENOrigid = ?", {Variant(PriceList)})
            : std::nullopt;
    const std::string title = name.value_or("Cennik " + std::to_string(PriceList));
    window->SetCaption(title);
    Plugin.AddMDIForm(window->Name(), window, 520, 320, nullptr, PriceList, alNotAligned, 3);
    Plugin.ChangeMDIName(window, title);
    window->Show();
}

}  // namespace cenniki
