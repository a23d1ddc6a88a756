#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "Fixtures.h"
#include "ImageView.h"
#include "OpenDial.h"
#include "RowName.h"
#include "ScriptedDialogHost.h"
#include "TempDir.h"
#include "ui/ImageControl.h"

using dialogs::TOpenDial;

namespace {

// A folder of pictures made for the test, which becomes the current folder.
class OpenDialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QDir::currentPath();
    Picture("wide.jpg", 400, 200, "JPG");
    Picture("small.png", 50, 40, "PNG");
    Picture("tall.png", 100, 300, "PNG");
    dir_.Write("anim.gif", "GIF89a");  // listed by name only
    dir_.Write("UPPER.GIF", "GIF89a");
    Picture("photo.JPG", 30, 20, "JPG");
    Picture("icon.ico", 32, 32, "ICO");
    dir_.Write("notes.txt", "not a picture");
    QDir().mkpath(dir_.File("sub"));
    Picture("sub/inside.png", 8, 8, "PNG");
    QDir::setCurrent(dir_.Path());
  }
  void TearDown() override { QDir::setCurrent(saved_); }
  void Picture(const char *name, int w, int h, const char *format) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(0xff2080c0);
    ASSERT_TRUE(image.save(dir_.File(name), format)) << name;
  }
  static QStringList Files(const TOpenDial &d) {
    QStringList names;
    for (int i = 0; i < d.FileListBox->count(); ++i) names << d.FileListBox->item(i)->text();
    return names;
  }
  static void Choose(TOpenDial &d, const QString &name) {
    const auto found = d.FileListBox->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    d.FileListBox->setCurrentItem(found.first());
  }
  static void PressEnter(QWidget *w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
  }

  TempDir dir_;
  QString saved_;
  ScriptedDialogs dialogs_;
};

}  // namespace

TEST_F(OpenDialTest, ListsPicturesOfTheCurrentFolderWhateverTheirCase) {
  bool preview = false;
  TOpenDial d(preview);
  EXPECT_EQ(Files(d), (QStringList{"anim.gif", "icon.ico", "photo.JPG", "small.png", "tall.png",
                                   "UPPER.GIF", "wide.jpg"}));
  EXPECT_EQ(d.Label4->text(), QDir::currentPath());
  EXPECT_EQ(d.FilterComboBox->count(), 18);  // every picture format, then the vector documents
  EXPECT_EQ(d.FilterComboBox->itemText(2), QStringLiteral("Métafiles (*.wmf)"));
  d.FilterComboBox->setCurrentIndex(7);
  emit d.FilterComboBox->activated(7);
  EXPECT_EQ(Files(d), (QStringList{"photo.JPG", "wide.jpg"})) << "Jpeg (*.jpg)";
}

TEST_F(OpenDialTest, ThePreviewUsesTheComponentOrThePlainControlByExtension) {
  bool preview = true;
  TOpenDial d(preview);
  d.show();
  Choose(d, "wide.jpg");
  EXPECT_TRUE(d.Image->isVisible());
  EXPECT_FALSE(d.Image1->isVisible());
  EXPECT_EQ(d.Edit->text(), QStringLiteral("wide.jpg"));
  Choose(d, "icon.ico");
  EXPECT_FALSE(d.Image->isVisible());
  EXPECT_TRUE(d.Image1->isVisible());
  EXPECT_EQ(d.Image1->size(), QSize(32, 32));
}

namespace {

struct PreviewCase {
  const char *name;
  QSize shown;
  bool stretched;
};
const PreviewCase kPreviewCases[] = {
    {"wide.jpg", {122, 61}, true},   // Round(4 x 153 / 5) wide
    {"tall.png", {39, 116}, true},   // Round(4 x 145 / 5) high
    {"small.png", {50, 40}, false},  // its own size
};
class OpenDialPreviewSizes : public OpenDialTest,
                             public testing::WithParamInterface<PreviewCase> {};

TEST_P(OpenDialPreviewSizes, FollowThePanel) {
  const PreviewCase &c = GetParam();
  bool preview = true;
  TOpenDial d(preview);
  ASSERT_EQ(d.Panel->size(), QSize(153, 145));
  SCOPED_TRACE(c.name);
  Choose(d, c.name);
  EXPECT_EQ(d.Image->size(), c.shown);
  EXPECT_EQ(d.Image->Stretch(), c.stretched);
  EXPECT_EQ(d.Image->pos(), QPoint((153 - c.shown.width()) / 2, (145 - c.shown.height()) / 2));
}
INSTANTIATE_TEST_SUITE_P(, OpenDialPreviewSizes, testing::ValuesIn(kPreviewCases), ByRowName());

}  // namespace

TEST_F(OpenDialTest, EnterWithAMaskSetsTheListAndKeepsTheDialogOpen) {
  bool preview = false;
  TOpenDial d(preview);
  d.show();
  d.Edit->setText(QStringLiteral("*.gif"));
  PressEnter(d.Edit);
  EXPECT_TRUE(d.isVisible());
  EXPECT_FALSE(d.Accepted);
  EXPECT_EQ(Files(d), (QStringList{"anim.gif", "UPPER.GIF"}));
}

TEST_F(OpenDialTest, EnterWithAFolderChangesFolderAndWithAMissingNameSaysSo) {
  bool preview = false;
  TOpenDial d(preview);
  d.ApplyEditText(QStringLiteral("sub/*.png"));
  EXPECT_EQ(d.Label4->text(), dir_.File("sub"));
  EXPECT_EQ(Files(d), QStringList{"inside.png"});
  dialogs_->AnswerMessage(platform::MessageResult::Ok);
  d.ApplyEditText(QStringLiteral("nothere.jpg"));
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->text,
            QStringLiteral("Nom de fichier incorrect - nothere.jpg"));
}

TEST_F(OpenDialTest, OkClosesOnlyOnAnExistingFile) {
  bool preview = false;
  TOpenDial d(preview);
  d.show();
  d.OKBtn->click();  // the edit still holds the mask
  EXPECT_TRUE(d.isVisible());
  EXPECT_TRUE(d.Accepted);
  d.close();  // the close box is refused too while the name is wrong
  EXPECT_TRUE(d.isVisible());
  d.Edit->setText(QStringLiteral("small.png"));
  d.OKBtn->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_TRUE(d.Accepted);
}

TEST_F(OpenDialTest, CancelAlwaysCloses) {
  bool preview = false;
  TOpenDial d(preview);
  d.show();
  d.OKBtn->click();
  d.CancelBtn->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_FALSE(d.Accepted);
}

TEST_F(OpenDialTest, ThePreviewChoiceIsRemembered) {
  bool preview = false;
  {
    TOpenDial d(preview);
    EXPECT_FALSE(d.apercu->isChecked());
    EXPECT_FALSE(d.Image->isVisibleTo(&d));
    d.show();
    d.apercu->click();
    d.CancelBtn->click();
  }
  EXPECT_TRUE(preview);
  TOpenDial again(preview);
  EXPECT_TRUE(again.apercu->isChecked());
  again.show();
  again.apercu->click();  // off hides both displays
  EXPECT_FALSE(again.Image->isVisible());
  EXPECT_FALSE(again.Image1->isVisible());
}

namespace {

// Folders are named from the test's own folder, which exists only once the test runs.
struct TypedFolderCase {
  const char *name;
  const char *start, *typed, *folder;  // in the test's folder; "/sub" is its full path
};
const TypedFolderCase kTypedFolderCases[] = {
    {"a bare subfolder name", "", "sub", "sub"},
    {"a full path without its slash", "", "/sub", "sub"},
    {"the parent", "sub", "..", ""},
};
class OpenDialTypedFolder : public OpenDialTest,
                            public testing::WithParamInterface<TypedFolderCase> {};

TEST_P(OpenDialTypedFolder, IsEnteredWithOrWithoutItsSlash) {
  const TypedFolderCase &c = GetParam();
  const auto under = [this](const char *name) {
    return *name == 0 ? dir_.Path() : dir_.File(QString::fromUtf8(name));
  };
  const QString typed = c.typed[0] == '/' ? under(c.typed + 1) : QString::fromUtf8(c.typed);
  SCOPED_TRACE(c.name);
  QDir::setCurrent(under(c.start));
  bool preview = false;
  TOpenDial d(preview);
  d.show();
  d.Edit->setText(typed);
  PressEnter(d.Edit);  // no message box is expected: the scripted host would fail on it
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.Label4->text(), QDir(under(c.folder)).absolutePath());
  EXPECT_TRUE(d.Edit->text().isEmpty());
}
INSTANTIATE_TEST_SUITE_P(, OpenDialTypedFolder, testing::ValuesIn(kTypedFolderCases), ByRowName());

}  // namespace

TEST_F(OpenDialTest, AFileChosenByTypingItsPathIsPreviewed) {
  bool preview = true;
  TOpenDial d(preview);
  d.show();
  d.Edit->setText(dir_.File("sub/inside.png"));
  PressEnter(d.Edit);
  EXPECT_EQ(d.Label4->text(), dir_.File("sub"));
  ASSERT_NE(d.FileListBox->currentItem(), nullptr);
  EXPECT_EQ(d.FileListBox->currentItem()->text(), QStringLiteral("inside.png"));
  EXPECT_TRUE(d.Image->isVisible());
  EXPECT_EQ(d.Image->InfoWidth, 8);
  EXPECT_FALSE(d.Accepted);
}

TEST_F(OpenDialTest, PdfAndSvgAreOfferedAndPreviewedLikeTheMetafile) {
  dir_.Write("design.pdf", PdfBytes(600, 300));  // 800 x 400 pixels: stretched
  dir_.Write("logo.svg", SvgBytes(60, 30));      // smaller than the panel: its own size
  bool preview = true;
  TOpenDial d(preview);
  d.show();
  EXPECT_TRUE(Files(d).contains(QStringLiteral("design.pdf")));
  EXPECT_TRUE(Files(d).contains(QStringLiteral("logo.svg")));
  EXPECT_EQ(d.FilterComboBox->itemText(16), QStringLiteral("Pdf (*.pdf)"));
  EXPECT_EQ(d.FilterComboBox->itemText(17), QStringLiteral("Svg (*.svg)"));
  d.FilterComboBox->setCurrentIndex(17);
  emit d.FilterComboBox->activated(17);
  EXPECT_EQ(Files(d), QStringList{QStringLiteral("logo.svg")});
  Choose(d, "logo.svg");
  EXPECT_FALSE(d.Image->isVisible());
  EXPECT_TRUE(d.Image1->isVisible());
  EXPECT_EQ(d.Image1->size(), QSize(60, 30));
  d.FilterComboBox->setCurrentIndex(0);
  emit d.FilterComboBox->activated(0);
  Choose(d, "design.pdf");
  EXPECT_TRUE(d.Image1->isVisible());
  EXPECT_EQ(d.Image1->size(), QSize(122, 61));  // Round(4 x 153 / 5) wide
}
