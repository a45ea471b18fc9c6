#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "qx/commands/object_cmds.h"
#include "qx/commands/tree_cmd.h"
#include "qx/graphics/attribute.h"

class CQxModel;
class CQxScene;
class CQxSelects;

// What an attribute change touches (the change kinds of the attribute command, also the detail
// of the host's "attribute changed" notification). They share the object kinds' numbers.
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_COLOR = QX_MODIFY_TYPE(1);   // unsigned long RGB
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_DIFFUSE = QX_MODIFY_TYPE(2); // float
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_AMBIENT = QX_MODIFY_TYPE(4);
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_EMISSIVE = QX_MODIFY_TYPE(8);
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_ALPHA = QX_MODIFY_TYPE(16);
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_SPECULAR = QX_MODIFY_TYPE(32);
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_POWER = QX_MODIFY_TYPE(64);
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_TEXTURE = QX_MODIFY_TYPE(128); // a stage added or removed
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_RELOAD = QX_MODIFY_TYPE(256);  // notification only
inline constexpr QX_MODIFY_TYPE QX_MODIFY_MATERIAL_NAME = QX_MODIFY_TYPE(1024);   // zero-terminated text

// A model's attribute, found again by the model's path and the attribute's list position.
// Every create step returns nonzero (or the created attribute) on success; on failure the scene
// is as it was. `update` asks the create step to notify the host; undo and redo always do.

// A new attribute "MaterialN" at the end of the list, made current.
class QX_API CQxCreateAttributeCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_CREATE_MATERIAL; }
    void Redo() override;
    void Undo() override;

    CQxAttribute* Create(CQxModel* model, int update);

private:
    CQxIndexPath m_Path;
    CQxString m_Name;
    std::uint32_t m_PrevCur = 0xFFFFFFFF; // the current attribute before, by position
};

// One attribute or all of a model's, with the faces that used them and their animation.
class QX_API CQxDeleteAttributeCmd : public CQxCmd {
public:
    explicit CQxDeleteAttributeCmd(CQxScene* scene);
    ~CQxDeleteAttributeCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_DELETE_MATERIAL; }
    void Redo() override;
    void Undo() override;

    int Create(CQxModel* model, CQxAttribute* attribute, int update);
    int CreateAll(CQxModel* model, int update);

private:
    struct Entry;
    int Record(CQxModel& model, const std::vector<CQxAttribute*>& attributes, int update);
    void Delete(CQxModel& model);

    CQxIndexPath m_Path;
    std::vector<std::unique_ptr<Entry>> m_Entries; // ascending positions
    std::uint32_t m_Cur = 0xFFFFFFFF;
};

// A change of one attribute: a material value or the name, or its texture stages.
class QX_API CQxAttributeCmd : public CQxCmd {
public:
    explicit CQxAttributeCmd(CQxScene* scene);
    ~CQxAttributeCmd() override;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MATERIAL_ATTRIBUTE; }
    void Redo() override;
    void Undo() override;
    void Exchange(int undo) override;

    // value: an unsigned long RGB for the colour, a zero-terminated text for the name, else a
    // float.
    int CreateModify(QX_MODIFY_TYPE kind, CQxModel* model, CQxAttribute* attribute, const void* value,
                     int update);
    // Texture stages; files are looked up in the application's and the scene's directories.
    int CreateAddTexture(CQxModel* model, CQxAttribute* attribute, const char* path, QX_COLOR_OP_TYPE colorOp,
                         QX_ALPHA_OP_TYPE alphaOp, int update);
    int CreateModifyTexture(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage,
                            const char* path, QX_COLOR_OP_TYPE colorOp, QX_ALPHA_OP_TYPE alphaOp, int update);
    int CreateDeleteTexture(CQxModel* model, CQxAttribute* attribute, CQxTextureStage* stage, int update);
    int CreateDeleteTexturesAll(CQxModel* model, CQxAttribute* attribute, int update);

    QX_MODIFY_TYPE GetKind() const { return m_Kind; }

private:
    enum class Op { Modify, AddTexture, ModifyTexture, DeleteTextures };
    CQxAttribute* Resolve(CQxModel** model = nullptr) const;
    void Record(CQxModel& model, CQxAttribute& attribute, QX_MODIFY_TYPE kind);
    void Notify(CQxModel* model, CQxAttribute* attribute);
    // Builds the added stage again from the file (a message when it no longer loads).
    void AddStage(CQxAttribute& attribute);

    Op m_Op = Op::Modify;
    QX_MODIFY_TYPE m_Kind = QX_MODIFY_NONE;
    CQxIndexPath m_Path;
    std::uint32_t m_Attribute = 0;
    // The value the scene does not hold now (old before undo, new after it).
    CQxColor m_Color;
    float m_Float = 0.0f;
    CQxString m_Name;
    // Texture changes: the stage's position (all bits for every stage), its file and operations,
    // and the stages a delete took out or the stage a modification replaced.
    std::uint32_t m_Stage = 0xFFFFFFFF;
    CQxString m_File;
    QX_COLOR_OP_TYPE m_ColorOp = QX_COLOR_OP_TEXTURE;
    QX_ALPHA_OP_TYPE m_AlphaOp = QX_ALPHA_OP_TEXTURE;
    std::vector<CQxTextureStage> m_Stages;
};

// Moves an attribute in its model's list.
class QX_API CQxMoveAttributeCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_MOVE_MATERIAL; }
    void Exchange(int undo) override;

    // Before the attribute that stands at `to` now; both below the count and different.
    int Create(CQxModel* model, unsigned int from, unsigned int to, int update);

private:
    CQxIndexPath m_Path;
    std::uint32_t m_From = 0;
    std::uint32_t m_To = 0; // where the attribute ended up
};

// Assigns a model's current attribute to the selected faces, or one attribute to one face.
class QX_API CQxSetAttributeCmd : public CQxCmd {
public:
    using CQxCmd::CQxCmd;
    QX_CMD_TYPE GetType() const override { return QX_CMD_SET_MATERIAL; }
    void Redo() override;
    void Undo() override;

    // Records of faces (or whole meshes) of one model; 0 when they span models or no face changes.
    int Create(const CQxSelects& records, int update);
    // 0 when the object is not below the model or the face has the attribute already.
    int CreateFace(CQxModel* model, CQxAttribute* attribute, CQxObject* object, CQxFace* face, int update);

private:
    // An attribute by its model (an index into m_Owners) and position; all bits for none.
    struct Material {
        std::uint32_t Owner = 0xFFFFFFFF;
        std::uint32_t Position = 0xFFFFFFFF;
    };
    struct Entry {
        CQxIndexPath Path;
        std::vector<std::uint32_t> Faces; // ascending positions
        std::vector<Material> Previous;   // each face's attribute before
    };
    // Faces may point to another model's attribute (merged meshes keep theirs): that one
    // comes back too.
    Material Ref(const CQxAttribute* attribute);
    CQxAttribute* Deref(const Material& material) const;
    void Apply(int undo, int update);

    CQxIndexPath m_Path;
    std::uint32_t m_Attribute = 0xFFFFFFFF;
    std::vector<Entry> m_Entries;
    std::vector<CQxIndexPath> m_Owners;
};
