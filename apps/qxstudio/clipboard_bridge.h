#pragma once

#include <QObject>

#include "qx/platform/clipboard.h"

// Mirrors the library's clipboard on the system clipboard while it lives. Registered formats
// travel as "application/x-qxdurerive-<name>" data, CF_TEXT as plain text, so scenes running in
// two studios exchange objects and other programs see the text.
class QxStudioClipboardBridge : public QObject {
    Q_OBJECT
public:
    explicit QxStudioClipboardBridge(QObject* parent = nullptr);
    ~QxStudioClipboardBridge() override;

    // The system clipboard's MIME type for a library format (empty for formats not carried).
    static QString MimeType(UINT format);

private:
    void Pull();
    void Push();

    QxClipboardHook m_Previous;
    // Set while the bridge itself changes the system clipboard, so that change is not pulled.
    bool m_Pushing = false;
};
