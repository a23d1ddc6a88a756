#pragma once
#include <cstdint>

namespace mx {
// The text of string `id` of the libraries' table, or nullptr.
const char *TableString(uint32_t id);
// LoadString's contract: copies at most size - 1 bytes and a 0, returns the bytes copied.
int CopyTableString(uint32_t id, char *buffer, int size);
// The scanner's own reason for its last failure, read with the scanner failure's text.
void SetScannerFailureReason(const char *reason);
}  // namespace mx
