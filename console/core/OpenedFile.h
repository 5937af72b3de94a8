#pragma once

// What the open command does with a chosen file, by its extension in any
// case: pictures (.jpg, .bmp, .gif) are shown, videos (.avi) played, other
// files left alone.
enum class OpenedFileKind { Picture, Video, Other };

OpenedFileKind KindOfOpenedFile(const wchar_t* path);
