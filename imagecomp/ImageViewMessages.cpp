// The ticker and credits messages: a line of text scrolled across or up the control.
#include "ImageView.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace imagecomp {

using imaging::FromColorRef;

namespace {
// A credits line's bitmap is this much taller than its text; the line goes once it is gone.
constexpr int kCreditsLineMargin = 5;
}  // namespace

void TImageView::RenderMessage(const QString &text, int width, int height) {
  const QFont font = messageFont_.ToQFont();
  messageBitmap_ = QImage(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
  messageBitmap_.fill(backgroundColor_);
  QPainter painter(&messageBitmap_);
  painter.setFont(font);
  painter.setPen(FromColorRef(messageFont_.Color));
  painter.drawText(QPoint(0, QFontMetrics(font).ascent()), text);
}

void TImageView::StopMessages(bool clearPicture) {
  if (tickerActive_ || creditsActive_) color_ = savedColor_;
  tickerActive_ = creditsActive_ = false;
  if (clearPicture) picture_.Clear();
  update();
}

void TImageView::LoadTickerFile(const QString &name) {
  picture_.Clear();
  areaWidth_ = width();
  areaHeight_ = height();
  int speed = 0, background = 0;
  QString text;
  imaging::ParseTickerFile(name, messageFont_, speed, background, text);
  speed_ = speed;
  backgroundColor_ = FromColorRef(background);
  const QFont font = messageFont_.ToQFont();
  const QFontMetrics metrics(font);
  textWidth_ = metrics.horizontalAdvance(text);
  textHeight_ = metrics.height();
  currentLine_ = text;
  messageX_ = areaWidth_;
  messageXEnd_ = areaWidth_ + textWidth_;
  messageY_ = (areaHeight_ - textHeight_) / 2;
  RenderMessage(text, textWidth_, textHeight_);
  savedColor_ = color_;
  color_ = backgroundColor_;
  tickerActive_ = true;
  update();
}

void TImageView::LoadCreditsFile(const QString &name) {
  picture_.Clear();
  int speed = 0, background = 0;
  QStringList lines;
  imaging::ParseCreditsFile(name, messageFont_, speed, background, lines);
  speed_ = speed;
  backgroundColor_ = FromColorRef(background);
  messageLines_ = lines;
  currentLineIndex_ = 0;
  if (!messageLines_.isEmpty()) {
    savedColor_ = color_;
    PrepareCreditsLine(messageLines_.first());
    creditsActive_ = true;
  }
}

void TImageView::PrepareCreditsLine(const QString &line) {
  if (line.isEmpty()) return;
  if (creditsActive_) PushUndo();
  QString text = line;
  if (!text.startsWith(u' ')) text.prepend(QStringLiteral("  "));
  if (!text.endsWith(u' ')) text.append(u' ');
  currentLine_ = text;
  areaWidth_ = width();
  areaHeight_ = height();
  const QFont font = messageFont_.ToQFont();
  const QFontMetrics metrics(font);
  int labelWidth = metrics.horizontalAdvance(text);
  // The widening makes room for the padding; a line of two characters or fewer after
  // padding (two spaces, say) has nothing to widen by, and would divide by zero.
  if (text.size() > 2) labelWidth += labelWidth / int(text.size() - 2);
  textHeight_ = metrics.height();
  textWidth_ = labelWidth;
  messageX_ = (areaWidth_ - textWidth_) / 2;
  messageY_ = areaHeight_;
  messageYEnd_ = areaHeight_ + textHeight_;
  if (!creditsActive_) savedColor_ = color_;
  color_ = backgroundColor_;
  RenderMessage(text, textWidth_, textHeight_ + kCreditsLineMargin);
  creditsActive_ = true;
  update();
}

bool TImageView::TickAllowsStep() {
  ++tickCounter_;
  if (speed_ >= tickCounter_) return false;
  tickCounter_ = 0;
  return true;
}

void TImageView::TickerStep() {
  if (!tickerActive_ || !TickAllowsStep()) return;
  --messageX_;
  --messageXEnd_;
  if (messageXEnd_ < 0) {
    messageX_ = areaWidth_;
    messageXEnd_ = areaWidth_ + textWidth_;
  }
  repaint();
}

void TImageView::CreditsStep() {
  if (!creditsActive_ || !TickAllowsStep()) return;
  --messageY_;
  --messageYEnd_;
  if (messageY_ < -textHeight_ - kCreditsLineMargin) {
    if (!messageLines_.isEmpty()) {
      if (currentLineIndex_ >= messageLines_.size()) currentLineIndex_ = 0;
      currentLineIndex_ = (currentLineIndex_ + 1) % int(messageLines_.size());
      PrepareCreditsLine(messageLines_[currentLineIndex_]);
    } else {
      messageY_ = areaHeight_;
      messageYEnd_ = areaHeight_ + textHeight_;
    }
  }
  repaint();
}

}  // namespace imagecomp
