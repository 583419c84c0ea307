#pragma once

// One lane function over a block of doubles, for the per-instruction-set probe units.
// They include this after their target switch, so it includes nothing itself; its
// instantiations differ by lane type, so no two units share a symbol.

namespace vf::test {

// Any count; the last partial register is padded.
template <class D, D (*function)(D)>
void runLaneBlock(const double* in, double* out, int count)
{
    int i = 0;
    for (; i + D::lanes <= count; i += D::lanes)
        function(D::load(in + i)).store(out + i);
    if (i < count) {
        double padded[D::lanes] = {};
        for (int j = 0; i + j < count; ++j)
            padded[j] = in[i + j];
        function(D::load(padded)).store(padded);
        for (int j = 0; i + j < count; ++j)
            out[i + j] = padded[j];
    }
}

} // namespace vf::test
