#pragma once

#include "base/CofferixError.h"

// A breach list that cannot be read or is not in the "SHA-1, ordered by hash" format. The
// message names the file and, for a line that does not fit, its byte offset.
class EBreachListError : public ECofferixError {
public:
    using ECofferixError::ECofferixError;
};
