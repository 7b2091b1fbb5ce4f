#pragma once

#include <cstddef>

namespace fadebin {

// Standard containers keep the size they grew to after their elements went: a burst of ten
// thousand files would stay in the process as empty arrays and bucket tables. This gives the
// spare room back once at most a quarter of it is used; the gap between shrinking and
// growing again keeps either costing a constant per element over time.
template <class Container> void releaseSpareCapacity(Container& container) {
    constexpr std::size_t worthFreeing = 1024; // elements or buckets; less is noise
    if constexpr (requires { container.bucket_count(); }) {
        if (container.bucket_count() >= worthFreeing &&
            container.size() * 4 <= container.bucket_count())
            container.rehash(0);
    } else if (container.capacity() >= worthFreeing &&
               container.size() * 4 <= container.capacity()) {
        container.shrink_to_fit();
    }
}

} // namespace fadebin
