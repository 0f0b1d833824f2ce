#pragma once

#include <QtGlobal>

#include <list>
#include <memory>

class BundleArchive;

// Keeps the opened archives of secured bundles within a memory budget, shared by the bundles
// of one scan. Once the archives kept pass the budget together, the least recently used are
// dropped (never the one just kept), and their bundles open them again when next asked. So a
// bundle that only had its manifest read does not hold its decoded content for the host's
// whole life.
class ArchiveCache
{
public:
    explicit ArchiveCache(qint64 budget);
    ~ArchiveCache();

    // The archive kept for owner, now the most recently used; null when it was dropped.
    BundleArchive *find(const void *owner);
    // Keeps archive for owner, in place of any earlier one, and drops others to fit.
    BundleArchive *insert(const void *owner, std::unique_ptr<BundleArchive> archive);
    void remove(const void *owner);

private:
    Q_DISABLE_COPY(ArchiveCache)

    struct Item
    {
        const void *owner;
        std::unique_ptr<BundleArchive> archive;
    };

    const qint64 m_budget;
    std::list<Item> m_items;   // most recently used first
};
