#pragma once

class QWidget;

namespace platform {

// Shows `window` modally over the whole application and runs a nested event
// loop until it is hidden (closed) or destroyed.
void execModal(QWidget* window);

}  // namespace platform
