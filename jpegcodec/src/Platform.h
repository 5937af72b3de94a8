// The codec's only contact with the operating system: its file primitives
// and the registry value that forces a processor class.
#ifndef JPEGCODEC_PLATFORM_H
#define JPEGCODEC_PLATFORM_H

#include <stdint.h>

struct CpuDispatchTable;

enum CodecFileAccess { CODEC_FILE_READ = 1, CODEC_FILE_READ_WRITE = 3 };
enum CodecSeekOrigin { CODEC_SEEK_BEGIN = 0, CODEC_SEEK_CURRENT = 1 };

// Opens with read sharing only; read-write access creates or truncates the
// file, read access needs an existing one. Null on failure.
void* openCodecFile(const char* path, CodecFileAccess access);
bool closeCodecFile(void* file);
bool readCodecFile(void* file, void* buffer, int32_t count, int32_t* bytesRead);
bool writeCodecFile(void* file, const void* buffer, int32_t count, int32_t* bytesWritten);
bool seekCodecFile(void* file, int32_t distance, CodecSeekOrigin origin);
bool tellCodecFile(void* file, int32_t* position);

// Binds (or releases) the registry entry points in slots 2-5 of the table.
void bindRegistryEntryPoints(CpuDispatchTable* table);
void unbindRegistryEntryPoints(CpuDispatchTable* table);
// The forced processor class, or -1 when none is set.
int32_t queryCpuOverride(CpuDispatchTable* table);

#endif
