// What a capturing exception sink received, as text, so a test compares every report whole.
#pragma once

#include "services/exception_handler.h"

#include <string>
#include <vector>

/// Plugin names, journal entries, captions, reports: what most expectations compare.
using TNames = std::vector<std::string>;

/// What the sink received, one "<context> | <exception class>: <message>" a report.
inline TNames ReportsOf(const zarix::TCapturingExceptionSink& sink) {
    TNames reports;
    for (const zarix::TExceptionReport& r : sink.Reports())
        reports.push_back(r.Context + " | " + r.ExceptionClass + ": " + r.Message);
    return reports;
}
