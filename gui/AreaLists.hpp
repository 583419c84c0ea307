#pragma once
#include "core/Box2i.hpp"
#include "core/GrowableArray.hpp"

namespace vf {

// Appends to out disjoint rectangles covering the same area as input.  input is
// used as the work list: it is changed (split parts are appended to it).
void removeOverlappingAreas(GrowableArray<box2i>& input, GrowableArray<box2i>& out);

// Cuts every area into tiles of at most tileWidth x tileHeight, row by row from the
// top-left (the last column and row are narrower), appending them to out.
void tileAreas(const GrowableArray<box2i>& areas, int tileHeight, int tileWidth, GrowableArray<box2i>& out);

} // namespace vf
