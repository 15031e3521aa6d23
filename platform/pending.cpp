#include "platform/pending.h"

#include <utility>

namespace platform {

namespace {
std::function<void()>& pendingMessagesHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void setPendingMessagesHook(std::function<void()> hook) { pendingMessagesHook() = std::move(hook); }

void processPendingMessages() {
    if (auto& hook = pendingMessagesHook()) hook();
}

}  // namespace platform
