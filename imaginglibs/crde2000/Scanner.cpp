// Scanners through SANE. The chosen device is remembered in "imtwain.ini", section
// "Imaging Twain", beside the application name the program writes there.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Readers.h"
#include "StringTable.h"
#include "ui/DialogHost.h"
#include "win32/WinQt.h"

namespace mx {
namespace {

constexpr const char *kIniFile = "imtwain.ini";
constexpr const char *kSection = "Imaging Twain";
constexpr const char *kDeviceKey = "Scanner";

// A scanner failure names SANE's own reason (a jammed feeder, an open cover) rather than
// a bare "scanner failure".
[[noreturn]] void FailScanner(SANE_Status status) {
  SetScannerFailureReason(sane_strstatus(status));
  Fail(MX_ERR_SCANNER);
}

// sane_init on construction, sane_exit on destruction.
class SaneSession {
 public:
  SaneSession() {
    SANE_Int version = 0;
    SetScannerFailureReason(nullptr);
    const SANE_Status status = sane_init(&version, nullptr);
    if (status != SANE_STATUS_GOOD) FailScanner(status);
  }
  ~SaneSession() { sane_exit(); }
  SaneSession(const SaneSession &) = delete;
  SaneSession &operator=(const SaneSession &) = delete;
};

struct Device {
  std::string name, label;
};

std::vector<Device> ListDevices() {
  const SANE_Device **list = nullptr;
  if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr) return {};
  std::vector<Device> devices;
  for (int i = 0; list[i] != nullptr; ++i) {
    const SANE_Device *d = list[i];
    std::string label = std::string(d->vendor ? d->vendor : "") + " " + (d->model ? d->model : "");
    label += " (" + std::string(d->name ? d->name : "") + ")";
    devices.push_back({d->name ? d->name : "", label});
  }
  return devices;
}

std::string RememberedDevice() {
  char buffer[512] = {};
  GetPrivateProfileString(kSection, kDeviceKey, "", buffer, sizeof buffer, kIniFile);
  return buffer;
}

struct HandleCloser {
  void operator()(SANE_Handle h) const {
    sane_cancel(h);
    sane_close(h);
  }
};

// Sets the scan mode to colour when the device offers a mode option with that value.
void ChooseColour(SANE_Handle h) {
  SANE_Int count = 0;
  if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return;
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor *o = sane_get_option_descriptor(h, i);
    if (o == nullptr || o->name == nullptr || std::strcmp(o->name, SANE_NAME_SCAN_MODE) != 0)
      continue;
    if (o->type != SANE_TYPE_STRING || o->constraint_type != SANE_CONSTRAINT_STRING_LIST ||
        !SANE_OPTION_IS_SETTABLE(o->cap))
      return;
    for (int k = 0; o->constraint.string_list[k] != nullptr; ++k) {
      if (std::strcmp(o->constraint.string_list[k], SANE_VALUE_SCAN_MODE_COLOR) == 0) {
        std::vector<char> value(static_cast<size_t>(std::max<SANE_Int>(o->size, 16)), 0);
        std::strncpy(value.data(), SANE_VALUE_SCAN_MODE_COLOR, value.size() - 1);
        sane_control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
        return;
      }
    }
    return;
  }
}

}  // namespace

int16_t CountScanners() {
  SaneSession session;
  return static_cast<int16_t>(std::min<size_t>(ListDevices().size(), 32767));
}

int16_t SelectScannerSource(HWND owner) {
  SaneSession session;
  std::vector<Device> devices = ListDevices();
  if (devices.empty()) Fail(MX_ERR_NO_SCANNER);
  const std::string current = RememberedDevice();

  QDialog dialog(WidgetOfHwnd(owner));
  dialog.setObjectName(QStringLiteral("SelectScannerSource"));
  dialog.setWindowTitle(QStringLiteral("Choix de la source"));
  auto *layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Sources :"), &dialog));
  auto *list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("Sources"));
  list->setAccessibleName(QStringLiteral("Sources"));
  for (const Device &d : devices) {
    auto *item = new QListWidgetItem(QString::fromStdString(d.label), list);
    item->setData(Qt::UserRole, QString::fromStdString(d.name));
    if (d.name == current) list->setCurrentItem(item);
  }
  if (list->currentItem() == nullptr) list->setCurrentRow(0);
  layout->addWidget(list);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  layout->addWidget(buttons);

  if (platform::Dialogs().ExecModal(dialog) != QDialog::Accepted) Fail(MX_ERR_CANCELLED);
  QListWidgetItem *chosen = list->currentItem();
  if (chosen == nullptr) Fail(MX_ERR_CANCELLED);
  const QByteArray name = chosen->data(Qt::UserRole).toString().toUtf8();
  if (!WritePrivateProfileString(kSection, kDeviceKey, name.constData(), kIniFile))
    Fail(MX_ERR_WRITE);
  return MX_OK;
}

Dib AcquireScan(HWND /*owner*/, Progress &progress, bool &cancelled, bool programRows) {
  cancelled = false;
  SaneSession session;
  std::string device = RememberedDevice();
  std::vector<Device> devices = ListDevices();
  if (devices.empty()) Fail(MX_ERR_NO_SCANNER);
  bool known = false;
  for (const Device &d : devices) known = known || d.name == device;
  if (!known) device = devices.front().name;  // the remembered one is gone: take the first

  SANE_Handle raw = nullptr;
  const SANE_Status opened = sane_open(device.c_str(), &raw);
  if (opened != SANE_STATUS_GOOD) FailScanner(opened);
  if (raw == nullptr) Fail(MX_ERR_SCANNER);
  std::unique_ptr<void, HandleCloser> handle(raw);
  ChooseColour(raw);

  SANE_Status status = sane_start(raw);
  if (status == SANE_STATUS_CANCELLED) {
    cancelled = true;
    return Dib();
  }
  if (status != SANE_STATUS_GOOD) FailScanner(status);
  SANE_Parameters p{};
  status = sane_get_parameters(raw, &p);
  if (status != SANE_STATUS_GOOD) FailScanner(status);
  const bool rgb = p.format == SANE_FRAME_RGB;
  const bool grey = p.format == SANE_FRAME_GRAY;
  if ((!rgb && !grey) || (p.depth != 8 && p.depth != 1 && p.depth != 16) ||
      p.pixels_per_line <= 0 || p.bytes_per_line <= 0)
    Fail(MX_ERR_UNSUPPORTED);
  // Hand scanners do not know their length in advance; rows are gathered as they come.
  const size_t lineBytes = static_cast<size_t>(p.bytes_per_line);
  const int width = p.pixels_per_line;
  CheckDimensions(width, std::max(p.lines, 1), 24);
  std::vector<uint8_t> data;
  if (p.lines > 0) data.reserve(lineBytes * static_cast<size_t>(p.lines));
  std::vector<SANE_Byte> chunk(64 * 1024);
  for (;;) {
    SANE_Int got = 0;
    status = sane_read(raw, chunk.data(), static_cast<SANE_Int>(chunk.size()), &got);
    if (status == SANE_STATUS_EOF) break;
    if (status == SANE_STATUS_CANCELLED) {
      cancelled = true;
      return Dib();
    }
    if (status != SANE_STATUS_GOOD) FailScanner(status);
    data.insert(data.end(), chunk.begin(), chunk.begin() + got);
    const int64_t rows = static_cast<int64_t>(data.size() / lineBytes);
    CheckDimensions(width, std::max<int64_t>(rows, 1), 24);
    if (p.lines > 0 && !progress.ReportNoThrow(rows, p.lines)) {
      cancelled = true;
      return Dib();
    }
  }
  const int height = static_cast<int>(data.size() / lineBytes);
  if (height == 0) Fail(MX_ERR_SCANNER);
  const int bits = rgb ? 24 : p.depth == 1 ? 1 : 8;
  // A colour scan goes straight into the program's rows when they are asked for; grey and
  // line art keep their depth and are widened by the caller.
  const bool direct = programRows && rgb;
  Dib picture = direct ? Dib::CreateProgramRows(width, height) : Dib::Create(width, height, bits);
  if (bits == 8) picture.SetGreyPalette();
  if (bits == 1) {  // SANE's line art has 1 for black
    picture.Colors()[0] = RGBQUAD{255, 255, 255, 0};
    picture.Colors()[1] = RGBQUAD{0, 0, 0, 0};
  }
  const int step = p.depth == 16 ? 2 : 1;  // 16-bit samples: the high byte (little-endian)
  for (int y = 0; y < height; ++y) {
    const uint8_t *src = data.data() + lineBytes * static_cast<size_t>(y);
    uint8_t *dst = picture.Row(y);
    if (bits == 1) {
      std::memcpy(dst, src, std::min(lineBytes, static_cast<size_t>(picture.Stride())));
    } else if (bits == 8) {
      for (int x = 0; x < width; ++x) dst[x] = src[x * step + (step - 1)];
    } else {
      const size_t n = direct ? 4 : 3;
      for (int x = 0; x < width; ++x) {
        const uint8_t *s = src + 3 * x * step;
        uint8_t *out = dst + n * static_cast<size_t>(x);
        out[0] = s[2 * step + (step - 1)];
        out[1] = s[step + (step - 1)];
        out[2] = s[step - 1];
        if (direct) out[3] = 255;
      }
    }
  }
  progress.Done();
  return picture;
}

}  // namespace mx
