#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>

// gcc says it builds with AddressSanitizer one way, clang another.
#if defined(__SANITIZE_ADDRESS__)
#define MURALIX_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MURALIX_LEAK_CHECKER 1
#endif
#endif
#if defined(MURALIX_LEAK_CHECKER)
#include <sanitizer/lsan_interface.h>
#endif

#include "ScriptedDialogHost.h"
#include "core/Errors.h"
#include "ui/Application.h"
#include "ui/Cursors.h"
#include "ui/HelpViewer.h"
#include "ui/MessageBoxes.h"

using platform::MessageResult;

namespace {

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetApplicationTitle(QStringLiteral("Muralix"));
  }
  ScriptedDialogs dialogs_;
};

// A control whose mouse handler fails, as a command may.
class FailingWidget : public QWidget {
 protected:
  void mousePressEvent(QMouseEvent *) override { throw platform::InOutError("Disque plein", 28); }
};

}  // namespace

TEST_F(UiTest, AFailureLeavingAnEventHandlerIsShownAndTheProgramGoesOn) {
  FailingWidget widget;
  dialogs_->AnswerMessage(MessageResult::Ok);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  // This is the last line of defence: the failure unwinds through Qt's own frames, which
  // were built without exception support and so leave a little of the event's state
  // behind. The program's handlers catch their failures themselves (see Guard).
#if defined(MURALIX_LEAK_CHECKER)
  __lsan_disable();
#endif
  QCoreApplication::sendEvent(&widget, &press);
#if defined(MURALIX_LEAK_CHECKER)
  __lsan_enable();
#endif
  ASSERT_NE(dialogs_->LastMessage(), nullptr);
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Muralix"));
  EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("Disque plein."));
  EXPECT_EQ(dialogs_->LastMessage()->icon, platform::MessageIcon::Error);
}

TEST_F(UiTest, AGuardedSignalHandlerShowsItsFailure) {
  QPushButton button;
  int runs = 0;
  QObject::connect(&button, &QPushButton::clicked, platform::Guard([&] {
    ++runs;
    throw std::runtime_error("plain failure");
  }));
  dialogs_->AnswerMessage(MessageResult::Ok);
  dialogs_->AnswerMessage(MessageResult::Ok);
  button.click();
  button.click();  // still connected, still working
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(dialogs_->LastMessage()->text, QStringLiteral("plain failure."));
}

TEST_F(UiTest, TheProgramsBoxesHaveTheirFrenchTitlesAndButtons) {
  dialogs_->AnswerMessage(MessageResult::Ok);
  platform::ErrorBox(QStringLiteral("Format de fichier non reconnu."));
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Erreur"));
  EXPECT_FALSE(dialogs_->LastMessage()->yesNoCancel);
  dialogs_->AnswerMessage(MessageResult::No);
  EXPECT_EQ(platform::ConfirmBox(QStringLiteral("Save this placard ?")), MessageResult::No);
  EXPECT_EQ(dialogs_->LastMessage()->title, QStringLiteral("Confirmation"));
  EXPECT_EQ(dialogs_->LastMessage()->icon, platform::MessageIcon::Question);
  EXPECT_TRUE(dialogs_->LastMessage()->yesNoCancel);
}

TEST_F(UiTest, AMissingHelpFileGivesAnErrorBox) {
  platform::SetHelpFile(QStringLiteral("/nonexistent/muralix.hlp"));
  dialogs_->AnswerMessage(MessageResult::Ok);
  platform::ShowHelpTopic(1);
  EXPECT_EQ(dialogs_->LastMessage()->text,
            QStringLiteral("Impossible d'ouvrir le fichier /nonexistent/muralix.hlp"));
}

TEST_F(UiTest, HelpTopicsComeFromTheNearestParentWithOne) {
  QWidget window;
  window.setProperty("helpTopic", 1);
  QWidget panel(&window);
  QWidget dialogLike(&panel);
  dialogLike.setProperty("helpTopic", 2);
  QWidget edit(&dialogLike);
  EXPECT_EQ(platform::HelpTopicOf(&panel), 1);
  EXPECT_EQ(platform::HelpTopicOf(&edit), 2);
  EXPECT_EQ(platform::HelpTopicOf(nullptr), 0);
}

TEST_F(UiTest, BusyCursorCallsNest) {
  {
    platform::BusyCursor outer;
    {
      platform::BusyCursor inner;
      EXPECT_TRUE(platform::IsBusyCursorShown());
    }
    EXPECT_TRUE(platform::IsBusyCursorShown()) << "the outer operation is still running";
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
  }
  EXPECT_FALSE(platform::IsBusyCursorShown());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(UiTest, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(platform::QtFilterFromWindowsFilter(QStringLiteral("Affiches (*.AFF)|*.AFF")),
            QStringLiteral("Affiches (*.AFF *.aff)"));
  EXPECT_EQ(platform::QtFilterFromWindowsFilter(QStringLiteral("Images|*.BMP;*.JPG|Tout|*")),
            QStringLiteral("Images (*.BMP *.bmp *.JPG *.jpg);;Tout (*)"));
}

TEST_F(UiTest, HelpAskedInsideAModalDialogComesUpAboveItAndEscapeClosesIt) {
  QTemporaryDir folder;
  const QString file = folder.filePath(QStringLiteral("muralix.hlp"));
  {
    QFile help(file);
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.write("<html><body><h1 id=\"topic2\">Format</h1></body></html>");
  }
  platform::SetHelpFile(file);
  QDialog dialog;
  dialog.setModal(true);
  dialog.show();  // as a running dialog is
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
  platform::ShowHelpTopic(2);
  auto *help = dialog.findChild<QTextBrowser *>();
  ASSERT_NE(help, nullptr) << "the help belongs to the dialog, so the dialog does not block it";
  EXPECT_TRUE(help->isWindow());
  EXPECT_TRUE(help->isVisible());
  const QPointer<QTextBrowser> alive(help);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(help, &escape);
  EXPECT_TRUE(alive.isNull() || !alive->isVisible());
  EXPECT_TRUE(dialog.isVisible()) << "Escape closes the help, not the dialog";
  platform::SetHelpFile(QString());
}

namespace {
QDialog *ShownProgressWindow() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible()) return d;
  return nullptr;
}
}  // namespace

TEST_F(UiTest, TheProgressWindowShowsEachStepAndAnnulerStopsTheJob) {
  QWidget main;
  main.show();
  {
    auto progress = platform::MakeProgressWindow(&main, 0);
    EXPECT_TRUE(progress->Step(QStringLiteral("Impression de la feuille 1 sur 6…")));
    EXPECT_TRUE(progress->Step(QStringLiteral("Impression de la feuille 2 sur 6…")));
    QDialog *window = ShownProgressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), window) << "no other window takes input";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Muralix"));
    auto *label = window->findChild<QLabel *>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Impression de la feuille 2 sur 6…"));
    EXPECT_EQ(label->accessibleName(), label->text());
    auto *cancel = window->findChild<QPushButton *>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(cancel->accessibleName(), QStringLiteral("Annuler"));
    cancel->click();
    EXPECT_FALSE(progress->Step(QStringLiteral("Impression de la feuille 3 sur 6…")));
    EXPECT_FALSE(progress->Step(QStringLiteral("Impression de la feuille 4 sur 6…")))
        << "a stop asked for stays asked";
  }
  EXPECT_EQ(ShownProgressWindow(), nullptr) << "the window goes with its job";
}

TEST_F(UiTest, AShortJobShowsNoProgressWindow) {
  auto progress = platform::MakeProgressWindow(nullptr, 3'600'000);
  EXPECT_TRUE(progress->Step(QStringLiteral("Impression de la feuille 1 sur 2…")));
  EXPECT_EQ(ShownProgressWindow(), nullptr);
}
