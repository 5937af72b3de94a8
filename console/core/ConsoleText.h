#pragma once

#include <cstddef>
#include <ctime>

// Local time as "%Y-%b-%d_%a_%H-%M-%S": the stem of picture and series file
// names and the title of picture windows. The buffer is the calling thread's
// own and is overwritten by its next call.
const wchar_t* TimestampString();

// The same text for a given time, into a caller buffer.
void FormatTimestamp(wchar_t* out, std::size_t size, const std::tm& time);

// Longest path text ShortenPath produces; `out` holds this plus the terminator.
constexpr int kShortPathLength = 32;

// A path shortened for display: shorter than 32 characters unchanged, else
// its first three characters, "..." and its last component (from the last
// backslash on), cut to 32 characters with a closing "..." when still longer.
void ShortenPath(wchar_t (&out)[kShortPathLength + 1], const wchar_t* path);
