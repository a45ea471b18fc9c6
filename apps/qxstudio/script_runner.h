#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QxStudioMainWindow;
class QxStudioViewPanel;

// Runs a scripted session on the main window, one step a line, each after the window has
// painted the one before:
//     open PATH | save PATH | menu ACTION | screenshot PATH | wait MS | quit
//     frames N (renders each view N times and prints the mean frame time)
//     click VIEW X Y [shift|ctrl] | drag VIEW X1 Y1 X2 Y2 [left|right|middle]
//     wheel VIEW X Y DELTA | key VIEW KEY
// VIEW is perspective, front, side or top; a coordinate is pixels in the view or a percentage
// of its size with an optional offset in pixels ("50%", "50%+45"). A screenshot also writes PATH.layout: each
// visible panel's name and rectangle in the picture, one a line. '#' starts a comment. The first failing step
// ends the run with status 1.
class QxStudioScript : public QObject {
    Q_OBJECT
public:
    QxStudioScript(QxStudioMainWindow& window, QStringList lines, QObject* parent = nullptr);

    // Reads a script file; empty with `error` set when it cannot be read.
    static QStringList ReadFile(const QString& path, QString& error);
    // Starts the run on the event loop; `finished` tells the status at the end.
    void Start(int stepDelayMs = 30);
    // Runs one line now; the empty string when it worked, else what went wrong.
    QString RunLine(const QString& line);

Q_SIGNALS:
    void finished(int status);

private:
    void Next();
    QString Click(const QStringList& words);
    QString Drag(const QStringList& words);
    QString Wheel(const QStringList& words);
    QString Key(const QStringList& words);
    QString Screenshot(const QString& path);
    QString Frames(const QString& count);
    QxStudioViewPanel* FindView(const QString& name, QString& error) const;

    QxStudioMainWindow& m_Window;
    QStringList m_Lines;
    int m_Next = 0;
    int m_Delay = 30;
};
