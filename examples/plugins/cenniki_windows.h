// CENNIKI's window: a price list with its net and gross prices.
#pragma once

#include "sample_controls.h"
#include "sample_window.h"

#include <cstdint>

namespace cenniki {

/// Price list PriceList in a grid: the goods' index, name, net and gross price in złoty.
class TPriceListWindow : public samples::TSampleWindow {
    ZARIX_CLASS(TPriceListWindow, samples::TSampleWindow)
    TPriceListWindow(zarix::TZarixPlugin* APlugin, int32_t PriceList);

private:
    zarix::TDBGrid* FGrid;
};

/// Opens price list PriceList, or brings forward its window when it is open.
void OpenPriceList(zarix::TZarixPlugin& Plugin, int32_t PriceList);

}  // namespace cenniki
