#pragma once
#include <cstddef>
#include <cstdint>

namespace vf {

// Fill rule of a path; only the non-zero rule is used by this system.
enum class WindingRule : int { nonZero = 0 };

// Called once per swept row with the row y, the end cell (exclusive, a multiple
// of 4), the start cell (a multiple of 4), the touched mask (bit g of word g / 64
// is set when cells 4g..4g+3 hold something), the accumulation row and the user
// data. Cells are indexed from the clip rectangle's left side; the running sum of
// the cells is the signed coverage of each pixel, 0x8000 for a full pixel. The
// blitter clears the cells it reads.
using BlitFunction = void (*)(int y, int endX, int startX, const uint64_t* touchedMask,
                              int32_t* accumulation, void* userData);

struct Blitter {
    BlitFunction function = nullptr;
    void* userData = nullptr;
};

// Turns closed polygons given in 24.8 fixed point (pixels times 256) into exact
// per-pixel area coverage, row by row. Buffers follow the largest clip seen and
// are reused, so that once grown a fill allocates nothing.
class Rasterizer {
public:
    // Full-pixel coverage as accumulated in the cells.
    static constexpr int32_t fullCoverage = 0x8000;

    Rasterizer();
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Sets the clip rectangle (pixels), sizes the buffers for it and discards any
    // pending path.
    void initialise(int left, int top, int right, int bottom);

    // Moves the current point without adding anything (24.8 fixed point).
    void intMoveTo(int32_t x, int32_t y);

    // Adds the segment from the current point to (x, y), in 24.8 fixed point.
    void intLineTo(int32_t x, int32_t y);

    // Sweeps the touched rows, calling the blitter once per row, then resets for
    // the next path.
    void rasterize(const Blitter& blitter);

    // Drops the pending path without drawing it.
    void reset();

    int clipLeft() const { return left_; }
    int clipTop() const { return top_; }
    int clipRight() const { return right_; }
    int clipBottom() const { return bottom_; }

    // Number of edge blocks allocated so far (they are kept and reused).
    int edgeBlockCount() const { return blockCount_; }

private:
    struct Edge;
    struct EdgeBlock;

    Edge* newEdge();
    void addClippedSegment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t ya, int64_t yb, int dir);
    void addEdge(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t ya, int64_t yb, int dir);
    void addBoundaryRun(int32_t* diffs, int64_t y0, int64_t y1, int dir);
    void accumulateEdgePart(const Edge& e, int64_t ya, int64_t yb, int64_t widthFine);
    void accumulateSpan(int64_t xa, int64_t xb, int64_t height, int dir);
    void addCell(int64_t cell, int32_t amount);
    void touchRows(int64_t y0, int64_t y1);
    void clearUsedState();

    template <typename T>
    static void growBuffer(T*& buffer, size_t& capacity, size_t needed);

    // Clip rectangle in pixels.
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;

    // Current point (24.8).
    int32_t curX_ = 0, curY_ = 0;

    // Edge pool: blocks of 100 records, kept for reuse.
    EdgeBlock* firstBlock_ = nullptr;
    EdgeBlock* currentBlock_ = nullptr;
    int usedInBlock_ = 0;
    int blockCount_ = 0;

    // Per-row buffers (index = row - top): bucket heads and boundary cover differences.
    Edge** buckets_ = nullptr;
    size_t bucketsCapacity_ = 0;
    int32_t* leftDiffs_ = nullptr;
    size_t leftCapacity_ = 0;
    int32_t* rightDiffs_ = nullptr;
    size_t rightCapacity_ = 0;

    // Current row (index = x - left).
    int32_t* cells_ = nullptr;
    size_t cellsCapacity_ = 0;
    uint64_t* mask_ = nullptr;
    size_t maskCapacity_ = 0;

    // Edges crossing the row being swept.
    Edge** active_ = nullptr;
    size_t activeCapacity_ = 0;
    size_t activeCount_ = 0;
    size_t edgeCount_ = 0;

    // Touched vertical extent (rows relative to top), empty when first > last.
    int firstRow_ = 0;
    int lastRow_ = -1;

    // Boundary difference entries in use, empty when lo > hi.
    int diffLo_ = 0;
    int diffHi_ = -1;

    // Touched cells of the row being swept.
    int64_t rowMinCell_ = 0;
    int64_t rowMaxCell_ = -1;
};

} // namespace vf
