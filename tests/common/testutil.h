#pragma once
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testutil {

// A fresh folder removed when the object goes; fails the test when it cannot be made.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
private:
    QTemporaryDir dir_;
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);




} // namespace testutil
