// Binds the transaction to the real serial link component.
#include "line.hpp"

#include <tev/uart.h>

namespace tev::iomodule {

const Line& BoundLine() noexcept {
    static const Line uart{&ExchangeCommand, &SendCommand};
    return uart;
}

} // namespace tev::iomodule
