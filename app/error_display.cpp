#include "app/error_display.h"

QString errorDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}
