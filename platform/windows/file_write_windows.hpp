// Windows-only part of the file write that the Windows tests reach.
#pragma once

#include <windows.h>

namespace secant {

// The console control handler of a write in progress (Ctrl+C, Ctrl+Break,
// the console closed): removes the write's temporary file if there is one,
// and returns FALSE, so that the system's handler ends the process as it
// would without this one. It runs on a thread of its own, and once it has
// run, the write makes no further step.
BOOL WINAPI removeTemporaryOnControl(DWORD event);

}  // namespace secant
