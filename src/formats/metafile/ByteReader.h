// Little-endian reads from an untrusted buffer. A read outside the buffer yields 0 and marks the
// reader failed, so a record parser reads all its fields and checks once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace velmor::platform::metafile {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  bool ok() const { return ok_; }
  std::span<const uint8_t> bytes() const { return bytes_; }

  bool Has(size_t offset, size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  uint8_t U8(size_t offset) { return Has(offset, 1) ? bytes_[offset] : Fail(); }
  uint16_t U16(size_t offset) {
    if (!Has(offset, 2)) return Fail();
    return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  int16_t I16(size_t offset) { return static_cast<int16_t>(U16(offset)); }
  uint32_t U32(size_t offset) {
    if (!Has(offset, 4)) return Fail();
    return static_cast<uint32_t>(bytes_[offset]) | static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes_[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes_[offset + 3]) << 24;
  }
  int32_t I32(size_t offset) { return static_cast<int32_t>(U32(offset)); }
  float F32(size_t offset) {
    const uint32_t bits = U32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // `length` bytes from `offset`; empty (and failed) when they are not all there.
  std::span<const uint8_t> Bytes(size_t offset, size_t length) {
    if (!Has(offset, length)) {
      Fail();
      return {};
    }
    return bytes_.subspan(offset, length);
  }

 private:
  uint8_t Fail() {
    ok_ = false;
    return 0;
  }

  std::span<const uint8_t> bytes_;
  bool ok_ = true;
};

}  // namespace velmor::platform::metafile
