#include "properties_panel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cfloat>
#include <numbers>

#include "qx/commands/material_cmds.h"
#include "qx/commands/object_cmds.h"
#include "qx/graphics/attribute.h"
#include "qx/scene/scene.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

QDoubleSpinBox* NumberField() {
    auto* field = new QDoubleSpinBox;
    field->setRange(-1e9, 1e9);
    field->setDecimals(3);
    field->setKeyboardTracking(false);
    // Narrow fields, so three fit in a row beside the views.
    field->setButtonSymbols(QAbstractSpinBox::NoButtons);
    field->setMinimumWidth(50);
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return field;
}

// The first selected object of the tree, in tree order.
CQxObject* FirstSelected(CQxScene& scene) {
    for (CQxObject::Iterator it = scene.RootModel().Begin(); !it.IsEnd(); ++it)
        if (it.Get() != &scene.RootModel() && it.Get()->IsSelect()) return it.Get();
    return nullptr;
}

const char* const kToolNames[] = {"None",    "Select",       "Scale",    "Rotate",       "Move",
                                  "Extrude", "Face",         "Material", "Smooth shade", "Flat shade",
                                  "UV map",  "Select A",     "Select B", "Select C",     "Play",
                                  "Joint",   "Weight paint", "IK handle"};

} // namespace

QxStudioPropertiesPanel::QxStudioPropertiesPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("Properties");
    auto* layout = new QVBoxLayout(this);
    BuildObjectFields();
    BuildToolFields();
    layout->addWidget(findChild<QGroupBox*>("ObjectGroup"));
    layout->addWidget(findChild<QGroupBox*>("ToolGroup"));
    layout->addStretch();
    ShowSelection();
}

void QxStudioPropertiesPanel::BuildObjectFields() {
    auto* group = new QGroupBox(tr("Object"), this);
    group->setObjectName("ObjectGroup");
    auto* form = new QFormLayout(group);
    m_Kind = new QLabel;
    form->addRow(tr("Kind"), m_Kind);
    m_Name = new QLineEdit;
    m_Name->setObjectName("NameEdit");
    form->addRow(tr("Name"), m_Name);
    connect(m_Name, &QLineEdit::editingFinished, this, &QxStudioPropertiesPanel::CommitName);
    const QString rows[] = {tr("Translate"), tr("Rotate (°)"), tr("Scale"), tr("Pivot")};
    for (int row = 0; row < 4; ++row) {
        auto* line = new QHBoxLayout;
        for (int axis = 0; axis < 3; ++axis) {
            m_Vectors[row][axis] = NumberField();
            line->addWidget(m_Vectors[row][axis]);
            connect(m_Vectors[row][axis], &QDoubleSpinBox::valueChanged, this,
                    [this, row] { CommitVector(row); });
        }
        form->addRow(rows[row], line);
    }
    m_Visible = new QCheckBox(tr("Visible"));
    m_Locked = new QCheckBox(tr("Locked"));
    auto* flags = new QHBoxLayout;
    flags->addWidget(m_Visible);
    flags->addWidget(m_Locked);
    form->addRow(flags);
    connect(m_Visible, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_Showing && m_Object) m_Scene->SetObjectVisibleCmd(m_Object, on ? 1 : 0, 1);
    });
    connect(m_Locked, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_Showing && m_Object) m_Scene->SetObjectLockedCmd(m_Object, on ? 1 : 0, 1);
    });
    m_Subdivision = new QSpinBox;
    m_Subdivision->setRange(0, 4);
    m_Subdivision->setKeyboardTracking(false);
    form->addRow(tr("Subdivision"), m_Subdivision);
    connect(m_Subdivision, &QSpinBox::valueChanged, this, [this](int level) {
        if (!m_Showing && m_Object) m_Scene->SetSubdivisionCmd(m_Object, static_cast<unsigned int>(level), 1);
    });
    m_Materials = new QListWidget;
    m_Materials->setObjectName("Materials");
    m_Materials->setMaximumHeight(100);
    m_Materials->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    form->addRow(tr("Materials"), m_Materials);
    connect(m_Materials, &QListWidget::itemChanged, this, &QxStudioPropertiesPanel::OnMaterialChanged);
    connect(m_Materials, &QListWidget::itemClicked, this, &QxStudioPropertiesPanel::OnMaterialChosen);
    BuildMaterialButtons(form);
}

void QxStudioPropertiesPanel::BuildMaterialButtons(QFormLayout* form) {
    m_NewMaterial = new QPushButton(tr("New"));
    m_AssignMaterial = new QPushButton(tr("Assign to Selection"));
    auto* colour = new QPushButton(tr("Colour..."));
    colour->setObjectName("MaterialColour");
    auto* texture = new QPushButton(tr("Texture..."));
    texture->setObjectName("MaterialTexture");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_NewMaterial);
    buttons->addWidget(m_AssignMaterial);
    form->addRow(buttons);
    auto* look = new QHBoxLayout;
    look->addWidget(colour);
    look->addWidget(texture);
    form->addRow(look);
    connect(colour, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(Qt::white, this, tr("Material Colour"));
        if (chosen.isValid()) SetMaterialColour(chosen);
    });
    connect(texture, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Texture"), {},
                                                          tr("Images (*.png *.jpg *.jpeg *.bmp *.tga)"));
        if (!path.isEmpty()) AddMaterialTexture(path);
    });
    connect(m_NewMaterial, &QPushButton::clicked, this, [this] {
        if (m_Object && m_Object->GetModel()) m_Scene->CreateAttributeCmd(m_Object->GetModel(), 1);
    });
    // The model's current material goes onto the selected faces (every face of a whole mesh).
    connect(m_AssignMaterial, &QPushButton::clicked, this, [this] {
        if (m_Object) m_Scene->SetAttributeSelectsCmd(1);
    });
}

bool QxStudioPropertiesPanel::SetMaterialColour(const QColor& colour) {
    CQxModel* model = m_Object ? m_Object->GetModel() : nullptr;
    if (!model || !model->CurAttribute()) return false;
    unsigned long rgb = (static_cast<unsigned long>(colour.red()) << 16) |
                        (static_cast<unsigned long>(colour.green()) << 8) | static_cast<unsigned long>(colour.blue());
    return m_Scene->ModifyAttributeCmd(QX_MODIFY_MATERIAL_COLOR, model, model->CurAttribute(), &rgb, 1) != 0;
}

bool QxStudioPropertiesPanel::AddMaterialTexture(const QString& path) {
    CQxModel* model = m_Object ? m_Object->GetModel() : nullptr;
    if (!model || !model->CurAttribute()) return false;
    // The texture modulates the material's colour, as a first stage usually does.
    return m_Scene->AddTextureCmd(model, model->CurAttribute(), path.toUtf8().constData(), QX_COLOR_OP_MODULATE,
                                  QX_ALPHA_OP_MODULATE, 1) != 0;
}

void QxStudioPropertiesPanel::OnMaterialChanged(QListWidgetItem* item) {
    CQxModel* model = m_Object ? m_Object->GetModel() : nullptr;
    if (m_Showing || !model) return;
    CQxAttribute* attribute = model->GetAttribute(static_cast<unsigned int>(m_Materials->row(item)));
    QByteArray name = item->text().toUtf8();
    if (!attribute || name == QByteArray(attribute->GetName())) return;
    if (name.isEmpty() ||
        !m_Scene->ModifyAttributeCmd(QX_MODIFY_MATERIAL_NAME, model, attribute, name.data(), 1))
        ShowValues();
}

void QxStudioPropertiesPanel::OnMaterialChosen(QListWidgetItem* item) {
    CQxModel* model = m_Object ? m_Object->GetModel() : nullptr;
    if (m_Showing || !model) return;
    m_Scene->SetCurAttribute(model, model->GetAttribute(static_cast<unsigned int>(m_Materials->row(item))),
                             1);
}

void QxStudioPropertiesPanel::BuildToolFields() {
    auto* group = new QGroupBox(tr("Numeric entry"), this);
    group->setObjectName("ToolGroup");
    auto* form = new QFormLayout(group);
    m_ToolLabel = new QLabel;
    form->addRow(tr("Tool"), m_ToolLabel);
    auto* line = new QHBoxLayout;
    for (int axis = 0; axis < 3; ++axis) {
        m_Numeric[axis] = NumberField();
        line->addWidget(m_Numeric[axis]);
    }
    form->addRow(tr("Value"), line);
    m_Apply = new QPushButton(tr("Apply"));
    form->addRow(m_Apply);
    connect(m_Apply, &QPushButton::clicked, this, &QxStudioPropertiesPanel::CommitNumeric);
}

void QxStudioPropertiesPanel::SetScene(CQxScene* scene) {
    m_Scene = scene;
    ShowSelection();
    ShowTool();
}

void QxStudioPropertiesPanel::ShowSelection() {
    m_Object = m_Scene ? FirstSelected(*m_Scene) : nullptr;
    findChild<QGroupBox*>("ObjectGroup")->setEnabled(m_Object != nullptr);
    ShowValues();
}

void QxStudioPropertiesPanel::ShowValues() {
    m_Showing = true;
    if (!m_Object) {
        m_Kind->clear();
        m_Name->clear();
        m_Materials->clear();
        m_Showing = false;
        return;
    }
    m_Kind->setText(QString::fromUtf8(m_Object->GetTypeName()));
    if (!m_Name->hasFocus()) m_Name->setText(QString::fromUtf8(m_Object->GetName()));
    const CQxVector angle = m_Object->Angle();
    const CQxVector vectors[] = {m_Object->Translate(), angle / kDegree, m_Object->Scale(),
                                 m_Object->Pivot()};
    for (int row = 0; row < 4; ++row) {
        m_Vectors[row][0]->setValue(vectors[row].x);
        m_Vectors[row][1]->setValue(vectors[row].y);
        m_Vectors[row][2]->setValue(vectors[row].z);
    }
    m_Visible->setChecked(m_Object->IsVisible() != 0);
    m_Locked->setChecked(m_Object->IsLocked() != 0);
    m_Subdivision->setValue(static_cast<int>(m_Object->SubdivisionLevel()));
    m_Materials->clear();
    if (const CQxModel* model = m_Object->GetModel())
        for (unsigned int i = 0; i < model->GetAttributeCount(); ++i) {
            const CQxAttribute* attribute = model->GetAttribute(i);
            auto* item = new QListWidgetItem(QString::fromUtf8(attribute->GetName()), m_Materials);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            if (attribute == model->CurAttribute()) m_Materials->setCurrentItem(item);
        }
    m_Showing = false;
}

void QxStudioPropertiesPanel::ShowTool() {
    if (!m_Scene) return;
    CQxToolManager& tools = m_Scene->ToolManager();
    const unsigned int tool = tools.GetCurTool();
    m_ToolLabel->setText(tool < std::size(kToolNames) ? tr(kToolNames[tool]) : QString::number(tool));
    const bool numeric = tools.GetCurToolObject() && tools.IsNumericalEnable() &&
                         tools.GetNumericalType() != QX_NUMERICAL_NONE;
    for (QDoubleSpinBox* field : m_Numeric) field->setEnabled(numeric);
    m_Apply->setEnabled(numeric);
    CQxVector value;
    if (numeric && tools.GetNumericalValue(value)) {
        const QSignalBlocker b0(m_Numeric[0]), b1(m_Numeric[1]), b2(m_Numeric[2]);
        m_Numeric[0]->setValue(value.x);
        m_Numeric[1]->setValue(value.y);
        m_Numeric[2]->setValue(value.z);
    }
}

void QxStudioPropertiesPanel::CommitName() {
    if (m_Showing || !m_Object) return;
    QByteArray name = m_Name->text().toUtf8();
    if (name.isEmpty() || name == QByteArray(m_Object->GetName())) return;
    if (!m_Scene->ModifyObjectCmd(QX_MODIFY_NAME, m_Object, name.data(), 1)) ShowValues();
}

void QxStudioPropertiesPanel::CommitVector(int row) {
    if (m_Showing || !m_Object) return;
    CQxVector value(static_cast<float>(m_Vectors[row][0]->value()),
                    static_cast<float>(m_Vectors[row][1]->value()),
                    static_cast<float>(m_Vectors[row][2]->value()));
    static constexpr QX_MODIFY_TYPE kTypes[] = {QX_MODIFY_TRANSLATE, QX_MODIFY_ANGLE, QX_MODIFY_SCALE,
                                                QX_MODIFY_PIVOT};
    if (row == Rotate) value = value * kDegree;
    if (!m_Scene->ModifyObjectCmd(kTypes[row], m_Object, &value, 1)) ShowValues();
}

void QxStudioPropertiesPanel::CommitNumeric() {
    if (!m_Scene) return;
    CQxToolManager& tools = m_Scene->ToolManager();
    if (!tools.GetCurToolObject()) return;
    tools.SetNumericalValue(CQxVector(static_cast<float>(m_Numeric[0]->value()),
                                      static_cast<float>(m_Numeric[1]->value()),
                                      static_cast<float>(m_Numeric[2]->value())));
}
