#include "platform/xls/XlsApplication.h"

namespace xls {

bool XlsApplication::Open(const QString& path, QString* error)
{
    auto book = std::make_unique<XlsWorkbook>();
    if (!book->Load(path, error))
        return false;
    books_.push_back(std::move(book));
    return true;
}

XlsWorkbook* XlsApplication::Workbook(int index) const
{
    return index >= 1 && index <= Count() ? books_[size_t(index - 1)].get() : nullptr;
}

bool XlsApplication::Close(int index)
{
    if (!Workbook(index))
        return false;
    books_.erase(books_.begin() + (index - 1));
    return true;
}

} // namespace xls
