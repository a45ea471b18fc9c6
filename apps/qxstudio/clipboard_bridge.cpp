#include "clipboard_bridge.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>

#include "qx/platform/global_memory.h"

namespace {

constexpr const char* kPrefix = "application/x-qxdurerive-";

QByteArray ReadBlock(HANDLE block) {
    const SIZE_T size = QxWin::GlobalSize(block);
    const void* bytes = size ? QxWin::GlobalLock(block) : nullptr;
    if (!bytes) return {};
    QByteArray data(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
    QxWin::GlobalUnlock(block);
    return data;
}

HANDLE MakeBlock(const QByteArray& data) {
    HGLOBAL block = QxWin::GlobalAlloc(GHND, static_cast<SIZE_T>(data.size()));
    if (!block) return nullptr;
    if (void* bytes = QxWin::GlobalLock(block)) {
        std::memcpy(bytes, data.constData(), static_cast<std::size_t>(data.size()));
        QxWin::GlobalUnlock(block);
    }
    return block;
}

} // namespace

QxStudioClipboardBridge::QxStudioClipboardBridge(QObject* parent) : QObject(parent) {
    m_Previous = QxSetClipboardHook({[this] { Pull(); }, [this] { Push(); }});
}

QxStudioClipboardBridge::~QxStudioClipboardBridge() {
    QxSetClipboardHook(m_Previous);
}

QString QxStudioClipboardBridge::MimeType(UINT format) {
    if (format == CF_TEXT) return "text/plain";
    char name[256] = {};
    if (format < QX_FIRST_REGISTERED_FORMAT || !QxWin::GetClipboardFormatNameA(format, name, sizeof name))
        return {};
    return QString(kPrefix) + QString::fromUtf8(name);
}

void QxStudioClipboardBridge::Push() {
    auto* mime = new QMimeData;
    for (UINT format = QxWin::EnumClipboardFormats(0); format; format = QxWin::EnumClipboardFormats(format)) {
        const QString type = MimeType(format);
        if (type.isEmpty()) continue;
        QByteArray data = ReadBlock(QxWin::GetClipboardData(format));
        // Text blocks end in a zero that is not part of the text.
        if (format == CF_TEXT) data = QByteArray(data.constData());
        mime->setData(type, data);
    }
    m_Pushing = true;
    QGuiApplication::clipboard()->setMimeData(mime);
    m_Pushing = false;
}

void QxStudioClipboardBridge::Pull() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (m_Pushing || !mime) return;
    QxWin::EmptyClipboard();
    for (const QString& type : mime->formats()) {
        UINT format = 0;
        QByteArray data = mime->data(type);
        if (type == "text/plain") {
            format = CF_TEXT;
            data.append('\0');
        } else if (type.startsWith(kPrefix)) {
            format = QxWin::RegisterClipboardFormatA(
                type.mid(static_cast<qsizetype>(std::strlen(kPrefix))).toUtf8().constData());
        }
        if (!format) continue;
        HANDLE block = MakeBlock(data);
        if (block && !QxWin::SetClipboardData(format, block)) QxWin::GlobalFree(block);
    }
}
