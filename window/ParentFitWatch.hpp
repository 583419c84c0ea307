#pragma once
#include <cstdint>

namespace vf {

// Decides when an editor window whose parent window does not match it gives up and
// takes the parent's area instead.  A host that follows the editor's resizes does so
// within a few frames; one that cannot (a fixed-size host window) would otherwise
// leave the editor clipped, its grip out of reach, and one that does not shrink
// would show its own background beside the editor.  A parent larger than the
// editor's largest size (maxWidth x maxHeight; 0: not known) is not a frame made for
// the editor and is left alone.  Pure: the caller supplies sizes and a clock.
// Timer thread of the window.
class ParentFitWatch {
public:
    static constexpr uint64_t graceMicroseconds = 1000000;

    // Sizes in pixels; a parent size of 0 means unknown (no watch).  Returns true
    // once the same mismatch has lasted the grace time; any change of either size
    // restarts it, so a host that is still following is given its time.
    bool update(int editorWidth, int editorHeight, int parentWidth, int parentHeight, uint64_t nowMicroseconds,
                int maxWidth = 0, int maxHeight = 0)
    {
        const bool known = parentWidth > 0 && parentHeight > 0;
        const bool larger = known && parentWidth <= maxWidth && parentHeight <= maxHeight
            && (editorWidth < parentWidth || editorHeight < parentHeight);
        const bool mismatch = known && (editorWidth > parentWidth || editorHeight > parentHeight || larger);
        const bool same = editorWidth == editorWidth_ && editorHeight == editorHeight_
            && parentWidth == parentWidth_ && parentHeight == parentHeight_;
        editorWidth_ = editorWidth;
        editorHeight_ = editorHeight;
        parentWidth_ = parentWidth;
        parentHeight_ = parentHeight;
        if (!mismatch || !same || !mismatch_) {
            mismatch_ = mismatch;
            since_ = nowMicroseconds;
            return false;
        }
        if (nowMicroseconds - since_ < graceMicroseconds)
            return false;
        since_ = nowMicroseconds; // once per grace time at most, should the fit not take
        return true;
    }

private:
    int editorWidth_ = 0, editorHeight_ = 0, parentWidth_ = 0, parentHeight_ = 0;
    bool mismatch_ = false;
    uint64_t since_ = 0;
};

} // namespace vf
