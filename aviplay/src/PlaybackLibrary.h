// Process-wide set-up of the playback library: the sound locks and the
// AVIFile library. The DLL's entry point calls these; a program that links
// the library statically calls them itself, once each.
#pragma once

namespace kvq {

void AttachPlaybackLibrary();
void DetachPlaybackLibrary();

}  // namespace kvq
