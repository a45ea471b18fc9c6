#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "qx/graphics/attribute.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

namespace {

using Pixels = std::vector<unsigned char>; // RGBA, top row first

Pixels MakePixels(unsigned int count, unsigned char seed) {
    Pixels p;
    for (unsigned int i = 0; i < count; ++i)
        p.insert(p.end(),
                 {static_cast<unsigned char>(seed + 40 * i), static_cast<unsigned char>(255 - 30 * i),
                  static_cast<unsigned char>(seed * i), static_cast<unsigned char>(255 - i)});
    return p;
}

void Put(std::string& s, unsigned int v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}

// 24-bit BMP: rows bottom-up, BGR, each padded to four bytes; alpha is not stored.
std::string Bmp(unsigned int w, unsigned int h, const Pixels& px) {
    const unsigned int row = (w * 3 + 3) & ~3u;
    std::string s = "BM";
    for (unsigned int v : {54 + row * h, 0u, 54u, 40u, w, h}) Put(s, v, 4);
    Put(s, 1, 2), Put(s, 24, 2);
    for (unsigned int v : {0u, row * h, 2835u, 2835u, 0u, 0u}) Put(s, v, 4);
    for (unsigned int y = h; y-- > 0; s.append(row - w * 3, '\0'))
        for (unsigned int x = 0; x < w; ++x)
            s += {char(px[(y * w + x) * 4 + 2]), char(px[(y * w + x) * 4 + 1]), char(px[(y * w + x) * 4])};
    return s;
}

// Uncompressed 32-bit TGA, top-left origin, BGRA.
std::string Tga(unsigned int w, unsigned int h, const Pixels& px) {
    std::string s("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
    Put(s, w, 2), Put(s, h, 2), Put(s, 0x2820, 2);
    for (std::size_t i = 0; i < px.size(); i += 4)
        s += {char(px[i + 2]), char(px[i + 1]), char(px[i]), char(px[i + 3])};
    return s;
}

Pixels Read(const CQxTexture& t) {
    return t.GetPixels() ? Pixels(t.GetPixels(), t.GetPixels() + t.GetWidth() * t.GetHeight() * 4) : Pixels();
}

class TextureFiles : public ::testing::Test {
protected:
    // Writes a file in the scratch folder, making its folders; returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        fs::create_directories((m_Dir.Path() / name).parent_path());
        return m_Dir.Write(name, bytes);
    }
    std::string Dir(const char* sub) const { return m_Dir.File(sub); }

    QxScratchDir m_Dir;
};

} // namespace

TEST_F(TextureFiles, LoadsEachFormatAsTopDownRgba) {
    const Pixels img = MakePixels(6, 17);
    Pixels opaque = img;
    for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
    Write("a/img.bmp", Bmp(3, 2, img));
    Write("a/img.tga", Tga(3, 2, img));

    CQxTexture t;
    ASSERT_TRUE(t.Load(Dir("a/img.bmp").c_str()));
    EXPECT_EQ(t.GetWidth(), 3u);
    EXPECT_EQ(t.GetHeight(), 2u);
    EXPECT_EQ(Read(t), opaque);
    ASSERT_TRUE(t.Load(Dir("a/img.tga").c_str()));
    EXPECT_EQ(Read(t), img);

    ASSERT_TRUE(t.Load(QxSampleTexture("sample_rgba_4x2.png").c_str()));
    ASSERT_EQ(t.GetWidth() * t.GetHeight(), 8u);
    const Pixels png = Read(t);
    EXPECT_EQ(Pixels(png.begin(), png.begin() + 4), (Pixels{255, 0, 0, 255}));
    EXPECT_EQ(Pixels(png.begin() + 12, png.begin() + 16), (Pixels{255, 255, 255, 128}));
    EXPECT_EQ(png[31], 0); // the last pixel is transparent

    // One colour (200, 80, 40) through a lossy file: every pixel near it.
    ASSERT_TRUE(t.Load(QxSampleTexture("sample_solid_8x8.jpg").c_str()));
    ASSERT_EQ(t.GetWidth(), 8u);
    const Pixels jpg = Read(t);
    unsigned int far = 0;
    for (std::size_t i = 0; i < jpg.size(); i += 4)
        far += std::abs(jpg[i] - 200) > 4 || std::abs(jpg[i + 1] - 80) > 4 || std::abs(jpg[i + 2] - 40) > 4 ||
               jpg[i + 3] != 255;
    EXPECT_EQ(far, 0u);
}

TEST_F(TextureFiles, SearchesAbsoluteThenDirectoryPathThenFileName) {
    Write("first/red.bmp", Bmp(1, 1, MakePixels(1, 1)));
    Write("second/maps/red.bmp", Bmp(2, 1, MakePixels(2, 2)));
    Write("second/red.bmp", Bmp(3, 1, MakePixels(3, 3)));
    const std::string first = Dir("first"), second = Dir("second") + "/";

    CQxTexture t;
    // Directory + path wins over an earlier directory + file name.
    ASSERT_TRUE(t.Load("maps/red.bmp", {first.c_str(), second.c_str()}));
    EXPECT_EQ(t.GetWidth(), 2u);
    EXPECT_EQ(t.GetPath(), "maps/red.bmp");
    EXPECT_EQ(t.GetFoundPath(), (second + "maps/red.bmp").c_str());
    // Among directories the order given counts; a stored Windows path falls back to its name.
    ASSERT_TRUE(t.Load("C:\\work\\red.bmp", {nullptr, "", second.c_str(), first.c_str()}));
    EXPECT_EQ(t.GetWidth(), 3u);
    EXPECT_EQ(t.GetPath(), "C:\\work\\red.bmp");
    // An absolute path that exists is taken as it is.
    ASSERT_TRUE(t.Load((first + "/red.bmp").c_str(), {second.c_str()}));
    EXPECT_EQ(t.GetWidth(), 1u);
    // A relative path is never looked up in the working directory.
    EXPECT_FALSE(t.Load("red.bmp"));

    // Reloading searches again: the file changed on disk.
    ASSERT_TRUE(t.Load("red.bmp", {first.c_str()}));
    const unsigned int revision = t.GetRevision();
    Write("first/red.bmp", Bmp(4, 1, MakePixels(4, 4)));
    ASSERT_TRUE(t.Reload({first.c_str()}));
    EXPECT_EQ(t.GetWidth(), 4u);
    EXPECT_NE(t.GetRevision(), revision);
}

TEST_F(TextureFiles, FailedLoadKeepsThePathAndDropsTheImage) {
    Write("ok.bmp", Bmp(2, 2, MakePixels(4, 5)));
    Write("broken.png", "\x89PNG\r\n\x1a\n this is not an image");
    Write("empty.tga", "");
    fs::create_directories(Dir("dir.bmp"));
    // Files cut short; a Huffman table claiming 257 symbols, which would overrun the decoder's tables.
    const std::string png = QxScratchDir::Read(QxSampleTexture("sample_rgba_4x2.png"));
    std::string jpeg = QxScratchDir::Read(QxSampleTexture("sample_solid_8x8.jpg"));
    Write("half.png", png.substr(0, png.size() / 2));
    Write("half.jpg", jpeg.substr(0, jpeg.size() / 2));
    const std::size_t dht = jpeg.find("\xFF\xC4");
    ASSERT_NE(dht, std::string::npos);
    jpeg[dht + 5 + 14] = char(2), jpeg[dht + 5 + 15] = char(255);
    Write("huge_table.jpg", jpeg);
    const std::string dir = Dir("");

    CQxTextureStage stage;
    for (const char* path :
         {"missing.bmp", "broken.png", "empty.tga", "dir.bmp", "huge_table.jpg", "half.jpg", "half.png"}) {
        ASSERT_TRUE(stage.Load("ok.bmp", {dir.c_str()}));
        EXPECT_FALSE(stage.Load(path, {dir.c_str()})) << path;
        EXPECT_EQ(stage.GetPath(), path);
        EXPECT_FALSE(stage.IsLoaded());
        EXPECT_EQ(stage.Texture().GetPixels(), nullptr);
        EXPECT_EQ(stage.Texture().GetWidth(), 0u);
    }
    EXPECT_FALSE(stage.Load(nullptr, {dir.c_str()}));
    EXPECT_FALSE(stage.Load("", {dir.c_str()}));

    // A failing reload reports the stage but keeps it and its path.
    CQxAttribute attribute("Material1");
    attribute.AddTextureStage(new CQxTextureStage(QX_COLOR_OP_MODULATE));
    attribute.AddTextureStage(new CQxTextureStage());
    ASSERT_TRUE(attribute.GetTextureStage(0)->Load("ok.bmp", {dir.c_str()}));
    attribute.GetTextureStage(1)->Texture().SetPath("gone.png");
    EXPECT_EQ(attribute.ReloadTextures({dir.c_str()}), 1u);
    EXPECT_EQ(attribute.GetTextureStageCount(), 2u);
    EXPECT_EQ(attribute.GetTextureStage(1)->GetPath(), "gone.png");
    EXPECT_EQ(attribute.GetTexture(), &attribute.GetTextureStage(0)->Texture());
}

TEST_F(TextureFiles, DecoderFollowsTheContentNotTheName) {
    Write("png.jpg", QxScratchDir::Read(QxSampleTexture("sample_rgba_4x2.png")));
    Write("jpg.tga", QxScratchDir::Read(QxSampleTexture("sample_solid_8x8.jpg")));
    Write("bmp.png", Bmp(2, 1, MakePixels(2, 7)));

    CQxTexture t;
    ASSERT_TRUE(t.Load(Dir("png.jpg").c_str()));
    EXPECT_EQ(Read(t)[31], 0); // the PNG's transparent last pixel
    ASSERT_TRUE(t.Load(Dir("jpg.tga").c_str()));
    EXPECT_EQ(t.GetWidth() * t.GetHeight(), 64u);
    EXPECT_LE(std::abs(Read(t)[0] - 200), 4);
    ASSERT_TRUE(t.Load(Dir("bmp.png").c_str()));
    EXPECT_EQ(Read(t)[4], MakePixels(2, 7)[4]);
}

TEST_F(TextureFiles, AttributeCopiesAreIndependent) {
    Write("t.tga", Tga(2, 2, MakePixels(4, 9)));
    auto* original = new CQxAttribute("Skin");
    original->ColorMaterial().Init(0xFF102030, 0.5f, 0.25f, 0.125f, 0.75f, 12.0f);
    auto* stage =
        new CQxTextureStage(QX_COLOR_OP_ADD, QX_ALPHA_OP_MODULATE, QX_FILTER_POINT, QX_FILTER_LINEAR);
    ASSERT_TRUE(original->AddTextureStage(stage));
    ASSERT_TRUE(stage->Load("t.tga", {Dir("").c_str()}));

    CQxAttribute copy(*original), assigned;
    assigned = *original;
    original->SetName("Other");
    original->ColorMaterial().Diffuse() = 0.0f;
    stage->SetColorOp(QX_COLOR_OP_BUMP);
    stage->Texture().Unload();
    original->AddTextureStage(new CQxTextureStage());
    delete original; // the copies' pixels outlive the stage they came from

    for (const CQxAttribute* a : {&copy, &assigned}) {
        EXPECT_STREQ(a->GetName(), "Skin");
        EXPECT_EQ(a->ColorMaterial(), CQxColorMaterial(0xFF102030, 0.5f, 0.25f, 0.125f, 0.75f, 12.0f));
        ASSERT_EQ(a->GetTextureStageCount(), 1u);
        const CQxTextureStage* kept = a->GetTextureStage(0);
        EXPECT_EQ(kept->GetColorOp(), QX_COLOR_OP_ADD);
        EXPECT_EQ(kept->GetAlphaOp(), QX_ALPHA_OP_MODULATE);
        EXPECT_EQ(kept->GetMinFilter(), QX_FILTER_POINT);
        EXPECT_EQ(Read(kept->Texture()), MakePixels(4, 9));
    }
}

TEST(TextureOps, NamesRoundTripAndUnknownNamesChangeNothing) {
    for (unsigned int i = 0; i < QX_COLOR_OP_COUNT; ++i) {
        QX_COLOR_OP_TYPE op = QX_COLOR_OP_DISABLE;
        EXPECT_TRUE(QxFindColorOp(QxGetColorOpName(static_cast<QX_COLOR_OP_TYPE>(i)), op) && op == i) << i;
    }
    for (unsigned int i = 0; i < QX_ALPHA_OP_COUNT; ++i) {
        QX_ALPHA_OP_TYPE op = QX_ALPHA_OP_DISABLE;
        EXPECT_TRUE(QxFindAlphaOp(QxGetAlphaOpName(static_cast<QX_ALPHA_OP_TYPE>(i)), op) && op == i) << i;
    }
    EXPECT_EQ(QxGetColorOpName(static_cast<QX_COLOR_OP_TYPE>(QX_COLOR_OP_COUNT)), nullptr);
    EXPECT_STREQ(QxGetColorOpName(QX_COLOR_OP_SUBTRACT_CURRENT), "SubCur");
    EXPECT_STREQ(QxGetAlphaOpName(QX_ALPHA_OP_SUBTRACT_CURRENT), "SubCurrent");

    // Each list keeps its own spelling; a name of the other list or of another case is unknown.
    CQxTextureStage stage(QX_COLOR_OP_MODULATE, QX_ALPHA_OP_CURRENT);
    for (const char* name : {"Modulate2X", "tex", "Bump ", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(stage.SetColorOp(name));
    for (const char* name : {"Mod2X", "Bump"}) EXPECT_FALSE(stage.SetAlphaOp(name)) << name;
    EXPECT_FALSE(stage.SetColorOp(static_cast<QX_COLOR_OP_TYPE>(15)));
    EXPECT_EQ(stage.GetColorOp(), QX_COLOR_OP_MODULATE);
    EXPECT_EQ(stage.GetAlphaOp(), QX_ALPHA_OP_CURRENT);
    EXPECT_TRUE(stage.SetColorOp("Mod2X") && stage.SetAlphaOp("Modulate4X"));
    EXPECT_EQ(stage.GetColorOp(), QX_COLOR_OP_MODULATE2X);
    EXPECT_EQ(stage.GetAlphaOp(), QX_ALPHA_OP_MODULATE4X);
}

TEST(Color, PackedValuesAndMaterialLights) {
    CQxColor c(0x80FF4010ul);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_EQ(c.GetRgb(), 0xFF4010ul);
    c.SetRgb(0xAA123456ul); // alpha stays
    EXPECT_EQ(c.GetArgb(), 0x80123456ul);
    c[2] = 2.0f; // out of range clamps when packed
    c.g = -1.0f;
    EXPECT_EQ(c.GetArgb(), 0x801200FFul);

    CQxColorMaterial m(0x40804020, 0.5f, 0.25f, 1.0f, 0.5f, 8.0f);
    EXPECT_EQ(m.GetDiffuseColor().GetArgb(), 0x40402010ul);
    EXPECT_EQ(m.GetAmbientColor().GetArgb(), 0x40201008ul);
    EXPECT_EQ(m.GetSpecularColor().GetArgb(), 0x40808080ul);
}
