// Entry points of the type-identity probe library, shared with the tests that load it.
#pragma once

#include "platform/rtl/component.h"

extern "C" {
using ProbeThrowFn = void (*)();
using ProbeCreateFn = zarix::TComponent* (*)(zarix::TComponent* owner);
using ProbeReportFn = void (*)(const char* context);
using ProbeSingletonFn = int (*)();
}
