#pragma once
// Internal to the platform library: the memory of a global block, shared, for a DIB
// section made on the block.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "WinApi.h"

namespace win32 {

// The block's memory (null for a dead or empty block) and its size.
std::shared_ptr<uint8_t> ShareBlockMemory(HGLOBAL block, size_t *size);

}  // namespace win32
