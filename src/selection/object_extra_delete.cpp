#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "qx/scene/object.h"
#include "qx/selection/select.h"

int CQxObject::GetExtraDeleteObjects(const CQxSelects& selects, CQxSelects& out, int deep) const {
    // The input may be the output itself: then its records are copied before `out` changes.
    std::optional<CQxSelects> copy;
    if (&selects == &out) copy.emplace(selects);
    const CQxSelects& input = copy ? *copy : selects;
    std::unordered_map<const CQxObject*, const CQxSelect*> records;
    for (const CQxSelect* select : input.Selects()) records.emplace(select->Object(), select);
    if (copy) out.Clear();

    const unsigned int before = out.GetSize();
    // Pre-order, so a parent is met before its children: once an object goes whole, so does
    // everything below it, whatever records the descendants carry.
    std::unordered_set<const CQxObject*> whole;
    for (Iterator it = Begin(); !it.IsEnd(); ++it) {
        const CQxObject* object = it.Get();
        const auto found = records.find(object);
        const CQxSelect* own = found == records.end() ? nullptr : found->second;
        if ((own && !own->HasComponents()) || (object != this && whole.count(object->GetParent()))) {
            whole.insert(object);
            out.Push(new CQxSelect(object));
        } else if (own) {
            out.Add(*own);
        }
        if (!deep) break;
    }
    return out.GetSize() > before;
}
