// qxstudio: the interactive studio on the library (Qt Widgets host).
//     qxstudio [SCENE] [--script FILE]
#include <QApplication>
#include <QFileInfo>

#include <cstdio>

#include "clipboard_bridge.h"
#include "main_window.h"
#include "message_log_panel.h"
#include "qx/scene/app.h"
#include "script_runner.h"

int main(int argc, char** argv) {
    // Read before Qt starts, so a wrong command line is answered without a display.
    QString scenePath, scriptPath;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--script" && i + 1 < argc) {
            scriptPath = QString::fromLocal8Bit(argv[++i]);
        } else if (arg.startsWith('-') || !scenePath.isEmpty()) {
            std::fprintf(stderr, "usage: qxstudio [SCENE] [--script FILE]\n");
            return arg == "--help" || arg == "-h" ? 0 : 2;
        } else {
            scenePath = arg;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("QxStudio");
    QApplication::setApplicationDisplayName("QxStudio");
    CQxApp& app = CQxApp::Instance();
    app.SetAppInfo("QxDurerive", "QxStudio", 1, 0);
    app.ReadReg();

    QxStudioClipboardBridge clipboard;
    QxStudioMainWindow window;
    QStringList script;
    if (!scriptPath.isEmpty()) {
        QString error;
        script = QxStudioScript::ReadFile(scriptPath, error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "qxstudio: %s\n", error.toUtf8().constData());
            return 2;
        }
        // Nobody is there to answer: questions get "no", messages go to the log.
        window.MessageLog().SetUnattended(true, IDNO);
    }
    window.show();
    if (!scenePath.isEmpty()) window.OpenFile(scenePath);
    if (scriptPath.isEmpty()) return QApplication::exec();

    QxStudioScript runner(window, script);
    int status = 0;
    QObject::connect(&runner, &QxStudioScript::finished, [&status](int result) {
        status = result;
        QApplication::exit(result);
    });
    runner.Start();
    QApplication::exec();
    window.close();
    return status;
}
