#pragma once

#include <exception>

namespace cns {

// The silent abort: ends the current operation without a message. Thrown by Consiste::MensErro after
// the message was shown, and by any rule that has already told the operator what is wrong. The guard
// around every event handler of a screen swallows it.
class EAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "EAbort"; }
};

} // namespace cns
