#include "platform/keys.hpp"

namespace secant {

int takeKeyResult(int code, HeldKey& held) {
    if (code >= kExtendedKey) {
        held.pending = true;
        held.code = static_cast<unsigned char>(code & 0xFF);
        return 0;
    }
    return static_cast<signed char>(static_cast<unsigned char>(code));
}

bool takeHeldKey(HeldKey& held, int& result) {
    if (!held.pending) {
        return false;
    }
    held.pending = false;
    result = held.code;
    return true;
}

}  // namespace secant
