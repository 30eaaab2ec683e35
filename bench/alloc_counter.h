#pragma once
// Heap allocations made by the whole benchmark program so far: the global operator
// new is replaced (alloc_counter.cpp), so a benchmark can report allocations per run.
#include <cstdint>

std::uint64_t HeapAllocations();
