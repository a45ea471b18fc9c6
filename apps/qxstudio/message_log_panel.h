#pragma once

#include <QPlainTextEdit>

#include "qx/platform/message.h"

// The message log: every message box of the library (and the studio's own questions) is kept
// here with the time it was shown. While the panel lives it is the library's message handler:
// a box is shown as a modal dialog over the main window, or, when the studio runs unattended
// (scripts, tests), answered at once with the set answer.
class QxStudioMessageLog : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit QxStudioMessageLog(QWidget* parent = nullptr);
    ~QxStudioMessageLog() override;

    // Unattended: no dialog is shown; questions get `answer` (IDOK for a plain box).
    void SetUnattended(bool unattended, int answer = IDNO);
    bool IsUnattended() const { return m_Unattended; }
    // Adds a line of the studio's own (no dialog).
    void Note(const QString& text);
    int Count() const { return m_Count; }
    const QString& LastText() const { return m_LastText; }

private:
    int Show(const char* text, const char* caption, unsigned int flags);

    QxMessageHandler m_Previous;
    bool m_Unattended = false;
    int m_Answer = IDNO;
    int m_Count = 0;
    QString m_LastText;
};

// A box's answer when nobody is asked: OK for a plain box, else the given answer if the box
// offers it, else its last button.
int QxStudioUnattendedAnswer(unsigned int flags, int answer);
