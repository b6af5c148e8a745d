// Writer side of the payload header (the builder's); the reader is payload_header.cpp.
#include <stdexcept>

#include "format/byte_writer.h"
#include "format/payload_header.h"

namespace vantrel {

std::vector<std::uint8_t> WritePayloadHeader(const PayloadHeader& h) {
    if (h.Enciphered() != h.cipherKey.has_value()) {
        throw std::invalid_argument("cipher key and ProductFlags2 0x1000 disagree");
    }
    if (h.engineVersion.find('\0') != std::string::npos)
        throw std::invalid_argument("version holds a NUL");
    std::vector<std::uint8_t> out;
    ByteWriter w(out);
    w.U32(h.magic);
    w.CText(h.engineVersion);
    w.U32(h.productFlags2);
    w.I32(h.settingsSize);
    w.U32(h.settingsCheck);
    w.U32(h.fileCheck);
    w.I32(h.dataEnd);
    if (h.fileSizes.size() > 0x7FFFFFFFu)
        throw std::invalid_argument("too many files");
    w.I32(static_cast<std::int32_t>(h.fileSizes.size()));
    w.I32(h.dataSize);
    w.U32(h.dataCheck);
    for (std::int32_t size : h.fileSizes)
        w.I32(size);
    if (h.cipherKey)
        w.Raw(*h.cipherKey);
    return out;
}

}  // namespace vantrel
