#pragma once

#include <initializer_list>
#include <memory>
#include <span>

#include "qx/basis/string.h"
#include "qx/export.h"

// CQxTexture: the image of a texture file, decoded on the CPU to 8-bit RGBA rows, top row
// first. BMP, PNG, JPEG and TGA files are read. Uploading to the GPU is the renderer's job: it
// compares GetRevision with what it uploaded last.
//
// A texture keeps the path it was asked to load (as given, so it is written back unchanged)
// and, once loaded, the file it was found in. The pixels are immutable once decoded and shared
// between copies, so copying a texture (undo snapshots, material copies) costs no pixel copy.
class QX_API CQxTexture {
public:
    CQxTexture() = default;
    CQxTexture(const CQxTexture&) = default;
    CQxTexture& operator=(const CQxTexture&) = default;

    // Finds and decodes the file. Places tried, first found wins: the path itself when it is
    // absolute; each directory joined with the path; each directory joined with the path's file
    // name alone. Backslashes in the path count as separators. Empty or null directories are
    // skipped. On success 1; on failure 0, the image is dropped and the path is kept.
    int Load(const char* path, std::span<const char* const> dirs = {});
    int Load(const char* path, std::initializer_list<const char*> dirs) {
        return Load(path, std::span<const char* const>(dirs.begin(), dirs.size()));
    }
    // Loads the kept path again (a file changed on disk, or other directories to search).
    int Reload(std::span<const char* const> dirs = {});
    int Reload(std::initializer_list<const char*> dirs) {
        return Reload(std::span<const char* const>(dirs.begin(), dirs.size()));
    }
    // Sets the path without loading; the image is dropped.
    void SetPath(const char* path);
    // Drops the image, keeping the path.
    void Unload();

    const CQxString& GetPath() const { return m_Path; }
    // The file the image came from; empty while nothing is loaded.
    const CQxString& GetFoundPath() const { return m_FoundPath; }
    int IsLoaded() const { return m_Image != nullptr; }
    unsigned int GetWidth() const;
    unsigned int GetHeight() const;
    // width * height * 4 bytes, or null while nothing is loaded.
    const unsigned char* GetPixels() const;
    // Changes on every load, reload and unload, to a value no other texture has had, so a
    // renderer can tell that its upload is stale.
    unsigned int GetRevision() const { return m_Revision; }

    // The search of Load without decoding: the first place where a regular file exists.
    static int FindFile(const char* path, std::span<const char* const> dirs, CQxString& found);

private:
    struct Image;

    CQxString m_Path;
    CQxString m_FoundPath;
    std::shared_ptr<const Image> m_Image;
    unsigned int m_Revision = 0;
};
