#pragma once

#include <string>
#include <vector>

#include "qx/platform/message.h"

// Records every message box the library shows while it lives (instead of writing it to standard
// error) and puts the previous handler back when it goes. Answers each box with the given button.
class QxMessageRecorder {
public:
    struct Box {
        std::string Text;
        std::string Caption;
        unsigned int Flags;
    };

    explicit QxMessageRecorder(int answer = IDOK) {
        m_Previous = QxSetMessageHandler([this, answer](const char* text, const char* caption,
                                                        unsigned int flags, QxWindow*) {
            m_Boxes.push_back({text ? text : "", caption ? caption : "", flags});
            return answer;
        });
    }
    ~QxMessageRecorder() { QxSetMessageHandler(m_Previous); }
    QxMessageRecorder(const QxMessageRecorder&) = delete;
    QxMessageRecorder& operator=(const QxMessageRecorder&) = delete;

    const std::vector<Box>& Boxes() const { return m_Boxes; }
    void Clear() { m_Boxes.clear(); }

private:
    QxMessageHandler m_Previous;
    std::vector<Box> m_Boxes;
};
