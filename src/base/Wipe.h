#pragma once

#include <cstddef>
#include <string>

// Overwrites a byte buffer with zeros in a way the optimiser keeps.
void WipeBytes(void* data, std::size_t size);

// Overwrites the bytes of a string with zeros in a way the optimiser keeps, then empties it.
void WipeString(std::string& text);
