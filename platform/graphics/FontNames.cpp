#include "FontNames.h"
#include <QFontDatabase>
#include <QHash>
#include <mutex>

namespace gfx {

namespace {

enum class Kind { Sans, Serif, Mono, Wide };

// Width-compatible replacements first, then a font that is at least installed with the base set.
const char* const kSans[] = {"Liberation Sans", "Arimo", "DejaVu Sans"};
const char* const kSerif[] = {"Liberation Serif", "Tinos", "DejaVu Serif"};
const char* const kMono[] = {"Liberation Mono", "Cousine", "DejaVu Sans Mono"};
const char* const kWide[] = {"DejaVu Sans", "Liberation Sans"};

bool kindOf(const QString& lower, Kind& kind)
{
    static const QHash<QString, Kind> table = {
        {"arial", Kind::Sans}, {"arial cyr", Kind::Sans}, {"helvetica", Kind::Sans},
        {"ms sans serif", Kind::Sans}, {"microsoft sans serif", Kind::Sans}, {"tahoma", Kind::Sans},
        {"ms shell dlg", Kind::Sans}, {"ms shell dlg 2", Kind::Sans}, {"default", Kind::Sans},
        {"system", Kind::Sans}, {"small fonts", Kind::Sans},
        {"times new roman", Kind::Serif}, {"times new roman cyr", Kind::Serif}, {"times", Kind::Serif},
        {"ms serif", Kind::Serif},
        {"courier new", Kind::Mono}, {"courier new cyr", Kind::Mono}, {"courier", Kind::Mono},
        {"fixedsys", Kind::Mono}, {"lucida console", Kind::Mono},
        {"verdana", Kind::Wide},
    };
    auto it = table.constFind(lower);
    if (it == table.constEnd())
        return false;
    kind = *it;
    return true;
}

template <size_t N>
QString firstInstalled(const char* const (&names)[N], const QStringList& families)
{
    for (const char* name : names) {
        if (families.contains(QString::fromLatin1(name), Qt::CaseInsensitive))
            return QString::fromLatin1(name);
    }
    return QString::fromLatin1(names[0]);
}

} // namespace

QString ResolveFontFamily(const QString& faceName)
{
    Kind kind;
    if (!kindOf(faceName.trimmed().toLower(), kind))
        return faceName;
    static std::mutex lock;
    static QHash<int, QString> resolved;
    std::lock_guard guard(lock);
    auto it = resolved.constFind(int(kind));
    if (it != resolved.constEnd())
        return *it;
    const QStringList families = QFontDatabase::families();
    QString family;
    switch (kind) {
    case Kind::Sans: family = firstInstalled(kSans, families); break;
    case Kind::Serif: family = firstInstalled(kSerif, families); break;
    case Kind::Mono: family = firstInstalled(kMono, families); break;
    case Kind::Wide: family = firstInstalled(kWide, families); break;
    }
    resolved.insert(int(kind), family);
    return family;
}

} // namespace gfx
