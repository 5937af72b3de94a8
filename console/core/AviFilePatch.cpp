#include "AviFilePatch.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The fixed places of an AVI file that starts with the main header and the
// first stream's header.
const DWORD kHeaderListSizeAt = 16;
const DWORD kTotalFramesAt = 48;
const DWORD kFirstStreamScaleAt = 128;

// Reads and writes of a file opened for both, at given offsets.
class PatchFile {
public:
    explicit PatchFile(const wchar_t* path)
        : m_file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    {
        LARGE_INTEGER size{};
        if (m_file != INVALID_HANDLE_VALUE && GetFileSizeEx(m_file, &size) && size.QuadPart < 0xFFFFFFFFLL)
            m_size = static_cast<DWORD>(size.QuadPart);
    }
    ~PatchFile()
    {
        if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
    }
    PatchFile(const PatchFile&) = delete;
    PatchFile& operator=(const PatchFile&) = delete;

    DWORD Size() const { return m_size; }

    bool Read(DWORD at, void* data, DWORD bytes)
    {
        DWORD done = 0;
        return Inside(at, bytes) && Seek(at) && ReadFile(m_file, data, bytes, &done, nullptr) && done == bytes;
    }
    bool Write(DWORD at, const void* data, DWORD bytes)
    {
        DWORD done = 0;
        return Inside(at, bytes) && Seek(at) && WriteFile(m_file, data, bytes, &done, nullptr) && done == bytes;
    }
    bool ReadDword(DWORD at, DWORD& value) { return Read(at, &value, 4); }
    bool WriteDword(DWORD at, DWORD value) { return Write(at, &value, 4); }
    bool HasId(DWORD at, const char* id)
    {
        char found[4];
        return Read(at, found, 4) && !std::memcmp(found, id, 4);
    }

private:
    bool Inside(DWORD at, DWORD bytes) const { return at <= m_size && bytes <= m_size - at; }
    bool Seek(DWORD at)
    {
        LARGE_INTEGER to;
        to.QuadPart = at;
        return SetFilePointerEx(m_file, to, nullptr, FILE_BEGIN) != 0;
    }

    HANDLE m_file;
    DWORD m_size = 0;
};

bool StartsLikeRecording(PatchFile& file)
{
    return file.HasId(0, "RIFF") && file.HasId(8, "AVI ") && file.HasId(12, "LIST") && file.HasId(20, "hdrl") &&
           file.HasId(24, "avih");
}

// Bytes from `from` up to the first "00db" or "00dc" chunk id before `end`.
bool FindFirstVideoChunk(PatchFile& file, DWORD from, DWORD end, DWORD& gap)
{
    std::vector<char> bytes(end - from);
    if (!file.Read(from, bytes.data(), end - from)) return false;
    for (DWORD i = 0; i + 4 <= bytes.size(); ++i)
        if (!std::memcmp(&bytes[i], "00d", 3) && (bytes[i + 3] == 'b' || bytes[i + 3] == 'c')) {
            gap = i;
            return true;
        }
    return false;
}

// The first chunk with this id among the chunks from `at` to `end`, walked
// by their headers; FALSE when the walk leaves the file first.
bool FindChunk(PatchFile& file, DWORD at, DWORD end, const char* id, DWORD& found, DWORD& size)
{
    while (at < end && end - at >= 8) {
        if (!file.ReadDword(at + 4, size) || size > end - at - 8) return false;
        if (file.HasId(at, id)) {
            found = at;
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

struct IndexEntry {
    char id[4];
    DWORD flags;
    DWORD offset;
    DWORD size;
};

}  // namespace

BOOL CorrectAviFrameRate(const wchar_t* path, DWORD recordedMs, LONG frames)
{
    if (frames <= 0) return FALSE;
    const DWORD period = recordedMs / static_cast<DWORD>(frames);
    // Less than a millisecond per frame cannot be measured: the rate the
    // file was written with stays.
    if (!period) return FALSE;
    PatchFile file(path);
    if (!StartsLikeRecording(file) || !file.HasId(100, "strh") || !file.HasId(108, "vids")) return FALSE;
    return file.WriteDword(kFirstStreamScaleAt, period);
}

BOOL MendAviSoundStreams(const wchar_t* path)
{
    PatchFile file(path);
    DWORD s = 0;
    if (!StartsLikeRecording(file) || !file.ReadDword(kHeaderListSizeAt, s) || s > file.Size() - 20) return FALSE;
    DWORD indexAt = 0, indexSize = 0;
    if (!FindChunk(file, 20 + s, file.Size(), "idx1", indexAt, indexSize) || indexSize % 16) return FALSE;
    std::vector<IndexEntry> entries(indexSize / 16);
    if (!entries.empty() && !file.Read(indexAt + 8, entries.data(), indexSize)) return FALSE;

    // Readers take the first entry's offset as telling whether offsets count
    // from the movie list or from the file's start: the entries go in the
    // order of their chunks.
    BOOL corrected = FALSE;
    auto byOffset = [](const IndexEntry& a, const IndexEntry& b) { return a.offset < b.offset; };
    if (!std::is_sorted(entries.begin(), entries.end(), byOffset)) {
        std::stable_sort(entries.begin(), entries.end(), byOffset);
        if (!file.Write(indexAt + 8, entries.data(), indexSize)) return FALSE;
        corrected = TRUE;
    }

    // Each stream list of the header list in turn; sound streams get the
    // length their indexed chunks hold.
    DWORD at = 24, list = 0, listSize = 0;
    for (int stream = 0; stream < 100 && FindChunk(file, at, 20 + s, "LIST", list, listSize); ++stream) {
        at = list + 8 + listSize + (listSize & 1);
        DWORD sampleSize = 0, length = 0;
        const DWORD header = list + 20;  // the stream header's data
        if (!file.HasId(list + 8, "strl") || !file.HasId(list + 12, "strh") || !file.HasId(header, "auds") ||
            !file.ReadDword(header + 44, sampleSize) || !file.ReadDword(header + 32, length) || !sampleSize)
            continue;
        const char id[4] = {static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10), 'w', 'b'};
        unsigned long long bytes = 0;
        for (const IndexEntry& entry : entries)
            if (!std::memcmp(entry.id, id, 4)) bytes += entry.size;
        const DWORD samples = static_cast<DWORD>(bytes / sampleSize);
        if (samples != length && file.WriteDword(header + 32, samples)) corrected = TRUE;
    }
    return corrected;
}

BOOL RepairAviLayout(const wchar_t* path)
{
    PatchFile file(path);
    DWORD s = 0, emptySize = 1, m = 0, indexSize = 0;
    if (!StartsLikeRecording(file) || !file.ReadDword(kHeaderListSizeAt, s) || s > file.Size()) return FALSE;
    if (!file.ReadDword(24 + s, emptySize) || emptySize != 0) return FALSE;
    // The movie list right after the empty chunk, and the index right after it.
    if (!file.HasId(28 + s, "LIST") || !file.ReadDword(32 + s, m) || !file.HasId(36 + s, "movi")) return FALSE;
    const DWORD indexAt = 36 + s + m;
    if (m < 4 || m > file.Size() - (36 + s) || !file.HasId(indexAt, "idx1") ||
        !file.ReadDword(indexAt + 4, indexSize) || indexSize % 16 || indexSize > file.Size() - (indexAt + 8))
        return FALSE;
    DWORD gap = 0;
    if (!FindFirstVideoChunk(file, 40 + s, indexAt, gap)) return FALSE;

    std::vector<IndexEntry> entries(indexSize / 16);
    if (!entries.empty() && !file.Read(indexAt + 8, entries.data(), indexSize)) return FALSE;
    DWORD videoFrames = 0;
    size_t runEnd = 0;
    bool runOpen = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].id[2] == 'd') ++videoFrames;
        const LONG moved = static_cast<LONG>(entries[i].offset - gap);
        entries[i].offset -= gap;
        if (moved < 0)
            runOpen = runOpen || !runEnd;
        else if (moved > 0 && runOpen && !runEnd)
            runEnd = i;
    }

    // Everything checked: from here on the file is changed.
    const DWORD movieHeader[3] = {mmioFOURCC('L', 'I', 'S', 'T'), m - gap, mmioFOURCC('m', 'o', 'v', 'i')};
    bool ok = file.WriteDword(24 + s, gap) && file.Write(28 + s + gap, movieHeader, sizeof movieHeader);
    if (ok && !entries.empty()) ok = file.Write(indexAt + 8, entries.data(), indexSize);
    if (ok && runEnd) {
        // The entries before the first chunk that stayed in the movie list
        // become padding; the index starts over at that entry.
        const DWORD kept = static_cast<DWORD>(16 * runEnd);
        ok = file.WriteDword(indexAt, mmioFOURCC('J', 'U', 'N', 'K')) && file.WriteDword(indexAt + 4, kept - 8) &&
             file.WriteDword(indexAt + kept, mmioFOURCC('i', 'd', 'x', '1')) &&
             file.WriteDword(indexAt + kept + 4, indexSize - kept);
    }
    return ok && file.WriteDword(kTotalFramesAt, videoFrames);
}
