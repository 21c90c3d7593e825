// Counts the registry keys a benchmark's code opens, the files it opens and the heap allocations
// it makes, by redirecting this program's own imports of those calls.
#pragma once

struct CallCounts {
  long keysOpened = 0;
  long heapAllocations = 0;
  long filesOpened = 0;
};

// Redirects the imports; false when one of them could not be found (the counts would lie).
bool InstallCallCounters();
void ResetCallCounts();
CallCounts ReadCallCounts();
