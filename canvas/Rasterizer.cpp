#include "canvas/Rasterizer.hpp"

#include "core/OutOfMemory.hpp"

#include <algorithm>
#include <cstring>

namespace vf {

namespace {

constexpr int edgesPerBlock = 100;

// Clip coordinates are kept within this many pixels of the origin, so that an x
// inside the clip, in 24.8 units times 2^32, fits in 64 bits.
constexpr int clipLimit = 1 << 21;

// Extra cells right of the clip: the edge contributions spill into the cell
// after a pixel, and the blitter reads whole groups of four.
constexpr size_t cellPadding = 8;

int64_t interpolate(int64_t a0, int64_t b0, int64_t a1, int64_t b1, int64_t b)
{
    // a at b on the line through (a0, b0) and (a1, b1); b1 != b0.
    const __int128 num = static_cast<__int128>(a1 - a0) * (b - b0);
    return a0 + static_cast<int64_t>(num / (b1 - b0));
}

size_t nextPowerOfTwo(size_t n)
{
    size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace

// One edge inside the clip rectangle, oriented top to bottom; coordinates are
// relative to the clip's top-left corner.
struct Rasterizer::Edge {
    int64_t x;       // 32.32: x (24.8 units) at yTop, on the segment's own line
    int64_t xStep;   // 32.32: x change per y unit
    int32_t yTop;    // 24.8
    int32_t yBottom; // 24.8
    int32_t dir;     // +1 drawn downwards, -1 upwards
    Edge* next;      // next edge starting in the same row
};

struct Rasterizer::EdgeBlock {
    EdgeBlock* next;
    Edge edges[edgesPerBlock];
};

Rasterizer::Rasterizer() = default;

Rasterizer::~Rasterizer()
{
    for (EdgeBlock* block = firstBlock_; block != nullptr;) {
        EdgeBlock* next = block->next;
        std::free(block);
        block = next;
    }
    std::free(buckets_);
    std::free(leftDiffs_);
    std::free(rightDiffs_);
    std::free(cells_);
    std::free(mask_);
    std::free(active_);
}

template <typename T>
void Rasterizer::growBuffer(T*& buffer, size_t& capacity, size_t needed)
{
    if (needed <= capacity)
        return;
    const size_t grown = nextPowerOfTwo(needed);
    // Never grown while holding data: the old contents need not survive.
    std::free(buffer);
    buffer = static_cast<T*>(checkedMalloc(grown * sizeof(T)));
    std::memset(static_cast<void*>(buffer), 0, grown * sizeof(T));
    capacity = grown;
}

void Rasterizer::initialise(int left, int top, int right, int bottom)
{
    clearUsedState();
    left_ = std::clamp(left, -clipLimit, clipLimit);
    top_ = std::clamp(top, -clipLimit, clipLimit);
    right_ = std::clamp(right, left_, clipLimit);
    bottom_ = std::clamp(bottom, top_, clipLimit);

    const size_t width = static_cast<size_t>(right_ - left_);
    const size_t height = static_cast<size_t>(bottom_ - top_);
    growBuffer(buckets_, bucketsCapacity_, height + 1);
    growBuffer(leftDiffs_, leftCapacity_, height + 2);
    growBuffer(rightDiffs_, rightCapacity_, height + 2);
    growBuffer(cells_, cellsCapacity_, width + cellPadding);
    growBuffer(mask_, maskCapacity_, (width + cellPadding) / 256 + 1);
}

void Rasterizer::reset()
{
    clearUsedState();
}

void Rasterizer::clearUsedState()
{
    if (lastRow_ >= firstRow_) {
        for (int row = firstRow_; row <= lastRow_; ++row)
            buckets_[row] = nullptr;
    }
    if (diffHi_ >= diffLo_) {
        for (int i = diffLo_; i <= diffHi_; ++i) {
            leftDiffs_[i] = 0;
            rightDiffs_[i] = 0;
        }
    }
    firstRow_ = 0;
    lastRow_ = -1;
    diffLo_ = 0;
    diffHi_ = -1;
    currentBlock_ = firstBlock_;
    usedInBlock_ = 0;
    edgeCount_ = 0;
}

Rasterizer::Edge* Rasterizer::newEdge()
{
    if (currentBlock_ == nullptr || usedInBlock_ == edgesPerBlock) {
        EdgeBlock* next = currentBlock_ != nullptr ? currentBlock_->next : firstBlock_;
        if (next == nullptr) {
            next = static_cast<EdgeBlock*>(checkedMalloc(sizeof(EdgeBlock)));
            next->next = nullptr;
            if (currentBlock_ != nullptr)
                currentBlock_->next = next;
            else
                firstBlock_ = next;
            ++blockCount_;
        }
        currentBlock_ = next;
        usedInBlock_ = 0;
    }
    ++edgeCount_;
    return &currentBlock_->edges[usedInBlock_++];
}

void Rasterizer::intMoveTo(int32_t x, int32_t y)
{
    curX_ = x;
    curY_ = y;
}

void Rasterizer::intLineTo(int32_t x, int32_t y)
{
    int64_t x0 = curX_, y0 = curY_, x1 = x, y1 = y;
    curX_ = x;
    curY_ = y;
    if (y0 == y1 || right_ <= left_ || bottom_ <= top_)
        return;

    int dir = 1;
    if (y1 < y0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1;
    }
    const int64_t clipTop = int64_t{top_} * 256;
    const int64_t clipBottom = int64_t{bottom_} * 256;
    if (y1 <= clipTop || y0 >= clipBottom)
        return;
    addClippedSegment(x0, y0, x1, y1, std::max(y0, clipTop), std::min(y1, clipBottom), dir);
}

// The segment (x0, y0)-(x1, y1), oriented downwards, is used between ya and yb.
// Parts beyond the left or right side become boundary runs; the part inside
// becomes an edge that keeps the segment's exact line, clamped to the clip, so
// rounding a crossing to 24.8 moves no area.
void Rasterizer::addClippedSegment(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t ya, int64_t yb,
                                   int dir)
{
    const int64_t clipLeft = int64_t{left_} * 256;
    const int64_t clipRight = int64_t{right_} * 256;

    // Split where the segment crosses the left or right side; at most two cuts.
    int64_t cutsY[2];
    int cuts = 0;
    for (int64_t side : {clipLeft, clipRight}) {
        if ((x0 < side && x1 > side) || (x0 > side && x1 < side)) {
            const int64_t yc = interpolate(y0, x0, y1, x1, side);
            if (yc > ya && yc < yb)
                cutsY[cuts++] = yc;
        }
    }
    if (cuts == 2 && cutsY[0] > cutsY[1])
        std::swap(cutsY[0], cutsY[1]);

    const int64_t rowOrigin = int64_t{top_} * 256;
    int64_t pieceTop = ya;
    for (int piece = 0; piece <= cuts; ++piece) {
        const int64_t pieceBottom = piece < cuts ? cutsY[piece] : yb;
        if (pieceBottom > pieceTop) {
            const int64_t twiceMid = interpolate(x0, y0, x1, y1, pieceTop) + interpolate(x0, y0, x1, y1, pieceBottom);
            if (twiceMid < 2 * clipLeft)
                addBoundaryRun(leftDiffs_, pieceTop - rowOrigin, pieceBottom - rowOrigin, dir);
            else if (twiceMid > 2 * clipRight)
                addBoundaryRun(rightDiffs_, pieceTop - rowOrigin, pieceBottom - rowOrigin, dir);
            else
                addEdge(x0, y0, x1, y1, pieceTop, pieceBottom, dir);
        }
        pieceTop = pieceBottom;
    }
}

void Rasterizer::addEdge(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t ya, int64_t yb, int dir)
{
    // x in 24.8 units relative to the clip's left side, times 2^32; kept within
    // int64 (values that far out are clamped to the clip when used anyway).
    constexpr __int128 limit = static_cast<__int128>(1) << 62;
    const __int128 dx = static_cast<__int128>(x1 - x0) << 32;
    const __int128 xTop = (static_cast<__int128>(x0 - int64_t{left_} * 256) << 32) + dx * (ya - y0) / (y1 - y0);
    const __int128 xStep = dx / (y1 - y0);

    Edge* e = newEdge();
    e->x = static_cast<int64_t>(std::clamp(xTop, -limit, limit));
    e->xStep = static_cast<int64_t>(std::clamp(xStep, -limit, limit));
    e->yTop = static_cast<int32_t>(ya - int64_t{top_} * 256);
    e->yBottom = static_cast<int32_t>(yb - int64_t{top_} * 256);
    e->dir = dir;
    const int row = e->yTop >> 8;
    e->next = buckets_[row];
    buckets_[row] = e;
    touchRows(e->yTop, e->yBottom);
}

// A part of the path beyond a side of the clip becomes a vertical run along
// that side. Its cover is kept as per-row differences whose running sum is the
// covered height of each row times 128.
void Rasterizer::addBoundaryRun(int32_t* diffs, int64_t y0, int64_t y1, int dir)
{
    const int r0 = static_cast<int>(y0 >> 8);
    const int r1 = static_cast<int>(y1 >> 8);
    const int32_t f0 = static_cast<int32_t>(y0 & 255);
    const int32_t f1 = static_cast<int32_t>(y1 & 255);
    diffs[r0] += dir * (fullCoverage - f0 * 128);
    diffs[r0 + 1] += dir * (f0 * 128);
    diffs[r1] += dir * (f1 * 128 - fullCoverage);
    diffs[r1 + 1] -= dir * (f1 * 128);
    if (diffHi_ < diffLo_) {
        diffLo_ = r0;
        diffHi_ = r1 + 1;
    } else {
        diffLo_ = std::min(diffLo_, r0);
        diffHi_ = std::max(diffHi_, r1 + 1);
    }
    touchRows(y0, y1);
}

void Rasterizer::touchRows(int64_t y0, int64_t y1)
{
    const int first = static_cast<int>(y0 >> 8);
    const int last = static_cast<int>((y1 - 1) >> 8);
    if (lastRow_ < firstRow_) {
        firstRow_ = first;
        lastRow_ = last;
    } else {
        firstRow_ = std::min(firstRow_, first);
        lastRow_ = std::max(lastRow_, last);
    }
}

inline void Rasterizer::addCell(int64_t cell, int32_t amount)
{
    if (amount == 0)
        return;
    cells_[cell] += amount;
    mask_[cell >> 8] |= uint64_t{1} << ((cell >> 2) & 63);
    rowMinCell_ = std::min(rowMinCell_, cell);
    rowMaxCell_ = std::max(rowMaxCell_, cell);
}

// Adds the area right of a straight piece from xa to xb, height high, inside one
// row and inside the clip, to the cells. x and the height are in 1/65536 pixel.
// Each column the part crosses gets the area between the part and the column's
// right side, the cell after gets the rest of that piece's height, so the
// running sum right of the part is its height times 128, exactly.
void Rasterizer::accumulateSpan(int64_t xa, int64_t xb, int64_t height, int dir)
{
    constexpr int64_t column = 65536; // one pixel in x units
    const int64_t colA = xa / column;
    const int64_t colB = xb / column;

    // Area right of the piece within its column, in cells (full pixel 0x8000):
    // (2 column - fa - fb) / (2 column) * dy * 128, rounded.
    auto pieceArea = [](int64_t fa, int64_t fb, int64_t dy) {
        return ((2 * column - fa - fb) * dy + (int64_t{1} << 17)) >> 18;
    };
    // Cover of the first dy units of height, rounded so that pieces telescope.
    auto coverUpTo = [](int64_t dy) { return (dy + 1) >> 1; };

    if (colA == colB) {
        const int64_t base = colA * column;
        const int64_t area = pieceArea(xa - base, xb - base, height);
        const int64_t cover = coverUpTo(height);
        addCell(colA, static_cast<int32_t>(dir * area));
        addCell(colA + 1, static_cast<int32_t>(dir * (cover - area)));
        return;
    }

    const int64_t step = colB > colA ? 1 : -1;
    int64_t col = colA;
    int64_t xPrev = xa;
    int64_t yPrev = 0;
    for (;;) {
        int64_t xEnd, yEnd;
        if (col == colB) {
            xEnd = xb;
            yEnd = height;
        } else {
            xEnd = step > 0 ? (col + 1) * column : col * column;
            yEnd = (xEnd - xa) * height / (xb - xa);
        }
        if (yEnd > yPrev) {
            const int64_t base = col * column;
            const int64_t area = pieceArea(xPrev - base, xEnd - base, yEnd - yPrev);
            const int64_t cover = coverUpTo(yEnd) - coverUpTo(yPrev);
            addCell(col, static_cast<int32_t>(dir * area));
            addCell(col + 1, static_cast<int32_t>(dir * (cover - area)));
        }
        if (col == colB)
            break;
        xPrev = xEnd;
        yPrev = yEnd;
        col += step;
    }
}

// The part of edge e between ya and yb (24.8, inside one row). The edge follows
// its segment's exact line; where rounding puts that line a hair outside the
// clip, the part is cut there and the outside piece runs along the side.
void Rasterizer::accumulateEdgePart(const Edge& e, int64_t ya, int64_t yb, int64_t widthFine)
{
    auto xAt = [&e](int64_t y) {
        const __int128 x32 = e.x + static_cast<__int128>(e.xStep) * (y - e.yTop);
        const __int128 fine = (x32 + (int64_t{1} << 23)) >> 24;
        constexpr __int128 far = static_cast<__int128>(1) << 40;
        return static_cast<int64_t>(std::clamp(fine, -far, far));
    };
    const int64_t xa = xAt(ya);
    const int64_t xb = xAt(yb);
    const int64_t height = (yb - ya) * 256;
    if (xa >= 0 && xa <= widthFine && xb >= 0 && xb <= widthFine) {
        accumulateSpan(xa, xb, height, e.dir);
        return;
    }

    int64_t cuts[2];
    int count = 0;
    for (int64_t side : {int64_t{0}, widthFine}) {
        if ((xa < side && xb > side) || (xa > side && xb < side))
            cuts[count++] = static_cast<int64_t>(static_cast<__int128>(side - xa) * height / (xb - xa));
    }
    if (count == 2 && cuts[0] > cuts[1])
        std::swap(cuts[0], cuts[1]);
    auto clampedX = [&](int64_t h) {
        const int64_t x = xa + static_cast<int64_t>(static_cast<__int128>(xb - xa) * h / height);
        return std::clamp<int64_t>(x, 0, widthFine);
    };
    int64_t from = 0;
    for (int piece = 0; piece <= count; ++piece) {
        const int64_t to = piece < count ? cuts[piece] : height;
        if (to > from)
            accumulateSpan(clampedX(from), clampedX(to), to - from, e.dir);
        from = to;
    }
}

void Rasterizer::rasterize(const Blitter& blitter)
{
    if (lastRow_ < firstRow_ || blitter.function == nullptr) {
        clearUsedState();
        return;
    }

    growBuffer(active_, activeCapacity_, edgeCount_);
    activeCount_ = 0;

    const int64_t width = right_ - left_;
    const int64_t widthFine = width * 65536;
    int32_t leftCover = 0;
    int32_t rightCover = 0;

    for (int row = firstRow_; row <= lastRow_; ++row) {
        rowMinCell_ = INT64_MAX;
        rowMaxCell_ = -1;

        leftCover += leftDiffs_[row];
        rightCover += rightDiffs_[row];
        addCell(0, leftCover);
        addCell(width, rightCover);

        for (Edge* e = buckets_[row]; e != nullptr; e = e->next)
            active_[activeCount_++] = e;

        const int64_t rowTop = int64_t{row} * 256;
        const int64_t rowBottom = rowTop + 256;
        for (size_t i = 0; i < activeCount_;) {
            Edge* e = active_[i];
            const int64_t ya = std::max<int64_t>(e->yTop, rowTop);
            const bool ends = e->yBottom <= rowBottom;
            const int64_t yb = ends ? e->yBottom : rowBottom;
            accumulateEdgePart(*e, ya, yb, widthFine);
            if (ends)
                active_[i] = active_[--activeCount_];
            else
                ++i;
        }

        if (rowMaxCell_ >= rowMinCell_) {
            const int startX = static_cast<int>(rowMinCell_ & ~int64_t{3});
            const int endX = static_cast<int>((rowMaxCell_ + 4) & ~int64_t{3});
            blitter.function(row + top_, endX, startX, mask_, cells_, blitter.userData);
            // Leave the row clean even for a blitter that does not clear
            // everything it was given.
            std::memset(cells_ + startX, 0, static_cast<size_t>(endX - startX) * sizeof(int32_t));
            for (int word = startX >> 8; word <= (endX - 1) >> 8; ++word)
                mask_[word] = 0;
        }
    }

    activeCount_ = 0;
    clearUsedState();
}

} // namespace vf
