#pragma once
// Reading files with every offset checked: a whole file mapped read-only, and a cursor
// over bytes that fails with "Premature end of file" instead of reading past the end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "Core.h"

namespace mx {

class MappedFile {
 public:
  // Raises MX_ERR_CANNOT_OPEN, or MX_ERR_PREMATURE_EOF for an empty file.
  explicit MappedFile(const char *name);
  ~MappedFile();
  MappedFile(const MappedFile &) = delete;
  MappedFile &operator=(const MappedFile &) = delete;
  const uint8_t *Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t *data_ = nullptr;
  size_t size_ = 0;
};

class ByteCursor {
 public:
  ByteCursor(const uint8_t *data, size_t size, size_t pos = 0)
      : data_(data), size_(size), pos_(pos) {}
  size_t Pos() const { return pos_; }
  size_t Left() const { return pos_ <= size_ ? size_ - pos_ : 0; }
  void Seek(size_t pos) {
    if (pos > size_) Fail(MX_ERR_PREMATURE_EOF);
    pos_ = pos;
  }
  void Skip(size_t n) { Seek(Need(n) + n); }
  uint8_t U8() {
    size_t p = Need(1);
    ++pos_;
    return data_[p];
  }
  uint16_t U16LE() {
    size_t p = Need(2);
    pos_ += 2;
    return static_cast<uint16_t>(data_[p] | (data_[p + 1] << 8));
  }
  uint32_t U32LE() {
    size_t p = Need(4);
    pos_ += 4;
    return data_[p] | (data_[p + 1] << 8) | (data_[p + 2] << 16) |
           (static_cast<uint32_t>(data_[p + 3]) << 24);
  }
  const uint8_t *Bytes(size_t n) {
    size_t p = Need(n);
    pos_ += n;
    return data_ + p;
  }

 private:
  size_t Need(size_t n) const {
    if (pos_ > size_ || n > size_ - pos_) Fail(MX_ERR_PREMATURE_EOF);
    return pos_;
  }
  const uint8_t *data_;
  size_t size_;
  size_t pos_;
};

struct FileCloser {
  void operator()(FILE *f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opens for reading; raises MX_ERR_CANNOT_OPEN.
FilePtr OpenForReading(const char *name);

}  // namespace mx
