// The sample modules' tables, stored functions and triggers on a PostgreSQL server, beside the
// SQLite ones each module keeps in its own source.
#pragma once

#include "sample_db.h"

namespace samples {

const TModuleSchema& KlientServerSchema();
const TModuleSchema& CennikiServerSchema();
const TModuleSchema& DokMagServerSchema();

/// The statements of a new invoice that differ between the databases.
struct TInvoiceSql {
    const char* Lock;        ///< run first: two desktops must not take the same number; may be empty
    const char* NextNumber;  ///< the next number of this year's invoices
    const char* InsertLine;  ///< a line of the document just inserted: index, quantity, net price
};
const TInvoiceSql& InvoiceSql(bool Server);

}  // namespace samples
