#pragma once
// Fields of the packed records are compared by value: GoogleTest's comparisons take references,
// and a reference to a packed field may be misaligned.

namespace kivo::test {

template <class T> T Val(T v) {
    return v;
}

} // namespace kivo::test
