#pragma once

// Linking bench/support/RatioMain.cpp gives a benchmark its main(): it runs the benchmarks, then prints one line per
// operation with its CPU time at 10 000 and 100 000 rows and their ratio (linear work gives about 10).

// Pushes the lists out of the processor caches, as they are when the user picks a command some time after the
// rows came in. Without it a 10 000-row list (a few MB) would be timed straight from the cache it was built in and
// a 100 000-row one from memory, and the ratio would measure the cache, not the work.
void EvictCaches();
