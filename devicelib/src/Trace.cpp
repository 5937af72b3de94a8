#include "Trace.h"

#include <cstdarg>
#include <cwchar>

#ifdef _WIN32
#include <windows.h>
#endif

namespace devicelib {

namespace {

void DebuggerSink(const wchar_t* line)
{
#ifdef _WIN32
    OutputDebugStringW(line);
#else
    (void)line;
#endif
}

TraceSink g_sink = nullptr;

}  // namespace

void Trace(const wchar_t* format, ...)
{
    // A buffer per call keeps the UI and device threads' lines apart.
    wchar_t line[512];
    va_list args;
    va_start(args, format);
    if (vswprintf(line, sizeof line / sizeof line[0], format, args) < 0) line[sizeof line / sizeof line[0] - 1] = L'\0';
    va_end(args);
    (g_sink ? g_sink : DebuggerSink)(line);
}

void InstallTraceSink(TraceSink sink) { g_sink = sink; }

}  // namespace devicelib
