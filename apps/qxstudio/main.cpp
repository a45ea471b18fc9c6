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
    QApplication application(argc, argv);
    QApplication::setApplicationName("QxStudio");
    QApplication::setApplicationDisplayName("QxStudio");
    QString scenePath, scriptPath;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--script" && i + 1 < args.size()) {
            scriptPath = args[++i];
        } else if (args[i].startsWith('-')) {
            std::fprintf(stderr, "usage: qxstudio [SCENE] [--script FILE]\n");
            return 2;
        } else {
            scenePath = args[i];
        }
    }
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
