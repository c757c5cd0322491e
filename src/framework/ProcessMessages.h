#pragma once

// The pump hook of long operations on the one thread: lets the event loop repaint windows and see
// a Cancel click. Cheap to call per record, because it runs the event loop at most every ~30 ms;
// without a QCoreApplication (tests, benchmarks) it only looks at the clock.
void ProcessMessages();
