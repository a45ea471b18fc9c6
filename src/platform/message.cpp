#include "qx/platform/message.h"

#include <cstdio>
#include <utility>

namespace {
QxMessageHandler& Handler() {
    static QxMessageHandler handler;
    return handler;
}
} // namespace

QxMessageHandler QxSetMessageHandler(QxMessageHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

int QxShowMessage(const char* text, const char* caption, unsigned int flags, QxWindow* owner) {
    if (Handler()) return Handler()(text ? text : "", caption ? caption : "", flags, owner);
    if (caption && *caption)
        std::fprintf(stderr, "%s: %s\n", caption, text ? text : "");
    else
        std::fprintf(stderr, "%s\n", text ? text : "");
    return IDOK;
}
