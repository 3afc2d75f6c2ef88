#pragma once
// A stream over a blob field's bytes. Read mode starts with the field's bytes; in write mode what was
// written becomes the field's value when the stream is closed or destroyed (the data set must be in
// Edit or Insert).
#include <QBuffer>

class TField;

class TBlobStream : public QBuffer {
    Q_OBJECT
public:
    TBlobStream(TField* field, bool write);
    ~TBlobStream() override;
    void close() override;

private:
    void Commit();
    TField* field_;
    bool write_;
    bool committed_ = false;
};
