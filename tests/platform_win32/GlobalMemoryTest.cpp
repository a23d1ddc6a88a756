#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win32/Handles.h"
#include "win32/WinApi.h"

TEST(GlobalMemory, BlocksAreZeroFilledAndKeepTheirSize) {
  HGLOBAL block = GlobalAlloc(GHND, 1000);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 1000u);
  const auto *bytes = static_cast<const uint8_t *>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
  GlobalUnlock(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, LockCountRisesAndFallsAsOnWindows) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
  EXPECT_EQ(GlobalLockCount(block), 0);
  void *first = GlobalLock(block);
  void *second = GlobalLock(block);
  EXPECT_EQ(first, second) << "blocks never move";
  EXPECT_EQ(GlobalLockCount(block), 2);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
  EXPECT_FALSE(GlobalUnlock(block)) << "the count reached 0";
  EXPECT_FALSE(GlobalUnlock(block)) << "an unlocked block stays at 0";
  EXPECT_EQ(GlobalLockCount(block), 0);
  GlobalFree(block);
}

TEST(GlobalMemory, GlobalHandleFindsTheBlockBehindALockedPointer) {
  HGLOBAL block = GlobalAlloc(GHND, 64);
  auto *pointer = static_cast<uint8_t *>(GlobalLock(block));
  EXPECT_EQ(GlobalHandle(pointer), block);
  EXPECT_EQ(GlobalHandle(pointer + 1), nullptr) << "only the start of the block";
  int local = 0;
  EXPECT_EQ(GlobalHandle(&local), nullptr);
  GlobalFree(block);
  EXPECT_EQ(GlobalHandle(pointer), nullptr) << "a freed block is forgotten";
}

TEST(GlobalMemory, StaleAndNullHandlesFailCleanly) {
  HGLOBAL block = GlobalAlloc(GHND, 8);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block) << "a double free returns the handle";
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE));
  EXPECT_EQ(GlobalLockCount(block), -1);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
}

TEST(GlobalMemory, AnEmptyBlockHasNoMemoryToLock) {
  HGLOBAL block = GlobalAlloc(GHND, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
  GlobalFree(block);
}

TEST(GlobalMemory, ReAllocKeepsContentsAndZeroFillsTheRest) {
  HGLOBAL block = GlobalAlloc(GHND, 4);
  std::memcpy(GlobalLock(block), "abcd", 4);
  EXPECT_EQ(GlobalReAlloc(block, 8, GMEM_MOVEABLE), nullptr) << "a locked block cannot move";
  GlobalUnlock(block);
  ASSERT_EQ(GlobalReAlloc(block, 8, GMEM_MOVEABLE), block);
  const char *bytes = static_cast<const char *>(GlobalLock(block));
  EXPECT_EQ(std::string(bytes, 4), "abcd");
  for (int i = 4; i < 8; ++i) EXPECT_EQ(bytes[i], 0);
  GlobalFree(block);
}

TEST(GlobalMemory, TheAllocationLimitMakesAllocationFail) {
  MxSetGlobalAllocLimit(100);
  EXPECT_EQ(GlobalAlloc(GHND, 101), nullptr);
  HGLOBAL fits = GlobalAlloc(GHND, 100);
  EXPECT_NE(fits, nullptr);
  GlobalFree(fits);
  MxSetGlobalAllocLimit(0);
}

TEST(GlobalMemory, GlobalBlockUnlocksToZeroThenFrees) {
  const SIZE_T before = GlobalLiveBlocks();
  {
    platform::GlobalBlock block(GlobalAlloc(GHND, 32));
    GlobalLock(block.get());
    GlobalLock(block.get());
    GlobalLock(block.get());
    EXPECT_EQ(GlobalLiveBlocks(), before + 1);
  }
  EXPECT_EQ(GlobalLiveBlocks(), before) << "a block locked three times is still freed";
}

// Large blocks have their pages faulted in on a thread of their own while the program
// writes them: what the program writes is what it reads back, a fresh block still reads as
// zeros, and a block freed at once (its pages still being faulted in) goes back cleanly.
TEST(GlobalMemory, LargeBlocksWrittenWhileTheirPagesComeInKeepWhatWasWritten) {
  constexpr size_t kBytes = size_t(48) << 20;
  for (int round = 0; round < 3; ++round) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kBytes);
    ASSERT_NE(h, nullptr);
    auto *bytes = static_cast<unsigned char *>(GlobalLock(h));
    ASSERT_NE(bytes, nullptr);
    size_t zeros = 0;
    for (size_t i = 0; i < kBytes; i += 4093) zeros += bytes[i] == 0;
    EXPECT_EQ(zeros, (kBytes + 4092) / 4093);
    for (size_t i = 0; i < kBytes; ++i) bytes[i] = static_cast<unsigned char>(i * 131 + round);
    size_t wrong = 0;
    for (size_t i = 0; i < kBytes; ++i)
      wrong += bytes[i] != static_cast<unsigned char>(i * 131 + round);
    EXPECT_EQ(wrong, 0u);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
  }
  for (int i = 0; i < 8; ++i) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, kBytes);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalFree(h), nullptr);
  }
}
