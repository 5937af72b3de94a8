// The data source's one export. The source serves one application at a time:
// one protocol object, one application object, for the library's lifetime.
#include <windows.h>

#include <new>

#include "GlobalMemory.h"
#include "SourceApp.h"
#include "TwainSource.h"

namespace {

struct DataSource {
    GlobalMemory memory;
    CTwainSourceApp app;
    TwainSource source{memory, app};
    DataSource() { app.Serve(source); }
};

DataSource& Instance()
{
    static DataSource instance;
    return instance;
}

}  // namespace

extern "C" TW_UINT16 WINAPI DS_Entry(TW_IDENTITY* origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 message,
                                     TW_MEMREF data)
{
    try {
        return Instance().source.Entry(origin, group, dat, message, data);
    } catch (...) {
        return TWRC_FAILURE;  // memory ran out; nothing may leave the library
    }
}
