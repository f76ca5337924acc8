#pragma once

#include <cstddef>
#include <functional>

// Calls work(i) once for every i below count, spread over the processor's cores (at most
// maxThreads threads; a small count stays on the calling thread). work must be safe to call
// from several threads at once. The first exception a call throws is thrown here, after every
// thread has stopped; the calls not yet started are skipped.
void ForEachIndexInParallel(std::size_t count, const std::function<void(std::size_t)>& work,
                            unsigned maxThreads = 8);
