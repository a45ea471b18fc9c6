#include "script_runner.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPixmap>
#include <QRect>
#include <QTextStream>
#include <QTimer>
#include <QWheelEvent>

#include <cstdio>

#include "main_window.h"
#include "view_panel.h"

namespace {

// A coordinate in pixels, or a percentage of the side with an optional pixel offset ("50%+45").
bool ParseCoordinate(const QString& text, int side, int& out) {
    bool ok = false;
    const qsizetype percent = text.indexOf('%');
    if (percent < 0) {
        out = text.toInt(&ok);
        return ok;
    }
    const double share = text.left(percent).toDouble(&ok);
    if (!ok) return false;
    out = static_cast<int>(share / 100.0 * side);
    const QString offset = text.mid(percent + 1);
    if (offset.isEmpty()) return true;
    const int pixels = offset.toInt(&ok);
    out += pixels;
    return ok && (offset.startsWith('+') || offset.startsWith('-'));
}

bool ParsePoint(const QStringList& words, int first, const QWidget& view, QPoint& point) {
    int x = 0, y = 0;
    if (words.size() <= first + 1 || !ParseCoordinate(words[first], view.width(), x) ||
        !ParseCoordinate(words[first + 1], view.height(), y))
        return false;
    point = QPoint(x, y);
    return true;
}

void Send(QWidget* widget, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers modifiers) {
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

// Lets queued paints and timers run for a while.
void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}

} // namespace

QxStudioScript::QxStudioScript(QxStudioMainWindow& window, QStringList lines, QObject* parent)
    : QObject(parent), m_Window(window), m_Lines(std::move(lines)) {}

QStringList QxStudioScript::ReadFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = "cannot read " + path;
        return {};
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd()) lines << in.readLine();
    return lines;
}

void QxStudioScript::Start(int stepDelayMs) {
    m_Delay = stepDelayMs;
    m_Next = 0;
    QTimer::singleShot(m_Delay, this, &QxStudioScript::Next);
}

void QxStudioScript::Next() {
    while (m_Next < m_Lines.size()) {
        const QString line = m_Lines[m_Next++];
        const QString step = line.section('#', 0, 0).trimmed();
        if (step.isEmpty()) continue;
        const QString problem = RunLine(step);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "qxstudio: script line %d: %s\n", m_Next, problem.toUtf8().constData());
            Q_EMIT finished(1);
            return;
        }
        if (step == "quit") {
            Q_EMIT finished(0);
            return;
        }
        // Each step sees the window as the one before left it, painted.
        QTimer::singleShot(m_Delay, this, &QxStudioScript::Next);
        return;
    }
    Q_EMIT finished(0);
}

QString QxStudioScript::RunLine(const QString& line) {
    const QStringList words = line.split(' ', Qt::SkipEmptyParts);
    const QString verb = words.value(0);
    const QString rest = line.section(' ', 1).trimmed();
    if (verb == "open") return m_Window.OpenFile(rest) ? QString() : "cannot open " + rest;
    if (verb == "save") return m_Window.SaveFileAs(rest) ? QString() : "cannot save " + rest;
    if (verb == "menu") {
        QAction* action = m_Window.Action(rest);
        if (!action) return "no menu action " + rest;
        if (!action->isEnabled()) return "menu action " + rest + " is disabled";
        action->trigger();
        return {};
    }
    if (verb == "click") return Click(words);
    if (verb == "drag") return Drag(words);
    if (verb == "wheel") return Wheel(words);
    if (verb == "key") return Key(words);
    if (verb == "screenshot") return Screenshot(rest);
    if (verb == "wait") {
        bool ok = false;
        const int ms = rest.toInt(&ok);
        if (!ok || ms < 0) return "wait needs milliseconds";
        Settle(ms);
        return {};
    }
    if (verb == "frames") return Frames(rest);
    if (verb == "quit") return m_Window.close() ? QString() : "the window did not close";
    return "unknown step \"" + verb + "\"";
}

QxStudioViewPanel* QxStudioScript::FindView(const QString& name, QString& error) const {
    QxStudioViewPanel* view = m_Window.View(name);
    if (!view) error = "no view \"" + name + "\"";
    return view;
}

QString QxStudioScript::Click(const QStringList& words) {
    QString error;
    QxStudioViewPanel* view = FindView(words.value(1), error);
    QPoint point;
    if (!view) return error;
    if (!ParsePoint(words, 2, *view, point)) return "click needs VIEW X Y";
    const QString modifier = words.value(4);
    const Qt::KeyboardModifiers modifiers = modifier == "shift"  ? Qt::ShiftModifier
                                            : modifier == "ctrl" ? Qt::ControlModifier
                                                                 : Qt::NoModifier;
    Send(view, QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton, modifiers);
    Send(view, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton, modifiers);
    Send(view, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton, modifiers);
    return {};
}

QString QxStudioScript::Drag(const QStringList& words) {
    QString error;
    QxStudioViewPanel* view = FindView(words.value(1), error);
    if (!view) return error;
    QPoint from, to;
    if (!ParsePoint(words, 2, *view, from) || !ParsePoint(words, 4, *view, to))
        return "drag needs VIEW X1 Y1 X2 Y2";
    const QString name = words.value(6, "left");
    const Qt::MouseButton button = name == "right"    ? Qt::RightButton
                                   : name == "middle" ? Qt::MiddleButton
                                                      : Qt::LeftButton;
    Send(view, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    Send(view, QEvent::MouseButtonPress, from, button, button, Qt::NoModifier);
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        Send(view, QEvent::MouseMove, from + (to - from) * i / kSteps, Qt::NoButton, button, Qt::NoModifier);
        // Navigation drags run on the tools' timer: let it see each position.
        Settle(15);
    }
    Send(view, QEvent::MouseButtonRelease, to, button, Qt::NoButton, Qt::NoModifier);
    return {};
}

QString QxStudioScript::Wheel(const QStringList& words) {
    QString error;
    QxStudioViewPanel* view = FindView(words.value(1), error);
    if (!view) return error;
    QPoint point;
    bool ok = false;
    const int delta = words.value(4).toInt(&ok);
    if (!ParsePoint(words, 2, *view, point) || !ok) return "wheel needs VIEW X Y DELTA";
    QWheelEvent event(QPointF(point), QPointF(view->mapToGlobal(point)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &event);
    return {};
}

QString QxStudioScript::Key(const QStringList& words) {
    QString error;
    QxStudioViewPanel* view = FindView(words.value(1), error);
    if (!view) return error;
    const QKeySequence sequence(words.value(2));
    if (sequence.isEmpty()) return "key needs VIEW KEY";
    const QKeyCombination combination = sequence[0];
    view->setFocus();
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(view, &press);
    QApplication::sendEvent(view, &release);
    return {};
}

QString QxStudioScript::Frames(const QString& count) {
    bool ok = false;
    const int frames = count.toInt(&ok);
    if (!ok || frames < 1) return "frames needs a count";
    for (QxStudioViewPanel* view : m_Window.Views()) {
        if (!view->isVisible()) continue;
        double render = 0.0;
        QElapsedTimer whole;
        whole.start();
        for (int i = 0; i < frames; ++i) {
            view->Window().Invalidate();
            view->repaint();
            render += view->LastFrameMs();
        }
        const double total = static_cast<double>(whole.nsecsElapsed()) / 1e6;
        std::printf("frame %s %dx%d: %.1f ms rendered and read back, %.1f ms on screen\n",
                    view->Title().toUtf8().constData(), view->width(), view->height(), render / frames,
                    total / frames);
    }
    std::fflush(stdout);
    return {};
}

QString QxStudioScript::Screenshot(const QString& path) {
    if (path.isEmpty()) return "screenshot needs a file";
    for (QxStudioViewPanel* view : m_Window.Views()) view->RenderNow();
    Settle(20);
    const QPixmap picture = m_Window.grab();
    if (!picture.save(path, "PNG")) return "cannot write " + path;
    // Where each panel is in the picture, for whoever checks its pixels.
    QFile layout(path + ".layout");
    if (!layout.open(QIODevice::WriteOnly | QIODevice::Text)) return "cannot write " + layout.fileName();
    QTextStream out(&layout);
    for (QWidget* panel : m_Window.findChildren<QWidget*>()) {
        const bool named = panel->inherits("QxStudioViewPanel") || panel->inherits("QDockWidget");
        if (!named || !panel->isVisible()) continue;
        const QRect box(panel->mapTo(&m_Window, QPoint(0, 0)), panel->size());
        out << panel->objectName() << ' ' << box.x() << ' ' << box.y() << ' ' << box.width() << ' '
            << box.height() << '\n';
    }
    return {};
}
