// The simulated camera's test pictures: a printed page at 1024x768 as JPEG,
// one per value of its visible frame counter, made at build time.
#pragma once

#include <stddef.h>

namespace simcam {

struct Picture {
    const unsigned char* bytes;
    size_t size;
};

const int kTestPictureCount = 8;
const int kTestPictureWidth = 1024;
const int kTestPictureHeight = 768;
extern const Picture kTestPictures[kTestPictureCount];

}  // namespace simcam
