// Restart processing: predictors and bit reader start again after every
// restart interval.
#include "ScanStages.h"

#include "EntropyInput.h"

JPEG_STATUS processRestart(JPEG_CODEC_STATE* state, const ScanPlan& plan, int32_t x, int32_t y)
{
    JpegScanHeader& scan = *state->decodeScan;
    const int32_t done = y * plan.columns + x + 1;
    if (scan.restartInterval == 0 || done % scan.restartInterval != 0 || done >= plan.columns * plan.rows)
        return JPEG_SUCCESS;
    for (int32_t& predictor : scan.dcPredictor) predictor = 0;
    restartBitReader(&state->io);
    if (state->io.pendingMarker == END_OF_DATA) return JPEG_SUCCESS;
    if (state->io.pendingMarker) {
        state->io.pendingMarker = 0;
        return JPEG_SUCCESS;
    }
    int32_t code = 0;
    return readMarker(&state->io, &code);
}
