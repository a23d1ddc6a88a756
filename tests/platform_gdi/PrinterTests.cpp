#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "TempDir.h"
#include "gdi/Canvas.h"
#include "print/Printer.h"

TEST(Printer, RasterPrinterTakesExactMeasuresAndTurnsThem) {
  platform::PrinterPageMetrics m{4800, 6600, 4960, 7016, 80, 80, 600, 600};
  platform::Printer printer;
  printer.SetBackend(std::make_unique<platform::RasterPrinter>(m));
  EXPECT_EQ(printer.PageMetrics(), m);
  printer.SetOrientation(platform::Orientation::Landscape);
  const auto t = printer.PageMetrics();
  EXPECT_EQ(t.printableWidth, 6600);
  EXPECT_EQ(t.physicalWidth, 7016);
  EXPECT_EQ(t.physicalHeight, 4960);
}

TEST(Printer, MissingPrinterFailsWithTheServiceText) {
  auto raster = std::make_unique<platform::RasterPrinter>(platform::PrinterPageMetrics{});
  platform::Printer printer;
  printer.SetBackend(std::move(raster));
  try {
    printer.PageMetrics();
    FAIL();
  } catch (const platform::PrinterError &e) {
    EXPECT_EQ(e.Text(), QStringLiteral("Aucune imprimante utilisable"));
  }
  EXPECT_THROW(printer.GetCanvas(), platform::PrinterError) << "no canvas outside a job";
}

TEST(Printer, PdfPrinterIsA4At600DotsWithItsMargins) {
  TempDir dir;
  platform::PdfPrinterSetup setup;
  setup.outputFile = dir.File(QStringLiteral("out.pdf"));
  platform::Printer printer;
  printer.SetBackend(platform::MakePdfPrinter(setup));
  const auto m = printer.PageMetrics();
  EXPECT_EQ(m.dpiX, 600);
  // Qt keeps page sizes in whole points, so A4 comes within a few dots of 210 x 297 mm.
  EXPECT_NEAR(m.physicalWidth, 4961, 4);
  EXPECT_NEAR(m.physicalHeight, 7016, 4);
  EXPECT_NEAR(m.offsetX, 99, 1);  // 4.2 mm
  EXPECT_NEAR(m.printableWidth, m.physicalWidth - 2 * 99, 2);
  platform::PrintDialogSpec request;
  EXPECT_TRUE(printer.ShowPrintDialog(nullptr, request)) << "the file is chosen: nothing to ask";
  printer.SetTitle(QStringLiteral("Muralix : test"));
  printer.BeginDoc();
  printer.GetCanvas().Rectangle(0, 0, 100, 100);
  printer.NewPage();
  printer.EndDoc();
  QFile pdf(setup.outputFile);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(
      bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);
}

TEST(Printer, UnwritablePdfFailsWithTheFileName) {
  platform::PdfPrinterSetup setup;
  setup.outputFile = QStringLiteral("/nonexistent-folder/out.pdf");
  platform::Printer printer;
  printer.SetBackend(platform::MakePdfPrinter(setup));
  try {
    printer.BeginDoc();
    FAIL();
  } catch (const platform::PrinterError &e) {
    EXPECT_TRUE(e.Text().contains(setup.outputFile)) << e.Text().toStdString();
  }
  EXPECT_FALSE(printer.Printing());
}

TEST(Printer, PdfFileIsProposedInAFolderThatExists) {
  TempDir home;
  struct Restore {
    const char *names[2] = {"HOME", "XDG_CONFIG_HOME"};
    bool set[2] = {qEnvironmentVariableIsSet(names[0]), qEnvironmentVariableIsSet(names[1])};
    QByteArray values[2] = {qgetenv(names[0]), qgetenv(names[1])};
    ~Restore() {
      for (int i = 0; i < 2; ++i) set[i] ? qputenv(names[i], values[i]) : qunsetenv(names[i]);
    }
  } restore;
  qputenv("HOME", home.Path().toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", home.File(QStringLiteral("config")).toLocal8Bit());
  EXPECT_EQ(platform::ProposedPdfFile().toStdString(), home.File("affiche.pdf").toStdString())
      << "no documents folder: the dialog would refuse a file there";
  ASSERT_TRUE(QDir(home.Path()).mkdir(QStringLiteral("Documents")));
  EXPECT_EQ(platform::ProposedPdfFile().toStdString(),
            home.File("Documents/affiche.pdf").toStdString());
}

TEST(Printer, PdfPrinterMeasuresUnevenMarginsInTheOrientationInForce) {
  platform::PdfPrinterSetup setup;
  setup.dpi = 254;  // 10 dots a millimetre
  setup.marginLeftMm = 10;
  setup.marginTopMm = 5;
  setup.marginRightMm = 20;
  setup.marginBottomMm = 15;
  setup.outputFile = QStringLiteral("/tmp/unused.pdf");
  platform::Printer printer;
  printer.SetBackend(platform::MakePdfPrinter(setup));
  printer.SetOrientation(platform::Orientation::Landscape);
  const auto m = printer.PageMetrics();
  // Within a point (3.5 dots here), as Qt keeps its measures in points.
  EXPECT_NEAR(m.physicalWidth, 2970, 4);
  EXPECT_NEAR(m.physicalHeight, 2100, 4);
  EXPECT_NEAR(m.offsetX, 100, 4);
  EXPECT_NEAR(m.offsetY, 50, 4);
  EXPECT_NEAR(m.printableWidth, 2970 - 300, 6);
  EXPECT_NEAR(m.printableHeight, 2100 - 200, 6);
}
