#include "qx/basis/msg_box.h"

#include "qx/platform/message.h"

int QxMsgBox(const char* text, const char* caption, unsigned int flags, QxWindow* owner) {
    return QxShowMessage(text, caption, flags, owner);
}
