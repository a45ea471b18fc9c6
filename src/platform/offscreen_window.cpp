#include "qx/platform/offscreen_window.h"

#include "platform_internal.h"
#include "qx/platform/file_replace.h"
#include "qx/platform/input_state.h"
#include "qx/platform/message.h"

#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>
#include <string>

using namespace QxWin;

namespace {

// One EGL display for the process, initialised by the first window and kept: shutting EGL down
// unloads the driver, which does not free everything it made. Every context shares objects with
// the first one still alive.
struct EglProcess {
    EGLDisplay Display = EGL_NO_DISPLAY;
    std::vector<EGLContext> Contexts;
};

EglProcess& Egl() {
    static EglProcess process;
    return process;
}

bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        if (starts && (at[length] == ' ' || at[length] == '\0')) return true;
    }
    return false;
}

// Makes the display ready; on failure returns the reason.
std::string OpenDisplay() {
    EglProcess& egl = Egl();
    if (egl.Display != EGL_NO_DISPLAY) return {};
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        return "EGL has no surfaceless platform (is Mesa's EGL driver installed?)";
    }
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) return "no surfaceless EGL display";
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) return "the EGL display cannot be initialised";
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!HasExtension(extensions, "EGL_KHR_no_config_context") ||
        !HasExtension(extensions, "EGL_KHR_surfaceless_context")) {
        eglTerminate(display);
        return "the EGL driver cannot make contexts without a surface";
    }
    egl.Display = display;
    return {};
}

// Makes a context current for the scope and puts the one before back.
class CurrentScope {
public:
    explicit CurrentScope(EGLContext context) : m_Previous(eglGetCurrentContext()) {
        m_Ok = eglMakeCurrent(Egl().Display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_TRUE;
    }
    ~CurrentScope() {
        if (m_Previous != EGL_NO_CONTEXT) {
            eglMakeCurrent(Egl().Display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_Previous);
        }
    }
    CurrentScope(const CurrentScope&) = delete;
    CurrentScope& operator=(const CurrentScope&) = delete;
    bool Ok() const { return m_Ok; }

private:
    EGLContext m_Previous;
    bool m_Ok = false;
};

} // namespace

struct QxOffscreenWindow::Gl {
    EGLContext Context = EGL_NO_CONTEXT;
    GLuint Framebuffer = 0;
    GLuint Color = 0;
    GLuint Depth = 0;
    int Width = 1; // the framebuffer's size: at least 1, at most what the driver allows
    int Height = 1;
    GLint MaxSize = 1;
    std::string Error;
};

QxOffscreenWindow::QxOffscreenWindow(int width, int height)
    : m_Gl(std::make_unique<Gl>()), m_Width(std::max(width, 0)), m_Height(std::max(height, 0)) {
    std::string error = OpenDisplay();
    EglProcess& egl = Egl();
    if (error.empty() && !eglBindAPI(EGL_OPENGL_API)) error = "EGL cannot render with OpenGL";
    if (error.empty()) {
        const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                     3,
                                     EGL_CONTEXT_MINOR_VERSION,
                                     3,
                                     EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                     EGL_NONE};
        const EGLContext share = egl.Contexts.empty() ? EGL_NO_CONTEXT : egl.Contexts.front();
        m_Gl->Context = eglCreateContext(egl.Display, EGL_NO_CONFIG_KHR, share, attributes);
        if (m_Gl->Context == EGL_NO_CONTEXT) {
            error = "the driver refused an OpenGL 3.3 core context";
        } else {
            egl.Contexts.push_back(m_Gl->Context);
        }
    }
    if (error.empty()) {
        CurrentScope current(m_Gl->Context);
        if (!current.Ok()) {
            error = "the OpenGL context cannot be made current";
        } else {
            glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &m_Gl->MaxSize);
            glGenFramebuffers(1, &m_Gl->Framebuffer);
            glGenRenderbuffers(1, &m_Gl->Color);
            glGenRenderbuffers(1, &m_Gl->Depth);
            ResizeFramebuffer();
            if (!m_Gl->Framebuffer) error = "the framebuffer is incomplete";
        }
    }
    if (!error.empty()) {
        m_Gl->Error = "Cannot create an OpenGL context for an offscreen window: " + error + ".";
        QxShowMessage(m_Gl->Error.c_str(), "OpenGL", MB_OK | MB_ICONERROR, this);
        if (m_Gl->Context != EGL_NO_CONTEXT) {
            std::erase(egl.Contexts, m_Gl->Context);
            eglDestroyContext(egl.Display, m_Gl->Context);
            m_Gl->Context = EGL_NO_CONTEXT;
        }
    }
}

QxOffscreenWindow::~QxOffscreenWindow() {
    if (m_Gl->Context == EGL_NO_CONTEXT) return;
    EglProcess& egl = Egl();
    {
        CurrentScope current(m_Gl->Context);
        if (current.Ok()) {
            glDeleteFramebuffers(1, &m_Gl->Framebuffer);
            glDeleteRenderbuffers(1, &m_Gl->Color);
            glDeleteRenderbuffers(1, &m_Gl->Depth);
        }
    }
    if (eglGetCurrentContext() == m_Gl->Context) {
        eglMakeCurrent(egl.Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    std::erase(egl.Contexts, m_Gl->Context);
    eglDestroyContext(egl.Display, m_Gl->Context);
}

int QxOffscreenWindow::IsCreated() const {
    return m_Gl->Context != EGL_NO_CONTEXT ? 1 : 0;
}

const char* QxOffscreenWindow::GetError() const {
    return m_Gl->Error.c_str();
}

// Needs the context current. On an incomplete framebuffer the framebuffer is deleted (name 0).
void QxOffscreenWindow::ResizeFramebuffer() {
    Gl& gl = *m_Gl;
    gl.Width = std::clamp(m_Width, 1, std::max(gl.MaxSize, 1));
    gl.Height = std::clamp(m_Height, 1, std::max(gl.MaxSize, 1));
    GLint previous = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previous);
    glBindRenderbuffer(GL_RENDERBUFFER, gl.Color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, gl.Width, gl.Height);
    glBindRenderbuffer(GL_RENDERBUFFER, gl.Depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, gl.Width, gl.Height);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(previous));
    glBindFramebuffer(GL_FRAMEBUFFER, gl.Framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, gl.Color);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, gl.Depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        glDeleteFramebuffers(1, &gl.Framebuffer);
        gl.Framebuffer = 0;
    }
    glViewport(0, 0, gl.Width, gl.Height);
}

void QxOffscreenWindow::SetClientSize(int width, int height) {
    m_Width = std::max(width, 0);
    m_Height = std::max(height, 0);
    if (m_Gl->Context == EGL_NO_CONTEXT || !m_Gl->Framebuffer) return;
    CurrentScope current(m_Gl->Context);
    if (current.Ok()) ResizeFramebuffer();
}

void QxOffscreenWindow::SetCursorPos(int x, int y) {
    QxSetMousePos(this, x, y);
}

void QxOffscreenWindow::Update() {
    if (!m_Invalid) return;
    m_Invalid = false;
    if (m_Paint) m_Paint();
}

void QxOffscreenWindow::OnTimer(UINT_PTR id) {
    if (m_Timer) m_Timer(id);
}

int QxOffscreenWindow::MakeCurrent() {
    if (m_Gl->Context == EGL_NO_CONTEXT || !m_Gl->Framebuffer) return 0;
    if (!eglMakeCurrent(Egl().Display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_Gl->Context)) return 0;
    glBindFramebuffer(GL_FRAMEBUFFER, m_Gl->Framebuffer);
    glViewport(0, 0, m_Gl->Width, m_Gl->Height);
    return 1;
}

unsigned int QxOffscreenWindow::GetFramebuffer() const {
    return m_Gl->Framebuffer;
}

int QxReadFramePixels(int x, int y, int width, int height, std::vector<std::uint32_t>& pixels) {
    pixels.clear();
    if (width <= 0 || height <= 0 || !eglGetCurrentContext()) return 0;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    GLint packBuffer = 0, alignment = 4, rowLength = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);

    // GL's rows run bottom-up; a window's frame is opaque whatever alpha was drawn.
    pixels.resize(rgba.size() / 4);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = rgba.data() + static_cast<std::size_t>(height - 1 - row) * width * 4;
        std::uint32_t* out = pixels.data() + static_cast<std::size_t>(row) * width;
        for (int column = 0; column < width; ++column, in += 4)
            out[column] = 0xFF000000u | (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    }
    return 1;
}

int QxOffscreenWindow::Present() {
    if (!MakeCurrent()) return 0;
    const int width = std::min(m_Width, m_Gl->Width);
    const int height = std::min(m_Height, m_Gl->Height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_Gl->Framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    QxReadFramePixels(0, 0, width, height, m_Frame);
    m_FrameWidth = width;
    m_FrameHeight = height;
    QxCompositeWindowCanvas(this, m_Frame.data(), width, height);
    return 1;
}

std::uint32_t QxOffscreenWindow::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_FrameWidth || y >= m_FrameHeight) return 0;
    return m_Frame[static_cast<std::size_t>(y) * m_FrameWidth + x];
}

int QxOffscreenWindow::SavePng(const char* path) const {
    if (!path || m_Frame.empty()) return 0;
    std::vector<std::uint8_t> rgba(m_Frame.size() * 4);
    for (std::size_t i = 0; i < m_Frame.size(); ++i) {
        const std::uint32_t p = m_Frame[i];
        rgba[i * 4 + 0] = static_cast<std::uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(p >> 24);
    }
    // Encoded in memory first, then written in one go, so a failed save leaves no partial file.
    std::vector<std::uint8_t> png;
    auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(context)->insert(
            static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &png, m_FrameWidth, m_FrameHeight, 4, rgba.data(), m_FrameWidth * 4))
        return 0;
    return QxReplaceFileStream(path, [&png](std::FILE* file) {
               return std::fwrite(png.data(), 1, png.size(), file) == png.size();
           }) == QX_REPLACE_DONE
               ? 1
               : 0;
}
