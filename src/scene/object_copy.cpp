#include "qx/scene/model.h"
#include "qx/scene/object.h"
#include "qx/scene/object_kinds.h"
#include "qx/skeleton/joint.h"

namespace {

// The copy constructor of K when the source is a K; the most derived kinds are tried first.
template <class K>
CQxObject* CopyAs(const CQxObject& source) {
    const auto* kind = dynamic_cast<const K*>(&source);
    return kind ? new K(*kind) : nullptr;
}

} // namespace

CQxObject* CQxObject::NewCopy(const CQxObject& source) {
    if (auto* clone = dynamic_cast<const CQxClone*>(&source)) {
        auto* copy = new CQxClone(*clone);
        // The object part's constructor built graphics as a plain object; a clone draws only
        // its marker.
        copy->UpdateGraphics();
        return copy;
    }
    for (auto copy :
         {&CopyAs<CQxModel>, &CopyAs<CQxJoint>, &CopyAs<CQxGroup>, &CopyAs<CQxGrid>, &CopyAs<CQxAxes>,
          &CopyAs<CQxCube>, &CopyAs<CQxCylinder>, &CopyAs<CQxCone>, &CopyAs<CQxScrObject>})
        if (CQxObject* object = copy(source)) return object;
    return new CQxObject(source);
}
