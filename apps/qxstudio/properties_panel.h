#pragma once

#include <QWidget>

#include <array>

class CQxObject;
class CQxScene;
class QCheckBox;
class QColor;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// The selected object's properties (name, pivot, scale, rotation, translation, visibility,
// lock, subdivision, its model's materials) and the numeric entry of the current tool. Every
// edit is a command of the scene; the fields show what the scene says after it.
class QxStudioPropertiesPanel : public QWidget {
    Q_OBJECT
public:
    explicit QxStudioPropertiesPanel(QWidget* parent = nullptr);

    void SetScene(CQxScene* scene);
    // The selection changed: another object may be shown.
    void ShowSelection();
    // The shown object's values changed.
    void ShowValues();
    // The current tool or its numeric value changed.
    void ShowTool();
    CQxObject* Object() const { return m_Object; }

    QLineEdit* NameEdit() const { return m_Name; }
    QDoubleSpinBox* Field(int row, int axis) const { return m_Vectors[row][axis]; }
    QCheckBox* VisibleBox() const { return m_Visible; }
    QCheckBox* LockedBox() const { return m_Locked; }
    QSpinBox* SubdivisionBox() const { return m_Subdivision; }
    QListWidget* Materials() const { return m_Materials; }
    QPushButton* NewMaterialButton() const { return m_NewMaterial; }
    QPushButton* AssignMaterialButton() const { return m_AssignMaterial; }
    QDoubleSpinBox* NumericField(int axis) const { return m_Numeric[axis]; }
    QPushButton* NumericApply() const { return m_Apply; }

    // The current material of the shown object's model: its colour, or a texture stage added
    // (each a command; false when refused, the library's message then shown).
    bool SetMaterialColour(const QColor& colour);
    bool AddMaterialTexture(const QString& path);

    // Rows of the vector fields.
    enum : int { Translate = 0, Rotate = 1, Scale = 2, Pivot = 3 };

private:
    void BuildObjectFields();
    void BuildToolFields();
    void CommitName();
    void CommitVector(int row);
    void CommitNumeric();
    void BuildMaterialButtons(class QFormLayout* form);
    // A material of the shown object's model was renamed or chosen in the list.
    void OnMaterialChanged(class QListWidgetItem* item);
    void OnMaterialChosen(QListWidgetItem* item);

    CQxScene* m_Scene = nullptr;
    CQxObject* m_Object = nullptr;
    bool m_Showing = false;
    QLabel* m_Kind = nullptr;
    QLineEdit* m_Name = nullptr;
    std::array<std::array<QDoubleSpinBox*, 3>, 4> m_Vectors{};
    QCheckBox* m_Visible = nullptr;
    QCheckBox* m_Locked = nullptr;
    QSpinBox* m_Subdivision = nullptr;
    QListWidget* m_Materials = nullptr;
    QPushButton* m_NewMaterial = nullptr;
    QPushButton* m_AssignMaterial = nullptr;
    QLabel* m_ToolLabel = nullptr;
    std::array<QDoubleSpinBox*, 3> m_Numeric{};
    QPushButton* m_Apply = nullptr;
};
