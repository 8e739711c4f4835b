// A small plugin library for the version-resource tests; zarix_add_module adds its block, or,
// built with ZARIX_FIXTURE_DESCRIBED_BLOCK, the header macro does.
#include "platform/os/version_block.h"

#ifdef ZARIX_FIXTURE_DESCRIBED_BLOCK
ZARIX_VERSION_BLOCK_DESCRIBED("3.1.4.1", 0x0415, 0x04E2, "Zarix", "Moduł próbny");
#endif

extern "C" __attribute__((visibility("default"))) int FixtureAnswer() { return 42; }
