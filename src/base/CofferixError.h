#pragma once

#include <stdexcept>
#include <string>

// The one base of every failure the core reports. The message is the text the user sees.
class ECofferixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
