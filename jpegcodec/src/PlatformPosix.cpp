// Host side of the codec's platform layer: POSIX files (advisory locks stand
// in for the share modes) and a test hook in place of the registry value.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "CpuDispatch.h"
#include "Platform.h"

namespace {
std::atomic<int32_t> cpuOverrideHook{CPU_NO_OVERRIDE};

// A descriptor of 0 is valid, so the handle carries the descriptor plus one
// and null keeps meaning "no file".
void* handleOf(int fd) { return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1); }
int descriptorOf(void* file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }
}  // namespace

void setCpuOverrideForTesting(int32_t cpuClass) { cpuOverrideHook = cpuClass; }

void* openCodecFile(const char* path, CodecFileAccess access)
{
    const bool write = access == CODEC_FILE_READ_WRITE;
    // Opened without truncation first, so that a file another opener holds
    // for writing is refused before its contents are touched.
    const int fd = open(path, write ? O_RDWR | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    // Read sharing: while we hold the file, nobody may write it.
    if (flock(fd, (write ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 || (write && ftruncate(fd, 0) != 0)) {
        close(fd);
        return nullptr;
    }
    return handleOf(fd);
}

bool closeCodecFile(void* file) { return close(descriptorOf(file)) == 0; }

bool readCodecFile(void* file, void* buffer, int32_t count, int32_t* bytesRead)
{
    const ssize_t done = read(descriptorOf(file), buffer, static_cast<size_t>(count));
    *bytesRead = done > 0 ? static_cast<int32_t>(done) : 0;
    return done >= 0;
}

bool writeCodecFile(void* file, const void* buffer, int32_t count, int32_t* bytesWritten)
{
    const ssize_t done = write(descriptorOf(file), buffer, static_cast<size_t>(count));
    *bytesWritten = done > 0 ? static_cast<int32_t>(done) : 0;
    return done >= 0;
}

bool seekCodecFile(void* file, int32_t distance, CodecSeekOrigin origin)
{
    return lseek(descriptorOf(file), distance, origin == CODEC_SEEK_BEGIN ? SEEK_SET : SEEK_CUR) >= 0;
}

bool tellCodecFile(void* file, int32_t* position)
{
    const off_t at = lseek(descriptorOf(file), 0, SEEK_CUR);
    *position = static_cast<int32_t>(at);
    return at >= 0;
}

void bindRegistryEntryPoints(CpuDispatchTable*) {}

void unbindRegistryEntryPoints(CpuDispatchTable* table)
{
    table->advapi32Module = nullptr;
    table->regOpenKey = nullptr;
    table->regQueryValue = nullptr;
    table->regCloseKey = nullptr;
}

int32_t queryCpuOverride(CpuDispatchTable*) { return cpuOverrideHook; }
