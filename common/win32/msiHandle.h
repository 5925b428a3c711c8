// A Windows Installer handle (a session, a record, a database, a view), closed when it goes.
#pragma once

#include <windows.h>

#include <msi.h>

#include "uniqueHandle.h"

namespace volmora {

struct MsiHandleTraits {
    using Handle = MSIHANDLE;
    static MSIHANDLE empty() { return 0; }
    static bool valid(MSIHANDLE handle) { return handle != 0; }
    static void close(MSIHANDLE handle) { MsiCloseHandle(handle); }
};

using MsiHandle = UniqueHandle<MsiHandleTraits>;

}  // namespace volmora
