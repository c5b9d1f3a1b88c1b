#include "vcl/Resources.h"

#include "vcl/System.h"

namespace vcl {

namespace {
bool SameName(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}
} // namespace

const TResourceEntry* TResourceTable::Find(std::string_view Name) const noexcept
{
    for (size_t i = 0; i < Count; ++i)
        if (SameName(Entries[i].Name, Name)) return &Entries[i];
    return nullptr;
}

const TResourceEntry& TResourceTable::Get(std::string_view Name) const
{
    if (const TResourceEntry* e = Find(Name)) return *e;
    throw EResNotFound("Resource " + std::string(Name) + " not found");
}

} // namespace vcl
