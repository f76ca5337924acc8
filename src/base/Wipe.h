#pragma once

#include <cstddef>
#include <string>

// Overwrites a byte buffer with zeros in a way the optimiser keeps.
void WipeBytes(void* data, std::size_t size);

// Overwrites the whole storage of a string with zeros in a way the optimiser keeps, then
// empties it. The whole storage: a shorter text assigned over a longer one, or a short text
// moved away, leaves the earlier bytes behind its end.
void WipeString(std::string& text);
