// The error that ends the running step of the toolbar; the user sees its text.
#pragma once

#include <stdexcept>

namespace vtb {

class ToolbarError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vtb
