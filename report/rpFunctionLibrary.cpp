#include "report/rpFunctionLibrary.h"

#include <algorithm>

void TrpFunctionLibrary::AddFunction(const QString& name)
{
    const QString upper = name.toUpper();
    const auto it = std::lower_bound(list_.begin(), list_.end(), upper);
    if (it == list_.end() || *it != upper)
        list_.insert(it, upper);
}

bool TrpFunctionLibrary::OnFunction(const QString& fName, const QVariant& p1, const QVariant& p2, const QVariant& p3,
                                    QString& value)
{
    const QString upper = fName.toUpper();
    const auto it = std::lower_bound(list_.begin(), list_.end(), upper);
    if (it == list_.end() || *it != upper)
        return false;
    DoFunction(int(it - list_.begin()), p1, p2, p3, value);
    return true;
}
