// Instantiation check for the handle owner; the template lives in the header.
#include "platform/unique.h"

namespace platform {
template class Unique<HANDLE, CloseHandle>;
}  // namespace platform
