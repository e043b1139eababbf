// Exceptions raised by the widgets when a property is given a value they cannot accept.
#pragma once

#include <stdexcept>

namespace ws {

// An operation that is not valid in the widget's current state, such as a lower bound
// above the upper one.
class InvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace ws
