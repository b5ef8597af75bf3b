#include "common/exclusions.h"

#include "platform/nativepath.h"

#include <QDir>
#include <algorithm>

namespace common {

QString Exclusions::Clean(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

void Exclusions::AddPath(const QString &path)
{
    if (!path.isEmpty())
        m_paths.insert(Clean(path));
}

void Exclusions::AddName(const QString &name)
{
    if (!name.isEmpty())
        m_names.insert(name);
}

void Exclusions::RemovePath(const QString &path)
{
    m_paths.remove(Clean(path));
}

void Exclusions::RemoveName(const QString &name)
{
    m_names.remove(name);
}

bool Exclusions::Add(const QString &value)
{
    if (value.isEmpty())
        return false;
    if (value.contains(QLatin1Char('/')))
        AddPath(value);
    else
        AddName(value);
    return true;
}

QStringList Exclusions::Paths() const
{
    QStringList out(m_paths.cbegin(), m_paths.cend());
    std::sort(out.begin(), out.end());
    return out;
}

QStringList Exclusions::Names() const
{
    QStringList out(m_names.cbegin(), m_names.cend());
    std::sort(out.begin(), out.end());
    return out;
}

platform::ReadSkips Exclusions::ToReadSkips() const
{
    platform::ReadSkips skips;
    QByteArray native;
    for (const QString &p : m_paths) {
        if (platform::detail::ToNative(p, native))
            skips.paths.insert(std::string(native.constData(), size_t(native.size())));
    }
    for (const QString &n : m_names) {
        if (platform::detail::ToNative(n, native))
            skips.names.insert(std::string(native.constData(), size_t(native.size())));
    }
    return skips;
}

} // namespace common
