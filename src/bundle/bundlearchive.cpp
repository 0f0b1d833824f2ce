#include "bundlearchive.h"

#include "bundlelimits.h"

#include <QBuffer>
#include <QTextCodec>

#include <quazip.h>
#include <quazipfile.h>
#include <unzip.h>

namespace {

// General purpose flag: the entry's name is UTF-8.
constexpr uLong Utf8Name = 0x800;

// The zip library does not open an archive without entries: nothing but its end record.
bool isEmptyArchive(const QByteArray &zip)
{
    return zip.size() == 22 && zip.startsWith("PK\x05\x06");
}

// The name exactly as stored; false when its bytes do not convert both ways.
bool decodeName(const QByteArray &raw, uLong flags, QTextCodec *codec, QString *name)
{
    if (raw.contains('\0'))
        return false;
    if (flags & Utf8Name) {
        *name = QString::fromUtf8(raw);
        return name->toUtf8() == raw;
    }
    *name = codec->toUnicode(raw);
    return codec->fromUnicode(*name) == raw;
}

} // namespace

BundleArchive::BundleArchive(const QByteArray &zip)
    : m_bytes(zip)
    , m_buffer(new QBuffer(&m_bytes))
    , m_zip(new QuaZip(m_buffer.get()))
{
    m_error = open();
}

BundleArchive::~BundleArchive() = default;

int BundleArchive::indexOf(const QString &name) const
{
    return m_index.value(name.toCaseFolded(), -1);
}

QByteArray BundleArchive::read(int index, QString *error) const
{
    const Entry &entry = m_entries.at(index);
    // QuaZipFile opens the archive's current entry: any one selects it as the library sees
    // it, then the entry's own directory record is made current.
    const unz64_file_pos position{entry.directoryOffset, entry.fileNumber};
    QuaZipFile file(m_zip.get());
    if (!m_zip->goToFirstFile() || unzGoToFilePos64(m_zip->getUnzFile(), &position) != UNZ_OK
        || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("entry '%1' cannot be opened").arg(entry.name);
        return QByteArray();
    }
    // The library never inflates past the declared size; reading that much and closing
    // checks the CRC.
    const QByteArray bytes = file.read(entry.size);
    file.close();
    if (bytes.size() != entry.size || file.getZipError() != UNZ_OK) {
        *error = QStringLiteral("entry '%1' is damaged").arg(entry.name);
        return QByteArray();
    }
    return bytes;
}

QString BundleArchive::open()
{
    m_buffer->open(QIODevice::ReadOnly);
    if (isEmptyArchive(m_bytes))
        return QString();
    if (!m_zip->open(QuaZip::mdUnzip)) {
        m_isZip = false;
        return QStringLiteral("not a zip archive");
    }

    quint64 total = 0;
    for (bool more = m_zip->goToFirstFile(); more; more = m_zip->goToNextFile()) {
        Entry entry;
        const QString error = readEntry(m_entries.size() + 1, &entry);
        if (!error.isNull())
            return error;
        const QString key = entry.name.toCaseFolded();
        const int previous = m_index.value(key, -1);
        if (previous >= 0 && m_entries.at(previous).name == entry.name)
            return QStringLiteral("entry name '%1' occurs twice").arg(entry.name);
        if (previous >= 0) {
            return QStringLiteral("entry names '%1' and '%2' differ only in case")
                .arg(m_entries.at(previous).name, entry.name);
        }
        m_index.insert(key, m_entries.size());
        m_entries.append(entry);
        total += quint64(entry.size);
    }
    if (m_zip->getZipError() != UNZ_OK)
        return QStringLiteral("damaged zip archive");
    if (total > quint64(BundleLimits::MaxBundleSize)) {
        return QStringLiteral("its entries hold %1 bytes together, over the limit of %2")
            .arg(total)
            .arg(BundleLimits::limitText(BundleLimits::MaxBundleSize));
    }
    return QString();
}

// Reads the current entry's directory record; the number (from 1) names it while its name
// is not known.
QString BundleArchive::readEntry(int number, Entry *entry) const
{
    unzFile zip = m_zip->getUnzFile();
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return QStringLiteral("damaged zip archive");
    if (info.size_filename > uLong(BundleLimits::MaxNameLength)) {
        return QStringLiteral("the name of entry %1 is %2 bytes long, over the limit of %3 bytes")
            .arg(number)
            .arg(info.size_filename)
            .arg(BundleLimits::MaxNameLength);
    }
    QByteArray raw(int(info.size_filename), Qt::Uninitialized);
    unz64_file_pos position;
    if (unzGetCurrentFileInfo64(zip, nullptr, raw.data(), uLong(raw.size()), nullptr, 0, nullptr,
                                0) != UNZ_OK
        || unzGetFilePos64(zip, &position) != UNZ_OK) {
        return QStringLiteral("the name of entry %1 cannot be read whole").arg(number);
    }
    if (!decodeName(raw, info.flag, m_zip->getFileNameCodec(), &entry->name))
        return QStringLiteral("the name of entry %1 cannot be read whole").arg(number);
    if (info.uncompressed_size > quint64(BundleLimits::MaxEntrySize)) {
        return QStringLiteral("entry '%1' holds %2 bytes, over the limit of %3")
            .arg(entry->name)
            .arg(info.uncompressed_size)
            .arg(BundleLimits::limitText(BundleLimits::MaxEntrySize));
    }
    entry->size = qint64(info.uncompressed_size);
    entry->directoryOffset = position.pos_in_zip_directory;
    entry->fileNumber = position.num_of_file;
    return QString();
}
