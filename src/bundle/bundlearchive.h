#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <memory>

class QBuffer;
class QuaZip;

// A zip archive held in memory whose directory is read and checked once, when it is made.
// The archive is refused as a whole when an entry name cannot be read whole or is longer than
// BundleLimits::MaxNameLength, when two names are equal ignoring case, when an entry holds
// more than BundleLimits::MaxEntrySize or all together more than BundleLimits::MaxBundleSize.
// Reads never go past the size the directory declares.
class BundleArchive
{
public:
    // Keeps a shallow copy of the zip bytes.
    explicit BundleArchive(const QByteArray &zip);
    ~BundleArchive();

    bool isOpen() const { return m_error.isNull(); }
    // Whether the bytes are a zip archive at all; one that is can still be refused.
    bool isZip() const { return m_isZip; }
    // Why the archive was refused, such as "entry name 'a.js' occurs twice".
    QString errorString() const { return m_error; }

    // The bytes the archive keeps in memory.
    qint64 byteSize() const { return m_bytes.size(); }
    int count() const { return m_entries.size(); }
    QString name(int index) const { return m_entries.at(index).name; }
    // The entry of a name, compared ignoring case; -1 when there is none.
    int indexOf(const QString &name) const;
    // All bytes of an entry. When it cannot be read whole: an empty array, and *error says
    // why; otherwise *error is left as it was.
    QByteArray read(int index, QString *error) const;

private:
    Q_DISABLE_COPY(BundleArchive)

    struct Entry
    {
        QString name;
        qint64 size = 0;
        quint64 directoryOffset = 0;   // where the entry's directory record starts
        quint64 fileNumber = 0;
    };

    QString open();
    QString readEntry(int number, Entry *entry) const;

    QByteArray m_bytes;
    std::unique_ptr<QBuffer> m_buffer;
    std::unique_ptr<QuaZip> m_zip;
    QVector<Entry> m_entries;
    QHash<QString, int> m_index;   // case-folded name → entry
    bool m_isZip = true;
    QString m_error;
};
