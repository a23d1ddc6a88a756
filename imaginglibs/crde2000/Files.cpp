#include "Files.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mx {

MappedFile::MappedFile(const char *name) {
  int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(MX_ERR_CANNOT_OPEN);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    Fail(MX_ERR_CANNOT_OPEN);
  }
  if (st.st_size == 0) {
    ::close(fd);
    Fail(MX_ERR_PREMATURE_EOF);
  }
  void *p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (p == MAP_FAILED) Fail(MX_ERR_NO_MEMORY);
  data_ = static_cast<const uint8_t *>(p);
  size_ = static_cast<size_t>(st.st_size);
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(const_cast<uint8_t *>(data_), size_);
}

FilePtr OpenForReading(const char *name) {
  struct stat st {};
  if (::stat(name, &st) != 0 || !S_ISREG(st.st_mode)) Fail(MX_ERR_CANNOT_OPEN);
  FilePtr f(std::fopen(name, "rb"));
  if (!f) Fail(MX_ERR_CANNOT_OPEN);
  return f;
}

}  // namespace mx
