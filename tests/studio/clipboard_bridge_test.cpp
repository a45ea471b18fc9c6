// The system clipboard mirrors the library's: what the library puts there other programs see,
// and what they put there the library reads.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>
#include <string>

#include "clipboard_bridge.h"
#include "qx/platform/global_memory.h"
#include "studio_fixture.h"

class ClipboardBridge : public QxStudioTest {
protected:
    QxStudioClipboardBridge m_Bridge;

    static void Put(UINT format, const std::string& bytes) {
        HGLOBAL block = QxWin::GlobalAlloc(GHND, bytes.size());
        std::memcpy(QxWin::GlobalLock(block), bytes.data(), bytes.size());
        QxWin::GlobalUnlock(block);
        ASSERT_TRUE(QxWin::OpenClipboard(nullptr));
        QxWin::EmptyClipboard();
        QxWin::SetClipboardData(format, block);
        QxWin::CloseClipboard();
    }
    static std::string Get(UINT format) {
        std::string bytes;
        if (!QxWin::OpenClipboard(nullptr)) return bytes;
        if (HANDLE block = QxWin::GetClipboardData(format)) {
            bytes.assign(static_cast<const char*>(QxWin::GlobalLock(block)), QxWin::GlobalSize(block));
            QxWin::GlobalUnlock(block);
        }
        QxWin::CloseClipboard();
        return bytes;
    }
};

TEST_F(ClipboardBridge, LibraryFormatsReachTheSystemClipboard) {
    const UINT format = QxWin::RegisterClipboardFormatA("Studio Test Objects");
    Put(format, std::string("\x01\x00\x02", 3));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(nullptr, mime);
    EXPECT_EQ(QByteArray("\x01\x00\x02", 3), mime->data("application/x-qxdurerive-Studio Test Objects"))
        << "the bytes travel unchanged, zeros too";
}

TEST_F(ClipboardBridge, SystemTextAndFormatsReachTheLibrary) {
    auto* mime = new QMimeData;
    mime->setText(QString::fromUtf8("ロボット"));
    mime->setData("application/x-qxdurerive-Studio Test Objects", QByteArray("abc"));
    QGuiApplication::clipboard()->setMimeData(mime);

    EXPECT_EQ(std::string("ロボット") + '\0', Get(CF_TEXT)) << "text comes as a zero-terminated block";
    EXPECT_EQ("abc", Get(QxWin::RegisterClipboardFormatA("Studio Test Objects")));
}
