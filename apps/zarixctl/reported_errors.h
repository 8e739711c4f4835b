// Errors the framework reports instead of raising, counted so a command that printed one
// does not end as if all went well.
#pragma once

#include "services/exception_handler.h"

#include <iostream>

namespace zarixctl {

/// For its lifetime every report goes on to the sink before it (standard error by default)
/// and is counted.
class TReportedErrors {
public:
    TReportedErrors()
        : FPrevious(zarix::SetExceptionSink([this](const zarix::TExceptionReport& report) { Report(report); })) {}
    ~TReportedErrors() { zarix::SetExceptionSink(std::move(FPrevious)); }
    TReportedErrors(const TReportedErrors&) = delete;
    TReportedErrors& operator=(const TReportedErrors&) = delete;

    int Count() const noexcept { return FCount; }

private:
    void Report(const zarix::TExceptionReport& report) noexcept {
        ++FCount;
        try {
            if (FPrevious) FPrevious(report);
            else std::cerr << "zarixctl: " << zarix::FormatExceptionReport(report) << '\n';
        } catch (...) {
            // A sink must not raise; the count still says something went wrong.
        }
    }

    int FCount = 0;
    zarix::TExceptionSink FPrevious;
};

}  // namespace zarixctl
