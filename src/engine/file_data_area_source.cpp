#include "engine/file_data_area_source.h"

#include "support/file_io.h"

namespace vantrel {

bool FileDataAreaSource::ReadNext(std::uint8_t* out, std::size_t n) {
    if (n > length_ - position_ || !ReadFileAt(file_, start_ + position_, out, n))
        return false;
    position_ += n;
    return true;
}

bool FileDataAreaSource::Rewind() {
    position_ = 0;
    return true;
}

}  // namespace vantrel
