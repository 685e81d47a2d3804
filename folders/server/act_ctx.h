#pragma once
// The library's own activation context, made from the manifest in its
// resources: whatever is created in it gets the common controls version 6.
#include <windows.h>

// Made on first use and kept until the library unloads; null when it cannot
// be made.
HANDLE ModuleActCtx();
// Process detach: gives the context back.
void ReleaseModuleActCtx();
