#include "Graphic.h"
#include <QFile>

namespace gfx {

void TGraphic::SetTransparent(bool on)
{
    if (on == transparent_)
        return;
    transparent_ = on;
    Changed();
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange();
}

void TGraphic::LoadFromStream(QIODevice& stream)
{
    LoadFromBytes(stream.readAll());
}

void TGraphic::SaveToStream(QIODevice& stream) const
{
    const QByteArray bytes = SaveToBytes();
    if (stream.write(bytes) != bytes.size())
        throw EGraphicFile(QStringLiteral("Stream write error"));
}

void TGraphic::LoadFromFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EGraphicFile(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    LoadFromBytes(f.readAll());
}

void TGraphic::SaveToFile(const QString& path) const
{
    const QByteArray bytes = SaveToBytes();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EGraphicFile(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw EGraphicFile(QStringLiteral("Cannot write file \"%1\". %2").arg(path, f.errorString()));
}

} // namespace gfx
