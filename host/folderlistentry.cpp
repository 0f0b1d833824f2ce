#include "folderlistentry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

const char endTag[] = "</webplugins>";

bool writeWhole(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

FolderListEntry::FolderListEntry(const QString &listFile, const QString &folder)
    : m_listFile(listFile)
    , m_folder(QDir(folder).absolutePath())
{
}

FolderListEntry::~FolderListEntry()
{
    if (!m_added)
        return;
    QString error;
    bool restored = false;
    if (m_existed) {
        restored = writeWhole(m_listFile, m_original, &error);
    } else {
        QFile file(m_listFile);
        restored = file.remove();
        error = file.errorString();
    }
    if (!restored) {
        std::fprintf(stderr, "tessel-host: cannot put back %s: %s\n", qUtf8Printable(m_listFile),
                     qUtf8Printable(error));
    }
}

bool FolderListEntry::add(QString *error)
{
    const QByteArray entry = "  <webplugin path=\"" + m_folder.toHtmlEscaped().toUtf8() + "\"/>\n";
    QByteArray list = "<webplugins>\n" + entry + endTag + '\n';
    QFile file(m_listFile);
    m_existed = file.exists();
    if (m_existed) {
        if (!file.open(QIODevice::ReadOnly)) {
            *error = tr("cannot read %1: %2")
                         .arg(m_listFile, file.errorString());
            return false;
        }
        m_original = file.readAll();
        const int end = m_original.lastIndexOf(endTag);
        if (end < 0) {
            *error = tr("%1 has no %2 to add %3 before")
                         .arg(m_listFile, QLatin1String(endTag), m_folder);
            return false;
        }
        list = m_original;
        list.insert(end, entry);
    }
    if (!writeWhole(m_listFile, list, error))
        return false;
    m_added = true;
    return true;
}
