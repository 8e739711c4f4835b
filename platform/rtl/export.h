// Visibility of the framework's public symbols: everything else in the library stays hidden.
#pragma once

#define ZARIX_API __attribute__((visibility("default")))
