#include "platform/data/Parameters.h"

#include "platform/data/DatabaseError.h"
#include "platform/rtl/SameText.h"

TParameter* TParameters::FindParam(const QString& name) const
{
    for (const auto& p : items_)
        if (rtl::SameText(p->Name(), name))
            return p.get();
    return nullptr;
}

TParameter* TParameters::ParamByName(const QString& name) const
{
    if (TParameter* p = FindParam(name))
        return p;
    throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

void TParameters::Reset(const QStringList& names)
{
    items_.clear();
    for (const QString& n : names)
        items_.push_back(std::make_unique<TParameter>(n));
}
