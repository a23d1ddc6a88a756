// Movable global memory blocks. They never actually move, but keep Windows' lock count,
// so code that unlocks "until the count is 0" and then frees behaves as on Windows; and
// every handle is checked against the live set, so a stale or double free fails cleanly.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "GlobalMemory.h"
#include "PixelMemory.h"
#include "WinApi.h"

namespace {

// A block's memory may outlive the block: a DIB section made on the block shares it, as
// a DIB section on Windows shares the memory of its file mapping.
using Memory = std::shared_ptr<uint8_t>;

// Every block's memory comes from the platform's one allocator of pixel memory, as the
// pictures the blocks hold are the largest buffers the program has.
Memory AllocateZeroed(size_t bytes) {
  return win32::AllocatePixelMemory(bytes);
}

struct Block {
  Memory memory;         // null for a block of 0 bytes
  void *data = nullptr;  // memory.get()
  size_t size = 0;
  int locks = 0;
};

// Blocks are allocated, locked and freed on the GUI thread only (the program starts no
// other), so the heap takes no lock.
struct Heap {
  std::unordered_set<Block *> live;
  std::unordered_map<const void *, Block *> byData;
  size_t limit = 0;
};

Heap &TheHeap() {
  static Heap *heap = new Heap;  // never destroyed: blocks may be freed during exit
  return *heap;
}

Block *Live(Heap &heap, HGLOBAL handle) {
  auto *block = static_cast<Block *>(handle);
  return heap.live.count(block) ? block : nullptr;
}

}  // namespace

namespace win32 {

std::shared_ptr<uint8_t> ShareBlockMemory(HGLOBAL handle, size_t *size) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr) return nullptr;
  if (size) *size = block->size;
  return block->memory;
}

}  // namespace win32

extern "C" {

HGLOBAL GlobalAlloc(UINT /*flags*/, SIZE_T bytes) {
  Heap &heap = TheHeap();
  if (heap.limit != 0 && bytes > heap.limit) return nullptr;
  auto *block = new (std::nothrow) Block;
  if (block == nullptr) return nullptr;
  if (bytes != 0) {
    // Always zero-filled: the program's blocks are read before every byte is written.
    block->memory = AllocateZeroed(bytes);
    if (block->memory == nullptr) {
      delete block;
      return nullptr;
    }
    block->data = block->memory.get();
    heap.byData[block->data] = block;
  }
  block->size = bytes;
  heap.live.insert(block);
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT /*flags*/) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr || block->locks > 0) return nullptr;
  if (heap.limit != 0 && bytes > heap.limit) return nullptr;
  Memory memory = bytes ? AllocateZeroed(bytes) : nullptr;
  if (bytes != 0 && memory == nullptr) return nullptr;
  if (block->data) {
    std::memcpy(memory.get(), block->data, std::min(bytes, block->size));
    heap.byData.erase(block->data);
  }
  block->memory = memory;
  void *data = memory.get();
  block->data = data;
  block->size = bytes;
  if (data) heap.byData[data] = block;
  return block;
}

LPVOID GlobalLock(HGLOBAL handle) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr || block->data == nullptr) return nullptr;
  ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr || block->locks == 0) return FALSE;
  --block->locks;
  return block->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  if (handle == nullptr) return nullptr;
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr) return handle;
  heap.live.erase(block);
  if (block->data) heap.byData.erase(block->data);
  delete block;  // its memory goes when the last DIB section sharing it goes
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  return block ? block->size : 0;
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
  if (pointer == nullptr) return nullptr;
  Heap &heap = TheHeap();
  auto found = heap.byData.find(pointer);
  return found == heap.byData.end() ? nullptr : found->second;
}

UINT GlobalFlags(HGLOBAL handle) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  if (block == nullptr) return GMEM_INVALID_HANDLE;
  return static_cast<UINT>(std::min(block->locks, 255));
}

int GlobalLockCount(HGLOBAL handle) {
  Heap &heap = TheHeap();
  Block *block = Live(heap, handle);
  return block ? block->locks : -1;
}

SIZE_T GlobalLiveBlocks(void) {
  Heap &heap = TheHeap();
  return heap.live.size();
}

void MxSetGlobalAllocLimit(SIZE_T bytes) {
  Heap &heap = TheHeap();
  heap.limit = bytes;
}

}  // extern "C"
