// The annotation layer: rectangles and texts kept per component, drawn over the picture
// with the view's scroll and zoom, created with the mouse while editing, and kept per page
// in small ".ant" text files:
//   MXANNOTATION 1
//   PAGE <n>
//   RECT <left> <top> <right> <bottom> <RRGGBB>
//   TEXT <x> <y> <RRGGBB> <text to the end of the line>
// Coordinates are picture pixels.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "Core.h"
#include "crde2000.h"
#include "win32/WinApi.h"

namespace mx {
namespace {

constexpr UINT kWmMouseMove = 0x200, kWmLButtonDown = 0x201, kWmLButtonUp = 0x202;
constexpr UINT kAnnotationClicked = WM_USER + 0x201;
constexpr int kMenuDeleteLast = 1, kMenuClearAll = 2;

struct Object {
  enum Kind { Rect, Text } kind = Rect;
  int left = 0, top = 0, right = 0, bottom = 0;
  COLORREF color = RGB(255, 0, 0);
  std::string text;
};

struct Layer {
  HWND window = nullptr;
  MxAnnoDoneFn done = nullptr;
  MxAnnoBeforeDrawFn before = nullptr;
  MxAnnoAfterDrawFn after = nullptr;
  COLORREF color = RGB(255, 0, 0);
  std::vector<Object> objects;
  // The view of the last draw: screen = picture * zoom - scroll + offset.
  int scrollX = 0, scrollY = 0, offsetX = 0, offsetY = 0;
  double zoom = 1.0;
  bool dragging = false;
  int startX = 0, startY = 0, endX = 0, endY = 0;
};

std::mutex &LayersMutex() {
  static std::mutex m;
  return m;
}
// A plain static: the library may be unloaded and loaded again while the program runs,
// and each unload must free every layer it still holds.
std::map<void *, Layer> &Layers() {
  static std::map<void *, Layer> layers;
  return layers;
}

Layer *Find(void *component) {
  auto it = Layers().find(component);
  return it == Layers().end() ? nullptr : &it->second;
}

void ToPicture(const Layer &l, int sx, int sy, int &px, int &py) {
  const double z = l.zoom > 0 ? l.zoom : 1.0;
  px = static_cast<int>((sx + l.scrollX - l.offsetX) / z);
  py = static_cast<int>((sy + l.scrollY - l.offsetY) / z);
}

int ToScreen(double v, double zoom, int scroll, int offset) {
  return static_cast<int>(v * zoom) - scroll + offset;
}

std::string Hex(COLORREF c) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return b;
}

bool ParseHex(const std::string &s, COLORREF &c) {
  if (s.size() != 6) return false;
  char *end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 16);
  if (*end != '\0') return false;
  c = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  return true;
}

// The pages of an annotation file, each as its object lines.
using Pages = std::map<int, std::vector<std::string>>;

bool ReadPages(const char *fileName, Pages &pages) {
  std::ifstream in(fileName);
  if (!in) return false;
  std::string line;
  if (!std::getline(in, line) || line.rfind("MXANNOTATION", 0) != 0) Fail(MX_ERR_ANNOTATION);
  int page = -1;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("PAGE ", 0) == 0) {
      page = std::atoi(line.c_str() + 5);
      pages[page];
    } else if (!line.empty()) {
      if (page < 0) Fail(MX_ERR_ANNOTATION);
      pages[page].push_back(line);
    }
  }
  return true;
}

Object ParseObject(const std::string &line) {
  std::istringstream s(line);
  std::string kind, color;
  Object o;
  s >> kind;
  if (kind == "RECT") {
    s >> o.left >> o.top >> o.right >> o.bottom >> color;
  } else if (kind == "TEXT") {
    o.kind = Object::Text;
    s >> o.left >> o.top >> color;
    std::getline(s, o.text);
    if (!o.text.empty() && o.text.front() == ' ') o.text.erase(0, 1);
  } else {
    Fail(MX_ERR_ANNOTATION);
  }
  if (s.fail() || !ParseHex(color, o.color)) Fail(MX_ERR_ANNOTATION);
  return o;
}

}  // namespace
}  // namespace mx

using namespace mx;

extern "C" {

MX_EXPORT int32_t InitAnnotation(void * /*owner*/, HWND window, void *component, MxAnnoDoneFn done,
                                 MxAnnoCustomDrawFn /*customDraw*/,
                                 MxAnnoCustomHardDrawFn /*customHardDraw*/,
                                 MxAnnoBeforeDrawFn beforeDraw, MxAnnoAfterDrawFn afterDraw,
                                 const char *settingsPath) {
  return Guard([&]() -> int16_t {
    if (component == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    std::lock_guard lock(LayersMutex());
    Layer &l = Layers()[component];
    l = Layer{};
    l.window = window;
    l.done = done;
    l.before = beforeDraw;
    l.after = afterDraw;
    if (settingsPath != nullptr) {
      char value[16] = {};
      GetPrivateProfileString("Annotation", "Color", "FF0000", value, sizeof value, settingsPath);
      COLORREF c;
      if (ParseHex(value, c)) l.color = c;
    }
    return MX_OK;
  });
}

MX_EXPORT int32_t DestroyAnnotation(void *component) {
  std::lock_guard lock(LayersMutex());
  return Layers().erase(component) ? MX_OK : MX_ERR_BAD_ARGUMENT;
}

MX_EXPORT int32_t ClearAnnotation(void *component) {
  std::lock_guard lock(LayersMutex());
  Layer *l = Find(component);
  if (l == nullptr) return MX_ERR_BAD_ARGUMENT;
  l->objects.clear();
  l->dragging = false;
  return MX_OK;
}

MX_EXPORT int32_t DrawAnnotation(void *component, int32_t scrollX, int32_t scrollY, double zoom,
                                 int32_t centerOffsetX, int32_t centerOffsetY,
                                 int32_t /*scrollBarAllowance*/, int32_t /*zero*/) {
  return Guard([&]() -> int16_t {
    std::lock_guard lock(LayersMutex());
    Layer *l = Find(component);
    if (l == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    l->scrollX = scrollX;
    l->scrollY = scrollY;
    l->zoom = zoom > 0 ? zoom : 1.0;
    l->offsetX = centerOffsetX;
    l->offsetY = centerOffsetY;
    HDC dc = GetDC(l->window);
    if (dc == nullptr) return MX_OK;
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < l->objects.size(); ++i) {
      const Object &o = l->objects[i];
      const std::string name = (o.kind == Object::Rect ? "RECT" : "TEXT") + std::to_string(i);
      if (l->before != nullptr && l->before(component, 1, 1, name.c_str()) == 0) continue;
      HPEN pen = CreatePen(PS_SOLID, 2, o.color);
      HGDIOBJ oldPen = SelectObject(dc, pen);
      const int x1 = ToScreen(o.left, l->zoom, scrollX, centerOffsetX);
      const int y1 = ToScreen(o.top, l->zoom, scrollY, centerOffsetY);
      if (o.kind == Object::Rect) {
        Rectangle(dc, x1, y1, ToScreen(o.right, l->zoom, scrollX, centerOffsetX),
                  ToScreen(o.bottom, l->zoom, scrollY, centerOffsetY));
      } else {
        SetTextColor(dc, o.color);
        TextOutA(dc, x1, y1, o.text.c_str(), static_cast<int>(o.text.size()));
      }
      SelectObject(dc, oldPen);
      DeleteObject(pen);
      if (l->after != nullptr) l->after(component, name.c_str());
    }
    SelectObject(dc, oldBrush);
    ReleaseDC(l->window, dc);
    return MX_OK;
  });
}

MX_EXPORT int32_t MouseMon(void *component, uint32_t message, int32_t /*zero*/, int32_t position) {
  return Guard([&]() -> int16_t {
    MxAnnoDoneFn done = nullptr;
    HWND window = nullptr;
    {
      std::lock_guard lock(LayersMutex());
      Layer *l = Find(component);
      if (l == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
      const int sx = static_cast<int16_t>(position & 0xFFFF);
      const int sy = static_cast<int16_t>((position >> 16) & 0xFFFF);
      int px = 0, py = 0;
      ToPicture(*l, sx, sy, px, py);
      window = l->window;
      if (message == kWmLButtonDown) {
        // A press on an object selects it; elsewhere it starts a new rectangle.
        for (size_t i = l->objects.size(); i-- > 0;) {
          const Object &o = l->objects[i];
          if (o.kind == Object::Rect && px >= std::min(o.left, o.right) &&
              px <= std::max(o.left, o.right) && py >= std::min(o.top, o.bottom) &&
              py <= std::max(o.top, o.bottom)) {
            PostMessage(window, kAnnotationClicked, 1, static_cast<LPARAM>(i));
            return MX_OK;
          }
        }
        l->dragging = true;
        l->startX = l->endX = px;
        l->startY = l->endY = py;
      } else if (message == kWmMouseMove && l->dragging) {
        l->endX = px;
        l->endY = py;
      } else if (message == kWmLButtonUp && l->dragging) {
        l->dragging = false;
        l->endX = px;
        l->endY = py;
        if (l->startX != l->endX && l->startY != l->endY) {
          Object o;
          o.left = std::min(l->startX, l->endX);
          o.top = std::min(l->startY, l->endY);
          o.right = std::max(l->startX, l->endX);
          o.bottom = std::max(l->startY, l->endY);
          o.color = l->color;
          l->objects.push_back(o);
          done = l->done;
        }
      } else {
        return MX_OK;
      }
    }
    if (window != nullptr) InvalidateRect(window, nullptr, TRUE);
    if (done != nullptr) done(component);
    return MX_OK;
  });
}

MX_EXPORT int32_t MenuMsg(void *component, int32_t command) {
  std::lock_guard lock(LayersMutex());
  Layer *l = Find(component);
  if (l == nullptr) return MX_ERR_BAD_ARGUMENT;
  if (command == kMenuDeleteLast && !l->objects.empty())
    l->objects.pop_back();
  else if (command == kMenuClearAll)
    l->objects.clear();
  else
    return 0;
  if (l->window != nullptr) InvalidateRect(l->window, nullptr, TRUE);
  return MX_OK;
}

MX_EXPORT int32_t RubberBandOFF(void *component) {
  std::lock_guard lock(LayersMutex());
  Layer *l = Find(component);
  if (l == nullptr) return MX_ERR_BAD_ARGUMENT;
  l->dragging = false;
  return MX_OK;
}

MX_EXPORT int32_t LoadAnnotation(void *component, int32_t page, const char *fileName) {
  return Guard([&]() -> int16_t {
    if (fileName == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    Pages pages;
    if (!ReadPages(fileName, pages)) Fail(MX_ERR_CANNOT_OPEN);
    std::vector<Object> objects;
    for (const std::string &line : pages[page]) objects.push_back(ParseObject(line));
    std::lock_guard lock(LayersMutex());
    Layer *l = Find(component);
    if (l == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    l->objects = std::move(objects);
    return MX_OK;
  });
}

MX_EXPORT int32_t SaveAnnotation(void *component, int32_t page, const char *fileName) {
  return Guard([&]() -> int16_t {
    if (fileName == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
    Pages pages;
    try {
      ReadPages(fileName, pages);  // other pages of the file are kept
    } catch (const Error &) {
      pages.clear();  // not an annotation file: replaced
    }
    std::vector<std::string> &lines = pages[page];
    lines.clear();
    {
      std::lock_guard lock(LayersMutex());
      Layer *l = Find(component);
      if (l == nullptr) Fail(MX_ERR_BAD_ARGUMENT);
      for (const Object &o : l->objects) {
        std::ostringstream s;
        if (o.kind == Object::Rect)
          s << "RECT " << o.left << ' ' << o.top << ' ' << o.right << ' ' << o.bottom << ' '
            << Hex(o.color);
        else
          s << "TEXT " << o.left << ' ' << o.top << ' ' << Hex(o.color) << ' ' << o.text;
        lines.push_back(s.str());
      }
    }
    const std::string temp = std::string(fileName) + ".tmp";
    {
      std::ofstream out(temp, std::ios::trunc);
      if (!out) Fail(MX_ERR_CANNOT_CREATE);
      out << "MXANNOTATION 1\n";
      for (const auto &[n, objectLines] : pages) {
        out << "PAGE " << n << '\n';
        for (const std::string &line : objectLines) out << line << '\n';
      }
      if (!out.flush()) Fail(MX_ERR_WRITE);
    }
    if (std::rename(temp.c_str(), fileName) != 0) {
      std::remove(temp.c_str());
      Fail(MX_ERR_WRITE);
    }
    return MX_OK;
  });
}

}  // extern "C"
