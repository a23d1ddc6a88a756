// The colour reduction entry of ISP2000.DLL and its string table.
#include "Core.h"
#include "Depth.h"
#include "StringTable.h"
#include "isp2000.h"

extern "C" {

MX_EXPORT int MxLoadString(uint32_t id, char *buf, int size) {
  return mx::CopyTableString(id, buf, size);
}

MX_EXPORT HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, uint16_t dither, uint16_t /*zero1*/,
                            int32_t /*zero2*/, uint16_t /*zero3*/, void *user, MxProgressFn cb) {
  HGLOBAL result = nullptr;
  mx::Guard([&]() -> int16_t {
    if (bits != 1 && bits != 4 && bits != 8) mx::Fail(MX_ERR_BAD_DEPTH);
    mx::DibInput input(dib);
    mx::Progress progress(user, cb);
    result = mx::ConvertDepth(input.View(), bits, dither != 0, &progress).Release();
    return MX_OK;
  });
  return result;
}

}  // extern "C"
