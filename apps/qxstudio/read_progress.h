#pragma once

#include <QString>

// How far a reader in this process has come through a file: the offset of the descriptor it
// has open on the file (from /proc/self/fdinfo) against the file's size. The library's scene
// reader streams the file through one descriptor and reports no progress of its own.
class QxStudioReadProgress {
public:
    explicit QxStudioReadProgress(const QString& path);

    // Percent of the file read so far; -1 while no descriptor is open on it (not yet opened,
    // or already closed and the scene being built from what was read).
    int Percent();

private:
    // The descriptor open on the file, found once and kept while it stays open.
    bool FindDescriptor();

    QString m_Path;
    qint64 m_Size = 0;
    QString m_Descriptor;
};
