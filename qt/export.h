// Marks what the front-end library exports; everything else in it stays hidden.
#pragma once

#define ZARIX_QT_API __attribute__((visibility("default")))
