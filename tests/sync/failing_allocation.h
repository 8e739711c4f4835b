// Makes one allocation of the test program fail, to reach code that handles std::bad_alloc.
#pragma once

namespace sync_test {

/// The next call of the global operator new, anywhere in the process, throws std::bad_alloc;
/// later calls succeed again.
void FailNextAllocation(bool Armed);

}  // namespace sync_test
