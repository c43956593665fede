#pragma once

#include <string>

namespace kalore {

// Opens a document or web address with the desktop's handler. The desktop gives back
// no process to wait for, so this returns as soon as the address is handed over;
// an address the desktop can't open is passed over in silence.
void OpenAndWait(const std::string& address);

} // namespace kalore
