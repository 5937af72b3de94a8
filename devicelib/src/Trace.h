// The library's step trace: one formatted wide line per step to the debugger.
#pragma once

namespace devicelib {

// printf-style; %ls for wide strings, %d for ints.
void Trace(const wchar_t* format, ...);

// Where trace lines go; null restores the debugger output.
typedef void (*TraceSink)(const wchar_t* line);
void InstallTraceSink(TraceSink sink);

}  // namespace devicelib
