#pragma once
// AM_MEDIA_TYPE helpers: the format block is CoTaskMem memory owned by the
// structure, and the optional pUnk holds a reference.
#include <windows.h>
#include <strmif.h>
#include <amvideo.h>

namespace dshow {

// Releases what the structure owns and leaves it empty.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// Frees the structure itself too (for types returned by enumerators).
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Deep copy; E_OUTOFMEMORY leaves `to` empty.
HRESULT CopyMediaType(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from);
// A CoTaskMem copy, as IEnumMediaTypes::Next hands out; null without memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& from);
// True when every GUID that `partial` specifies (non-null) matches `full`.
bool MatchesPartialType(const AM_MEDIA_TYPE& full, const AM_MEDIA_TYPE& partial);
// The VIDEOINFOHEADER of a FORMAT_VideoInfo type whose block is large enough;
// null for any other format.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& mt);

}  // namespace dshow
