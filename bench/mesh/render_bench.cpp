// Drawing a large mesh: a UV sphere of 1000 x 500 segments (998,000 triangles) with its face
// outlines, lit, into a 1920 x 1080 offscreen view. Frames are timed with the read-back that
// Present does, and with glFinish alone (what a window on screen would wait for). The floor
// draws the same vertex and index arrays as two plain indexed draws with the least shader that
// lights a face, in the same context: what any renderer pays for these triangles on this GL.
// The label is the GL renderer.

#include <benchmark/benchmark.h>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include <memory>
#include <string>

#include "qx/graphics/attribute.h"
#include "qx/graphics/graphics_context.h"
#include "qx/graphics/mesh.h"
#include "qx/graphics/primitive.h"
#include "qx/platform/offscreen_window.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct RenderScene {
    QxOffscreenWindow window{kWidth, kHeight};
    CQxGraphicsContext view;
    CQxAttribute material{"grey"};
    CQxMesh mesh;
    CQxPrimitive faces;
    CQxPrimitive edges;
    bool ready = false;

    RenderScene() {
        material.ColorMaterial().Init(0xFFC0C0C0, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
        if (!mesh.CreateSphere(0, 2.0f, 1000, 500, &material, 0)) return;
        mesh.UpdateNormals();
        if (!faces.BuildFaces(mesh, &material) || !edges.BuildEdges(mesh)) return;
        if (!window.IsCreated() || view.CreateView(&window, 0, 0) != QX_GRAPHICS_OK) return;
        view.ViewMatrix().SetLookAtR(CQxVector(2.0f, 1.5f, 2.5f), CQxVector(), CQxVector(0, 1, 0));
        view.ProjectionMatrix().SetPerspectiveFovR(0.6f, static_cast<float>(kWidth) / kHeight, 0.5f, 20.0f);
        ready = true;
    }

    int DrawFrame() {
        if (view.BeginScene(0xFF404040) != QX_GRAPHICS_OK) return 0;
        CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
        device.SetAttribute(&material);
        device.SetAmbient(0xFF404040);
        device.SetLight(CQxVector(-2.0f, -1.5f, -2.5f), 0xFFFFFFFF);
        device.EnableLight(1);
        const int ok = faces.Draw() && edges.Draw();
        view.EndScene();
        return ok;
    }
};

// The floor: one program, one vertex array per primitive, uploaded once.
class FloorDraw {
public:
    bool Build(const RenderScene& scene) {
        m_Program = Program();
        if (!m_Program) return false;
        m_Transform = glGetUniformLocation(m_Program, "u_transform");
        Upload(scene.faces, m_Faces);
        Upload(scene.edges, m_Edges);
        return true;
    }
    void Draw(RenderScene& scene) {
        // Every state it relies on is set here, whatever the library's draws left.
        glDepthMask(GL_TRUE);
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glUseProgram(m_Program);
        // The views' depth runs 0..1; GL's clip space -1..1.
        CQxMatrix depthToGl;
        depthToGl.m[2][2] = 2.0f;
        depthToGl.m[3][2] = -1.0f;
        const CQxMatrix transform = scene.view.ViewMatrix() * scene.view.ProjectionMatrix() * depthToGl;
        glUniformMatrix4fv(m_Transform, 1, GL_FALSE, &transform.m[0][0]);
        for (const Buffers* b : {&m_Faces, &m_Edges}) {
            glBindVertexArray(b->Array);
            glDrawElements(b == &m_Faces ? GL_TRIANGLES : GL_LINES, b->Count, GL_UNSIGNED_INT, nullptr);
        }
    }

private:
    struct Buffers {
        GLuint Array = 0, Vertices = 0, Indices = 0;
        GLsizei Count = 0;
    };
    static GLuint Program() {
        const char* vertex = "#version 330 core\n"
                             "layout(location = 0) in vec3 p; layout(location = 1) in vec3 n;\n"
                             "uniform mat4 u_transform; out float light;\n"
                             "void main() { light = max(dot(n, vec3(0.6, 0.45, 0.66)), 0.0);\n"
                             "  gl_Position = u_transform * vec4(p, 1.0); }\n";
        const char* fragment = "#version 330 core\n in float light; out vec4 c;\n"
                               "void main() { c = vec4(vec3(0.25 + 0.75 * light), 1.0); }\n";
        const GLuint program = glCreateProgram();
        for (auto [type, text] : {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment}}) {
            const GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &text, nullptr);
            glCompileShader(shader);
            glAttachShader(program, shader);
        }
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        return linked ? program : 0;
    }
    static void Upload(const CQxPrimitive& primitive, Buffers& b) {
        glGenVertexArrays(1, &b.Array);
        glBindVertexArray(b.Array);
        glGenBuffers(1, &b.Vertices);
        glBindBuffer(GL_ARRAY_BUFFER, b.Vertices);
        glBufferData(GL_ARRAY_BUFFER, primitive.GetVertexCount() * sizeof(CQxPrimitiveVertex),
                     primitive.GetVertices(), GL_STATIC_DRAW);
        glGenBuffers(1, &b.Indices);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.Indices);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, primitive.GetIndexCount() * sizeof(unsigned int),
                     primitive.GetIndices(), GL_STATIC_DRAW);
        constexpr GLsizei stride = sizeof(CQxPrimitiveVertex);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, Position)));
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offsetof(CQxPrimitiveVertex, Normal)));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        b.Count = static_cast<GLsizei>(primitive.GetIndexCount());
    }

    GLuint m_Program = 0;
    GLint m_Transform = -1;
    Buffers m_Faces, m_Edges;
};

RenderScene& Scene() {
    static auto scene = std::make_unique<RenderScene>();
    return *scene;
}

void Run(benchmark::State& state, bool present) {
    RenderScene& scene = Scene();
    if (!scene.ready) {
        state.SkipWithError("no OpenGL context or the mesh could not be built");
        return;
    }
    scene.DrawFrame(); // first upload outside the timing
    glFinish();
    for (auto _ : state) {
        if (!scene.DrawFrame()) {
            state.SkipWithError("drawing failed");
            break;
        }
        if (present) {
            scene.view.Present();
        } else {
            glFinish();
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = scene.faces.GetPrimitiveCount();
    state.SetLabel(CQxGraphics::Instance().GetDevice().GetRendererName());
}

void BM_RenderSphereWithEdgesPresent(benchmark::State& state) {
    Run(state, true);
}
void BM_RenderSphereWithEdgesFinish(benchmark::State& state) {
    Run(state, false);
}

void BM_RenderSphereWithEdgesFloor(benchmark::State& state) {
    RenderScene& scene = Scene();
    FloorDraw floor;
    if (!scene.ready || scene.view.BeginScene(0xFF404040) != QX_GRAPHICS_OK || !floor.Build(scene)) {
        state.SkipWithError("no OpenGL context, no mesh, or the floor's shaders did not build");
        return;
    }
    scene.view.EndScene();
    // Framed as the library's frames are: begin (which makes the context current), draw, end.
    const auto frame = [&] {
        if (scene.view.BeginScene(0xFF404040) != QX_GRAPHICS_OK) return false;
        floor.Draw(scene);
        scene.view.EndScene();
        glFinish();
        return true;
    };
    frame();
    for (auto _ : state) {
        if (!frame()) {
            state.SkipWithError("drawing failed");
            break;
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The CPU side of a drag: positions refreshed in place, then uploaded by the next draw.
void BM_UpdateFacePositions(benchmark::State& state) {
    RenderScene& scene = Scene();
    for (auto _ : state) benchmark::DoNotOptimize(scene.faces.UpdatePositions(scene.mesh));
}

void BM_BuildFaces(benchmark::State& state) {
    RenderScene& scene = Scene();
    CQxPrimitive faces;
    for (auto _ : state) benchmark::DoNotOptimize(faces.BuildFaces(scene.mesh, &scene.material));
}

} // namespace

BENCHMARK(BM_RenderSphereWithEdgesPresent)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderSphereWithEdgesFinish)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RenderSphereWithEdgesFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateFacePositions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFaces)->Unit(benchmark::kMillisecond);
