#include "archivecache.h"

#include "bundlearchive.h"

#include <algorithm>

ArchiveCache::ArchiveCache(qint64 budget)
    : m_budget(budget)
{
}

ArchiveCache::~ArchiveCache() = default;

BundleArchive *ArchiveCache::find(const void *owner)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(),
                                 [owner](const Item &item) { return item.owner == owner; });
    if (it == m_items.end())
        return nullptr;
    m_items.splice(m_items.begin(), m_items, it);
    return m_items.front().archive.get();
}

BundleArchive *ArchiveCache::insert(const void *owner, std::unique_ptr<BundleArchive> archive)
{
    remove(owner);
    m_items.push_front(Item{owner, std::move(archive)});
    qint64 total = 0;
    for (const Item &item : m_items)
        total += item.archive->byteSize();
    while (m_items.size() > 1 && total > m_budget) {
        total -= m_items.back().archive->byteSize();
        m_items.pop_back();
    }
    return m_items.front().archive.get();
}

void ArchiveCache::remove(const void *owner)
{
    m_items.remove_if([owner](const Item &item) { return item.owner == owner; });
}
