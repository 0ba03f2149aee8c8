#pragma once

#include <stdexcept>

// A reference system PROJ does not know or cannot use, or a point it cannot transform.
// The message is for the user, in Korean.
class ECrsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
