#pragma once
// An installer is often started from a downloads folder, where a planted DLL would be found before the system's.
// The executable imports only DLLs of the system's KnownDLLs list; everything it loads later comes from System32.

namespace quibel {

// Restricts the DLL search to System32 (SetDefaultDllDirectories, looked up at run time so that a Windows 7
// without that update still starts) and takes the current directory out of the search path.
void RestrictDllSearchToSystem();

}  // namespace quibel
