// The owner of one Windows Installer handle (database, view or record): closed on every way out
// of its scope; put() closes what it holds and gives the place where a call stores a new one.
#pragma once
#include <windows.h>
#include <msi.h>

#include "core/HandleOwner.h"

struct MsiHandleTraits {
  using Handle = MSIHANDLE;
  static Handle Invalid() { return 0; }
  static bool IsValid(Handle h) { return h != 0; }
  static void Close(Handle h) { MsiCloseHandle(h); }
};
using MsiHandle = UniqueHandle<MsiHandleTraits>;
