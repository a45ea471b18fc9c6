#include "read_progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

QxStudioReadProgress::QxStudioReadProgress(const QString& path) {
    const QFileInfo info(path);
    m_Path = info.canonicalFilePath();
    m_Size = info.size();
}

bool QxStudioReadProgress::FindDescriptor() {
    if (!m_Descriptor.isEmpty() && QFileInfo(m_Descriptor).symLinkTarget() == m_Path) return true;
    m_Descriptor.clear();
    const QDir descriptors("/proc/self/fd");
    for (const QString& name : descriptors.entryList(QDir::System | QDir::Files)) {
        const QString link = descriptors.filePath(name);
        if (QFileInfo(link).symLinkTarget() != m_Path) continue;
        m_Descriptor = link;
        return true;
    }
    return false;
}

int QxStudioReadProgress::Percent() {
    if (m_Path.isEmpty() || m_Size <= 0 || !FindDescriptor()) return -1;
    QFile info("/proc/self/fdinfo/" + QFileInfo(m_Descriptor).fileName());
    if (!info.open(QIODevice::ReadOnly)) return -1;
    // The first line reads "pos:\t<offset>".
    const QByteArray line = info.readLine();
    if (!line.startsWith("pos:")) return -1;
    const qint64 position = line.mid(4).trimmed().toLongLong();
    return static_cast<int>(std::clamp<qint64>(position * 100 / m_Size, 0, 100));
}
