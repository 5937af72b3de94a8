// Region seek: the restart index keeps where each MCU row's entropy data
// begins, across calls, so that later region requests skip the rows above.
#include "ScanStages.h"

#include <cstdlib>
#include <cstring>

#include "Platform.h"
#include "ScanDecoder.h"

int32_t inputPosition(const EntropyIo& io) { return io.cursor.consumed; }

void storeRestartEntry(JPEG_CODEC_STATE* state, int32_t row, int32_t scanStart)
{
    if (row >= RESTART_INDEX_ROWS) return;
    RestartIndexEntry& entry = state->restartIndex[row];
    entry.position = inputPosition(state->io);
    std::memcpy(entry.dcPredictor, state->decodeScan->dcPredictor, sizeof(entry.dcPredictor));
    entry.bitWord0 = static_cast<uint32_t>(state->io.bits);
    entry.bitWord1 = static_cast<uint32_t>(state->io.bits >> 32);
    entry.bitCount = state->io.bitCount;
    entry.pendingMarker = state->io.pendingMarker;
    entry.scanStart = scanStart;
}

namespace {
JPEG_STATUS loadRestartEntry(JPEG_CODEC_STATE* state, int32_t row)
{
    const RestartIndexEntry& entry = state->restartIndex[row];
    EntropyIo& io = state->io;
    StreamCursor& cursor = io.cursor;
    if (io.file) {
        if (!seekCodecFile(io.file, entry.position, CODEC_SEEK_BEGIN)) return JPEG_FILE_ERROR;
        cursor.current = cursor.windowEnd;
        cursor.remaining = 0;
    } else {
        if (entry.position < 0 || entry.position > cursor.windowSize) return JPEG_FILE_ERROR;
        cursor.current = cursor.windowStart + entry.position;
        cursor.remaining = cursor.windowSize - entry.position;
    }
    cursor.consumed = entry.position;
    std::memcpy(state->decodeScan->dcPredictor, entry.dcPredictor, sizeof(entry.dcPredictor));
    io.bits = (uint64_t{entry.bitWord1} << 32) | entry.bitWord0;
    io.bitCount = entry.bitCount;
    io.pendingMarker = entry.pendingMarker;
    return JPEG_SUCCESS;
}
}  // namespace

// Moves the input to the nearest indexed row at or above `row`; returns it.
JPEG_STATUS seekNearestRow(JPEG_CODEC_STATE* state, int32_t row, int32_t* reached)
{
    const int32_t scanStart = inputPosition(state->io);
    if (!state->restartIndex) {
        state->restartIndex =
            static_cast<RestartIndexEntry*>(std::malloc(RESTART_INDEX_ROWS * sizeof(RestartIndexEntry)));
        if (!state->restartIndex) return JPEG_MEMORY_ERROR;
        for (int32_t i = 0; i < RESTART_INDEX_ROWS; ++i) state->restartIndex[i].position = -1;
    }
    // An index built for another scan or stream is of no use here.
    if (state->restartIndex[0].position != scanStart || state->restartIndex[0].scanStart != scanStart)
        for (int32_t i = 0; i < RESTART_INDEX_ROWS; ++i) state->restartIndex[i].position = -1;
    storeRestartEntry(state, 0, scanStart);
    int32_t nearest = row < RESTART_INDEX_ROWS ? row : RESTART_INDEX_ROWS - 1;
    while (nearest > 0 && state->restartIndex[nearest].position < 0) --nearest;
    *reached = nearest;
    return nearest > 0 ? loadRestartEntry(state, nearest) : JPEG_SUCCESS;
}
