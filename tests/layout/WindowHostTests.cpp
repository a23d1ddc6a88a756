#include <gtest/gtest.h>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>

#include "WindowPosterHost.h"

namespace {

// The members the program's main window has, by their names.
struct Window : QWidget {
  uint8_t Language = 1;
  int32_t PosterWidth = 10, PosterHeight = 20;
  bool KeepRatio = true, Landscape = false, Modified = false;
  QString PosterFileName = QStringLiteral("/a/b.aff");
  platform::ImageControl *Feuille = new platform::ImageControl(this);
  QFrame *Panel4 = new QFrame(this);
  platform::ImageControl *Image = new platform::ImageControl(Panel4);
  QLabel *Label3 = new QLabel(this);
  QCheckBox *CheckBox1 = new QCheckBox(this);
  int ScreenPpi() const { return 120; }
};

}  // namespace

TEST(WindowPosterHost, ReadsAndWritesTheWindowsOwnMembers) {
  Window w;
  w.Feuille->resize(30, 40);
  w.Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  w.Panel4->setLineWidth(2);
  layout::WindowPosterHost<Window> host(w);
  EXPECT_EQ(host.Language(), 1);
  EXPECT_EQ(host.FeuilleWidth(), 30);
  EXPECT_EQ(host.FeuilleHeight(), 40);
  EXPECT_EQ(host.PixelsPerInch(), 120);
  EXPECT_EQ(host.PreviewPanelEdge(), 2);
  EXPECT_EQ(host.PreviewSquare(), w.Image);
  host.SetPosterWidth(300);
  host.SetModified(true);
  host.SetLandscape(true);
  host.SetKeepRatio(false);
  EXPECT_EQ(w.PosterWidth, 300);
  EXPECT_TRUE(w.Modified);
  EXPECT_TRUE(w.Landscape);
  EXPECT_FALSE(w.KeepRatio);
  EXPECT_EQ(host.DialogParent(), &w);
}
