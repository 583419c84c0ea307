#pragma once
// TEMPORARY stand-in until the vector maths land.
namespace vf::simd {
template <class D> D sineOf(D x)
{
    alignas(64) double v[D::lanes];
    x.store(v);
    for (double& e : v) e = std::sin(e);
    return D::load(v);
}
template <class D> D arcSineRoundedToFloat(D x)
{
    alignas(64) double v[D::lanes];
    x.store(v);
    for (double& e : v) e = static_cast<float>(std::asin(e));
    return D::load(v);
}
} // namespace vf::simd
