#include "Transitions.h"

#include <memory>

#include "Binding.h"
#include "isp2000.h"

namespace imaging {

namespace {

std::unique_ptr<std::array<TBitmap, 4>> gHistory;
bool gPushed = false;

template <class Fn, class Invoke>
bool RunTransition(const char *entryName, Invoke invoke) {
  Fn *entry = nullptr;
  if (!BindEffectsEntry(Binding().EffectsLibrary, kEffectsLibraryName, entryName, entry))
    return false;
  Binding().ProgressCaption = BindingText(kTextTransition);
  int32_t result = 0;
  if (!GuardedCall([&] { result = invoke(entry); })) return false;
  return result != 0;
}

}  // namespace

#define MX_BAND_TRANSITION(Wrapper, Entry)                                             \
  bool Wrapper(HDC target, HBITMAP source, int thickness, int delay) {                 \
    return RunTransition<decltype(Entry)>(                                             \
        #Entry, [&](auto *entry) { return entry(target, source, thickness, delay); }); \
  }
MX_BAND_TRANSITION(SkipHorizontal, FXSkipHorizontal)
MX_BAND_TRANSITION(SkipVertical, FXSkipVertical)
MX_BAND_TRANSITION(SkipDiagonals, FXSkipDiagonals)
MX_BAND_TRANSITION(SkipDiagonalSquares, FXSkipDiagonalSquares)
#undef MX_BAND_TRANSITION

bool SkipRectangles(HDC target, HBITMAP source, int delay) {
  return RunTransition<decltype(FXSkipRectangles)>(
      "FXSkipRectangles", [&](auto *entry) { return entry(target, source, delay); });
}

void PushUndoBitmap(const TBitmap &bitmap) {
  PushUndoBitmap(TBitmap(bitmap));
}

void PushUndoBitmap(TBitmap &&bitmap) {
  if (!gHistory) gHistory = std::make_unique<std::array<TBitmap, 4>>();
  auto &history = *gHistory;
  // Moving is the same as copying the older ones down, without copying pixels three times.
  history[3] = std::move(history[2]);
  history[2] = std::move(history[1]);
  history[1] = std::move(history[0]);
  history[0] = std::move(bitmap);
  gPushed = true;
}

const std::array<TBitmap, 4> *UndoHistory() {
  return gHistory.get();
}
bool UndoPushed() {
  return gPushed;
}

void ClearUndoHistory() {
  gHistory.reset();
  gPushed = false;
}

}  // namespace imaging
