#include "message_log_panel.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTime>

#include <cstdio>

QxStudioMessageLog::QxStudioMessageLog(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("MessageLog");
    setReadOnly(true);
    setMaximumBlockCount(2000);
    m_Previous = QxSetMessageHandler([this](const char* text, const char* caption, unsigned int flags,
                                            QxWindow*) { return Show(text, caption, flags); });
}

QxStudioMessageLog::~QxStudioMessageLog() {
    QxSetMessageHandler(m_Previous);
}

void QxStudioMessageLog::SetUnattended(bool unattended, int answer) {
    m_Unattended = unattended;
    m_Answer = answer;
}

void QxStudioMessageLog::Note(const QString& text) {
    appendPlainText(QTime::currentTime().toString("HH:mm:ss ") + text);
    // Unattended runs leave the log where their caller reads it.
    if (m_Unattended) std::fprintf(stderr, "qxstudio: %s\n", text.toUtf8().constData());
    ++m_Count;
    m_LastText = text;
}

int QxStudioUnattendedAnswer(unsigned int flags, int answer) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return answer == IDCANCEL ? IDCANCEL : IDOK;
    case MB_YESNOCANCEL:
        return answer == IDYES || answer == IDNO || answer == IDCANCEL ? answer : IDCANCEL;
    case MB_YESNO:
        return answer == IDYES ? IDYES : IDNO;
    default:
        return IDOK;
    }
}

namespace {
QMessageBox::StandardButtons Buttons(unsigned int flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

QMessageBox::Icon Icon(unsigned int flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int Result(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}
} // namespace

int QxStudioMessageLog::Show(const char* text, const char* caption, unsigned int flags) {
    if (QThread::currentThread() != thread()) {
        // A reader on another thread: the box is shown (and answered) on the window's thread.
        int answer = IDOK;
        QMetaObject::invokeMethod(
            this, [&] { answer = Show(text, caption, flags); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    const QString body = QString::fromUtf8(text ? text : "");
    const QString title = QString::fromUtf8(caption ? caption : "");
    Note(title.isEmpty() ? body : title + ": " + body);
    if (m_Unattended) return QxStudioUnattendedAnswer(flags, m_Answer);
    QMessageBox box(Icon(flags), title.isEmpty() ? QApplication::applicationDisplayName() : title, body,
                    Buttons(flags), window());
    return Result(box.exec());
}
