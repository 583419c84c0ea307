#pragma once
#include "core/GrowableArray.hpp"

namespace vf {

class UIElement;

// Stable sort of elements by zOrder (ascending, or descending when asked): equal
// zOrders keep their order.  Short lists use binary insertion; longer ones merge
// sorted runs through scratch, which keeps its storage between calls.
void stableSortByZOrder(GrowableArray<UIElement*>& list, GrowableArray<UIElement*>& scratch, bool descending);

} // namespace vf
