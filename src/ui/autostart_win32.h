#pragma once
#include <windows.h>

#include <string>

namespace kprt5 {

// The program-files folder of this (32-bit) program, without a trailing backslash; empty when the
// shell cannot tell it.
std::string LookupProgramFilesFolder();

// Writes the per-user autostart value pointing at the middleware when the value is missing.
void RegisterAutostart();

// Creates or opens the key and writes a REG_SZ (type 1) or REG_DWORD (type 4) value. Returns 1 when
// the key could be created or opened, whether or not the write succeeded.
int WriteRegistryValue(HKEY root, const char* keyPath, const char* valueName, const void* data, int type);

// True when the machine-wide autostart key opens but no longer holds the product's value: the
// product has been uninstalled and the program must end.
bool IsUninstalled();

}  // namespace kprt5
