#pragma once

#include <QWidget>

#include <memory>

#include "qx/play/msg.h"

class CQxScene;
class QxStudioViewPanel;

// Play mode: the scene runs as the library's scene program in a window of its own, on a copy
// of the scene being edited (written to a temporary file and read back), so nothing the game
// does reaches the scene or its history. The application's frame timer drives it; the mouse
// and keys of the window's view go to the play tool. "Quit" in the game's menu, or closing the
// window, ends it.
class QxStudioPlayWindow : public QWidget {
    Q_OBJECT
public:
    // The window, shown, with the program started; null with the reason in `error` when it
    // cannot start.
    static QxStudioPlayWindow* Start(CQxScene& source, QString& error, QWidget* parent = nullptr);
    ~QxStudioPlayWindow() override;

    CQxScene& Scene() { return *m_Scene; }
    QxStudioViewPanel& View() { return *m_View; }

private:
    class Host : public CQxMsgHandler {
    public:
        explicit Host(QxStudioPlayWindow& window) : m_Window(window) {}
        int OnMessage(const CQxMsg& msg) override;

    private:
        QxStudioPlayWindow& m_Window;
    };

    explicit QxStudioPlayWindow(QWidget* parent);
    bool Run(CQxScene& source, QString& error);

    std::unique_ptr<CQxScene> m_Scene;
    QxStudioViewPanel* m_View = nullptr;
    Host m_Host{*this};
};
