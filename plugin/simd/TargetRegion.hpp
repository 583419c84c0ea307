#pragma once
// Compiles the functions defined between VF_TARGET_BEGIN("isa,...") and VF_TARGET_END()
// for a wider instruction set.  GCC switches with its target pragma; clang, which has no
// such pragma, attaches the same target attribute to every function declared in between.
// Regions nest; a clang region must be closed before the end of the translation unit.

#define VF_TARGET_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define VF_TARGET_BEGIN(isa) \
    VF_TARGET_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define VF_TARGET_END() VF_TARGET_PRAGMA(clang attribute pop)
#else
#define VF_TARGET_BEGIN(isa) VF_TARGET_PRAGMA(GCC push_options) VF_TARGET_PRAGMA(GCC target(isa))
#define VF_TARGET_END() VF_TARGET_PRAGMA(GCC pop_options)
#endif
