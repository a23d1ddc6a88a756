// The output files of --print-to and --preview-to: written whole or not at all, a failure
// told by the exit status and a French reason, never written over the poster file or its
// picture. The program runs as a user's shell would start it: the file-size signal at its
// default whatever this test process does with it.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <csignal>
#include <functional>

#include "RowName.h"
#include "TempDir.h"

namespace {

const QString kProgram = QStringLiteral(MURALIX_PROGRAM);

struct Outcome {
  bool crashed;
  int exitCode;
  QString errors;
};

Outcome RunProgram(const QStringList &arguments, rlim_t fileSizeLimit = RLIM_INFINITY) {
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(QFileInfo(kProgram).absolutePath());
  program.setChildProcessModifier([fileSizeLimit] {
    std::signal(SIGXFSZ, SIG_DFL);
    if (fileSizeLimit != RLIM_INFINITY) {
      rlimit limit{fileSizeLimit, fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
  });
  program.start(kProgram, arguments);
  const bool finished = program.waitForFinished(120000);
  return {!finished || program.exitStatus() != QProcess::NormalExit, program.exitCode(),
          QString::fromLocal8Bit(program.readAllStandardError())};
}

QByteArray Bytes(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A poster whose picture lies in the program's picture folder under a name of its own.
class CommandLineOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString folder = QFileInfo(kProgram).absolutePath() + QStringLiteral("/images");
    QDir().mkpath(folder);
    pictureName_ = QStringLiteral("cli-output-%1.png").arg(QCoreApplication::applicationPid());
    picture_ = folder + u'/' + pictureName_;
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x) image.setPixel(x, y, qRgb(x * 2, y * 3, (x * y) % 256));
    ASSERT_TRUE(image.save(picture_, "PNG"));
    poster_ = dir_.Write(QStringLiteral("p.aff"), "version1\r\n1890\r\n2646\r\n" +
                                                      pictureName_.toLatin1() + "\r\n1\r\n0\r\n");
  }
  void TearDown() override { QFile::remove(picture_); }

  TempDir dir_;
  QString pictureName_, picture_, poster_;
};

}  // namespace

TEST_F(CommandLineOutput, ACompleteOutputIsWritten) {
  const Outcome pdf = RunProgram({poster_, QStringLiteral("--print-to"), dir_.File("out.pdf")});
  ASSERT_FALSE(pdf.crashed);
  EXPECT_EQ(pdf.exitCode, 0) << pdf.errors.toStdString();
  const QByteArray bytes = Bytes(dir_.File("out.pdf"));
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF")) << "no trailer";
  const Outcome png = RunProgram({poster_, QStringLiteral("--preview-to"), dir_.File("out.png")});
  EXPECT_EQ(png.exitCode, 0) << png.errors.toStdString();
  EXPECT_EQ(QImage(dir_.File("out.png")).size(), QSize(284, 284));
  EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files).size(), 3) << "a temporary file stayed";
}

namespace {

// An output that cannot be written whole, with the file-size limit the program runs under.
// A row's output is a device, or one of the earlier outputs in the test's folder.
struct FailedWriteCase {
  const char *name;
  const char *mode;
  const char *output;
  rlim_t limit;
};
const FailedWriteCase kFailedWriteCases[] = {
    {"printing to a full device", "--print-to", "/dev/full", RLIM_INFINITY},
    {"printing past the file-size limit", "--print-to", "old.pdf", 20000},
    {"a preview to a full device", "--preview-to", "/dev/full", RLIM_INFINITY},
    {"a preview past the file-size limit", "--preview-to", "old.png", 300},
};
class CommandLineFailedWrite : public CommandLineOutput,
                               public testing::WithParamInterface<FailedWriteCase> {};

TEST_P(CommandLineFailedWrite, AFailedWriteIsAFailureAndKeepsThePreviousOutput) {
  const FailedWriteCase &c = GetParam();
  const QString pdf = dir_.Write(QStringLiteral("old.pdf"), "previous output");
  const QString png = dir_.Write(QStringLiteral("old.png"), "previous output");
  const QString output = QString::fromLatin1(c.output);
  const Outcome o = RunProgram(
      {poster_, QString::fromLatin1(c.mode), output.startsWith(u'/') ? output : dir_.File(output)},
      c.limit);
  ASSERT_FALSE(o.crashed) << "the program was killed";
  EXPECT_EQ(o.exitCode, 1) << o.errors.toStdString();
  EXPECT_TRUE(o.errors.contains(QStringLiteral("Disque plein."))) << o.errors.toStdString();
  EXPECT_EQ(Bytes(pdf), QByteArray("previous output"));
  EXPECT_EQ(Bytes(png), QByteArray("previous output"));
  EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files).size(), 3) << "a temporary file stayed";
}
INSTANTIATE_TEST_SUITE_P(, CommandLineFailedWrite, testing::ValuesIn(kFailedWriteCases),
                         ByRowName());

// An output named as one of the poster's own files, the path made from the test's files.
class CommandLineOverwrite;
struct OverwriteCase {
  const char *name;
  const char *mode;
  std::function<QString(const CommandLineOverwrite &)> output;
};
class CommandLineOverwrite : public CommandLineOutput,
                             public testing::WithParamInterface<OverwriteCase> {
 public:
  using CommandLineOutput::dir_;
  using CommandLineOutput::picture_;
  using CommandLineOutput::pictureName_;
  using CommandLineOutput::poster_;
};
const OverwriteCase kOverwriteCases[] = {
    {"the poster file", "--print-to", [](const CommandLineOverwrite &t) { return t.poster_; }},
    {"the poster file through a link", "--print-to",
     [](const CommandLineOverwrite &t) { return t.dir_.File("link.pdf"); }},
    {"the picture, named from the program's folder", "--print-to",
     [](const CommandLineOverwrite &t) { return QStringLiteral("images/") + t.pictureName_; }},
    {"the picture as a preview", "--preview-to",
     [](const CommandLineOverwrite &t) { return t.picture_; }},
};

TEST_P(CommandLineOverwrite, ThePosterAndItsPictureAreNeverOverwritten) {
  const OverwriteCase &c = GetParam();
  const QByteArray poster = Bytes(poster_), picture = Bytes(picture_);
  ASSERT_EQ(::symlink(QFile::encodeName(poster_).constData(),
                      QFile::encodeName(dir_.File("link.pdf")).constData()),
            0);
  const Outcome o = RunProgram({poster_, QString::fromLatin1(c.mode), c.output(*this)});
  ASSERT_FALSE(o.crashed);
  EXPECT_EQ(o.exitCode, 2) << o.errors.toStdString();
  EXPECT_TRUE(o.errors.contains(QStringLiteral("Le fichier de sortie"))) << o.errors.toStdString();
  EXPECT_EQ(Bytes(poster_), poster);
  EXPECT_EQ(Bytes(picture_), picture);
}
INSTANTIATE_TEST_SUITE_P(, CommandLineOverwrite, testing::ValuesIn(kOverwriteCases), ByRowName());

}  // namespace
