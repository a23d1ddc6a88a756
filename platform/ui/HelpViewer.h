#pragma once
// The help viewer: a window of the program showing the help file (an HTML file beside
// the program, named like it with ".hlp"), opened at a topic anchor.
#include <QString>

class QWidget;

namespace platform {

void SetHelpFile(const QString &path);
QString HelpFile();

// Topic 0 is the contents page. A missing or unreadable help file gives an error box.
void ShowHelpTopic(int topic, QWidget *parent = nullptr);

}  // namespace platform
