#include "platform/data/BlobStream.h"

#include "platform/data/Field.h"

TBlobStream::TBlobStream(TField* field, bool write)
    : field_(field), write_(write)
{
    if (write_) {
        open(QIODevice::WriteOnly);
    } else {
        setData(field_->AsBytes());
        open(QIODevice::ReadOnly);
    }
}

TBlobStream::~TBlobStream()
{
    // A destructor must not throw: a failed write is reported by close(), which callers should call.
    try {
        Commit();
    } catch (...) {
    }
}

void TBlobStream::close()
{
    Commit();
    QBuffer::close();
}

void TBlobStream::Commit()
{
    if (!write_ || committed_)
        return;
    committed_ = true;
    field_->SetAsBytes(data());
}
