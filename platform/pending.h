#pragma once
// The process-wide "process pending messages" hook. Long operations (archive writing and
// reading) call processPendingMessages() at their yield points; the editor installs Qt's
// event processing, everything else leaves it empty.
#include <functional>

namespace platform {

void setPendingMessagesHook(std::function<void()> hook);
void processPendingMessages();

}  // namespace platform
