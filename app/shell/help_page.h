#pragma once
// One help topic's page: the heading, then the introduction, the shortcut
// table where the topic has one, and the titled paragraphs, in a column at
// most 600 pixels wide, aligned leading, padded 32 pixels. GUI thread only.

#include "shell/help_topics.h"

class QWidget;

namespace sorvalind {

QWidget* makeHelpPage(HelpTopic topic, QWidget* parent = nullptr);

} // namespace sorvalind
