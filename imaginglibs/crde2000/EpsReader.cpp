// EPS pictures, rasterised by the PostScript interpreter (gs) in a process of its own:
// -dSAFER keeps it away from the file system, and limits on time, address space and
// output size mean a hostile or broken file can neither hang nor take down the program.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "Files.h"
#include "Readers.h"

namespace mx {
namespace {

constexpr int kDotsPerInch = 72;

int TimeLimitSeconds() {
  if (const char *v = std::getenv("MURALIX_EPS_TIMEOUT")) {
    int s = std::atoi(v);
    if (s > 0) return s;
  }
  return 30;
}

std::string FindInterpreter() {
  if (const char *v = std::getenv("MURALIX_GS")) return v;
  const char *path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/gs";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// The PostScript text: the whole file, or the section a DOS EPS header points to.
std::string_view PostScriptOf(const uint8_t *data, size_t size) {
  if (size >= 30 && data[0] == 0xC5 && data[1] == 0xD0 && data[2] == 0xD3 && data[3] == 0xC6) {
    ByteCursor c(data, size, 4);
    const uint32_t offset = c.U32LE(), length = c.U32LE();
    if (offset >= size || length > size - offset) Fail(MX_ERR_PREMATURE_EOF);
    return {reinterpret_cast<const char *>(data + offset), length};
  }
  return {reinterpret_cast<const char *>(data), size};
}

struct TempFile {
  std::string path;
  ~TempFile() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

}  // namespace

Dib ReadEps(const char *name, Progress &progress) {
  int64_t width = 0, height = 0;
  {
    MappedFile file(name);
    std::string_view ps = PostScriptOf(file.Data(), file.Size());
    if (ps.substr(0, 2) != "%!") Fail(MX_ERR_NOT_EPS);
    // The bounding box says how large the picture is before anything is drawn.
    const size_t at = ps.find("%%BoundingBox:");
    if (at == std::string_view::npos) Fail(MX_ERR_NOT_EPS);
    std::string line(ps.substr(at + 14, std::min<size_t>(200, ps.size() - at - 14)));
    double llx = 0, lly = 0, urx = 0, ury = 0;
    if (std::sscanf(line.c_str(), "%lf %lf %lf %lf", &llx, &lly, &urx, &ury) != 4)
      Fail(MX_ERR_NOT_EPS);  // "(atend)" boxes are not supported
    if (!(urx > llx && ury > lly) || urx - llx > 1e7 || ury - lly > 1e7) Fail(MX_ERR_CORRUPT);
    width = static_cast<int64_t>(std::ceil((urx - llx) * kDotsPerInch / 72.0));
    height = static_cast<int64_t>(std::ceil((ury - lly) * kDotsPerInch / 72.0));
    CheckDimensions(width, height, 24);
  }
  const std::string gs = FindInterpreter();
  if (gs.empty() || ::access(gs.c_str(), X_OK) != 0) Fail(MX_ERR_NO_GHOSTSCRIPT);

  TempFile out;
  {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/mxeps-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) Fail(MX_ERR_CANNOT_CREATE);
    ::close(fd);
    out.path = pattern;
  }
  const std::string device = "-sDEVICE=ppmraw";
  const std::string resolution = "-r" + std::to_string(kDotsPerInch);
  const std::string output = "-sOutputFile=" + out.path;
  const char *argv[] = {gs.c_str(),
                        "-q",
                        "-dSAFER",
                        "-dBATCH",
                        "-dNOPAUSE",
                        "-dEPSCrop",
                        "-dTextAlphaBits=4",
                        "-dGraphicsAlphaBits=4",
                        device.c_str(),
                        resolution.c_str(),
                        output.c_str(),
                        "-f",
                        name,
                        nullptr};
  // One picture of the announced size, with room for the interpreter itself.
  const uint64_t outputBytes =
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3 + 4096;
  const uint64_t memoryBytes = outputBytes * 2 + (uint64_t{768} << 20);
  const int seconds = TimeLimitSeconds();

  const pid_t pid = ::fork();
  if (pid < 0) Fail(MX_ERR_EPS_FAILED);
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    ::setpgid(0, 0);
    struct rlimit as {
      memoryBytes, memoryBytes
    };
    ::setrlimit(RLIMIT_AS, &as);
    struct rlimit cpu {
      static_cast<rlim_t>(seconds), static_cast<rlim_t>(seconds + 1)
    };
    ::setrlimit(RLIMIT_CPU, &cpu);
    struct rlimit fsize {
      outputBytes, outputBytes
    };
    ::setrlimit(RLIMIT_FSIZE, &fsize);
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    ::execv(argv[0], const_cast<char *const *>(argv));
    ::_exit(127);
  }
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(seconds);
  int status = 0;
  int16_t failure = 0;
  for (;;) {
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) {
      failure = MX_ERR_EPS_FAILED;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) failure = MX_ERR_EPS_TIMEOUT;
    // Progress runs with the time allowed, so the caller can stop a slow file.
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
    if (failure == 0 && !progress.ReportNoThrow(spent * 90 / (seconds * 1000LL), 100))
      failure = MX_ERR_CANCELLED;
    if (failure != 0) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      Fail(failure);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (failure != 0) Fail(failure);
  if (!WIFEXITED(status)) {
    // Killed by its CPU limit counts as too long; anything else as a failed rendering.
    Fail(WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)
             ? MX_ERR_EPS_TIMEOUT
             : MX_ERR_EPS_FAILED);
  }
  if (WEXITSTATUS(status) == 127) Fail(MX_ERR_NO_GHOSTSCRIPT);
  if (WEXITSTATUS(status) != 0) Fail(MX_ERR_EPS_FAILED);

  // The raster: "P6", width, height, 255, then red, green, blue bytes.
  MappedFile raster(out.path.c_str());
  const uint8_t *d = raster.Data();
  const size_t n = raster.Size();
  size_t pos = 0;
  auto token = [&]() -> long {
    while (pos < n && (std::isspace(d[pos]) || d[pos] == '#')) {
      if (d[pos] == '#')
        while (pos < n && d[pos] != '\n') ++pos;
      else
        ++pos;
    }
    long v = 0;
    bool any = false;
    while (pos < n && d[pos] >= '0' && d[pos] <= '9' && v < 1000000000L) {
      v = v * 10 + (d[pos++] - '0');
      any = true;
    }
    if (!any) Fail(MX_ERR_EPS_FAILED);
    return v;
  };
  if (n < 2 || d[0] != 'P' || d[1] != '6') Fail(MX_ERR_EPS_FAILED);
  pos = 2;
  const long w = token(), h = token(), maxval = token();
  ++pos;  // the single white space before the samples
  if (maxval != 255) Fail(MX_ERR_EPS_FAILED);
  CheckDimensions(w, h, 24);
  if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 3 > n - std::min(n, pos))
    Fail(MX_ERR_EPS_FAILED);
  Dib picture = Dib::Create(static_cast<int>(w), static_cast<int>(h), 24);
  picture.SetResolution(2835, 2835);  // 72 dots per inch
  const uint8_t *src = d + pos;
  for (int y = 0; y < h; ++y) {
    uint8_t *row = picture.Row(y);
    for (int x = 0; x < w; ++x, src += 3) {
      row[3 * x] = src[2];
      row[3 * x + 1] = src[1];
      row[3 * x + 2] = src[0];
    }
  }
  progress.Done();
  return picture;
}

}  // namespace mx
