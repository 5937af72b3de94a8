// Upsampling: one output line of a component from its sample bands, by
// replication or, with smoothing, by the triangle filter.
#include "ScanStages.h"

#include <cstddef>

const uint8_t* sampleRow(const ComponentGeometry& g, int32_t row)
{
    return g.bands[(row / g.planeHeight) % BAND_RING] + static_cast<size_t>(row % g.planeHeight) * g.planeWidth;
}

// Samples x0 .. x0+count-1 of output row y for one component.
const uint8_t* componentLine(const ScanPlan& plan, const ComponentGeometry& g, int32_t y, int32_t x0, int32_t count)
{
    const int32_t row = y / g.ratioV;
    const uint8_t* samples = sampleRow(g, row);
    if (g.ratioH == 1 && g.ratioV == 1) return samples + x0;
    uint8_t* line = g.line;
    const int32_t last = g.realWidth - 1;
    if (plan.smooth && g.ratioH == 2 && g.ratioV == 2 && plan.scale == 1) {
        // Triangle filter over the sample row and its neighbour above or below.
        const int32_t neighbourRow = (y & 1) ? (row + 1 < g.realHeight ? row + 1 : row) : (row > 0 ? row - 1 : 0);
        const uint8_t* near = sampleRow(g, neighbourRow);
        auto columnSum = [&](int32_t j) { return 3 * samples[j] + near[j]; };
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = x0 + i, j = x >> 1 < last ? x >> 1 : last;
            const int32_t sum = columnSum(j);
            line[i] = static_cast<uint8_t>((x & 1) ? (3 * sum + columnSum(j < last ? j + 1 : j) + 7) >> 4
                                                   : (3 * sum + columnSum(j > 0 ? j - 1 : 0) + 8) >> 4);
        }
        return line;
    }
    if (plan.smooth && g.ratioH == 2 && g.ratioV == 1) {
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = x0 + i, j = x >> 1 < last ? x >> 1 : last;
            const int32_t c = 3 * samples[j];
            line[i] = static_cast<uint8_t>((x & 1) ? (c + samples[j < last ? j + 1 : j] + 2) >> 2
                                                   : (c + samples[j > 0 ? j - 1 : 0] + 1) >> 2);
        }
        return line;
    }
    for (int32_t i = 0; i < count; ++i) line[i] = samples[(x0 + i) / g.ratioH];
    return line;
}
